#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds Vantrel and runs every test (unit, widget and end-to-end), then builds
# the Debian package, checks it (lintian, AppStream metadata, no build path in
# its binaries), installs it, runs the installed program and removes it again.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh test
# The "ci" preset (CMakePresets.json): the developer build in build/.
cmake --preset ci
cmake --build --preset ci -j"$(nproc)"

# The package (a Release build of the program alone, in a folder of its own) is
# built while the tests run, at a lower priority: the end-to-end tests spend
# most of their time waiting for windows, which leaves the cores to it.
rm -f build-deb/vantrel_*.deb
mkdir -p build-deb
nice -n 10 scripts/build-deb.sh build-deb >build-deb/build.log 2>&1 &
deb_build=$!
tests_rc=0
ctest --preset ci -j"$(nproc)" || tests_rc=$?
deb_rc=0
wait "$deb_build" || deb_rc=$?
if [ "$deb_rc" -ne 0 ]; then
  cat build-deb/build.log
  echo "building the package failed (exit code $deb_rc)" >&2
fi
[ "$tests_rc" -eq 0 ] && [ "$deb_rc" -eq 0 ] || exit 1

ctest --test-dir build-deb --output-on-failure --timeout 300
debs=(build-deb/vantrel_*.deb)
scripts/check-package-install.sh "${debs[0]}"
