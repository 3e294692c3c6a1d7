#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds Vantrel and starts it in the tray of the running desktop.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "Vantrel is a tray program and needs a desktop session: neither DISPLAY nor" >&2
  echo "WAYLAND_DISPLAY is set. Run this from a terminal inside your desktop." >&2
  exit 1
fi
scripts/install-deps.sh run
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVANTREL_DEVELOPER_BUILD=ON
cmake --build build -j"$(nproc)" --target vantrel_app vantrel-line
exec build/src/app/vantrel
