#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs a test program as an unprivileged user. The tests of unwritable and
# unreadable files skip themselves under root, whom file permissions do not bind;
# this runs them as "nobody" when the suite runs as root (as CI does). Under any
# other user they have run in the ordinary pass already: exit 77, skipped.
#
# Usage: run_unprivileged.sh TEST_PROGRAM [ARGS...]
set -euo pipefail
if [ "$(id -u)" -ne 0 ]; then
  echo "SKIP: not root; the ordinary run covers these tests"
  exit 77
fi
# The build folder may sit where "nobody" cannot reach: run a copy from a folder it can.
dir=$(mktemp -d /tmp/vantrel-unprivileged.XXXXXX)
trap 'rm -rf "$dir"' EXIT
chmod 0755 "$dir"
cp "$1" "$dir/"
program="$dir/$(basename "$1")"
shift
setpriv --reuid=nobody --regid=nogroup --clear-groups --reset-env \
  env TMPDIR=/tmp QT_QPA_PLATFORM=offscreen "$program" "$@"
