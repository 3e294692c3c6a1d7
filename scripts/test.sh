#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds Vantrel and runs every test (unit, widget and end-to-end); builds the
# source and binary packages with dpkg-buildpackage (which runs the unit and
# widget tests again on the build for installing), checks them with lintian
# and for paths of this machine, installs them with apt, runs the installed
# program's test and purges them.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh test
# The "ci" preset (CMakePresets.json): the developer build in build/.
cmake --preset ci
cmake --build --preset ci -j"$(nproc)"

# The packages are built while the tests run, at a lower priority: the
# end-to-end tests spend most of their time waiting for windows, which leaves
# the cores to it.
mkdir -p build-deb
nice -n 10 scripts/build-deb.sh build-deb >build-deb/build.log 2>&1 &
deb_build=$!
tests_rc=0
ctest --preset ci -j"$(nproc)" || tests_rc=$?
deb_rc=0
wait "$deb_build" || deb_rc=$?
if [ "$deb_rc" -ne 0 ]; then
  tail -n 300 build-deb/build.log
  echo "building the packages failed (exit code $deb_rc; build-deb/build.log)" >&2
fi
[ "$tests_rc" -eq 0 ] && [ "$deb_rc" -eq 0 ] || exit 1

changes=(build-deb/vantrel_*.changes)
checks_rc=0
scripts/check-lintian.sh "${changes[0]}" || checks_rc=1
for deb in build-deb/*.deb; do
  scripts/check-build-paths.sh "$deb" "$PWD" || checks_rc=1
done
scripts/check-package-install.sh build-deb || checks_rc=1

exit $checks_rc
