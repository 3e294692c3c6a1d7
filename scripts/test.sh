#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds Vantrel (compiler warnings are errors) and runs every test (unit,
# widget and end-to-end); checks the sources' layout with clang-format and
# lints them with clang-tidy; builds the source and binary packages with
# dpkg-buildpackage (which runs the unit and widget tests again on the build
# for installing), checks them with lintian and for paths of this machine,
# installs them with apt, runs the installed program's test, purges them, and
# checks that a second build gives the same packages byte for byte.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh test
# The "ci" preset (CMakePresets.json): the developer build in build/, with
# compiler warnings as errors and a compile database for clang-tidy.
cmake --preset ci
cmake --build --preset ci -j"$(nproc)"

# A source laid out otherwise than .clang-format says or a clang-tidy finding
# fails the run at the end; the tests and the packages are checked anyway.
lint_failed=()
lint_verdict() {
  [ "${#lint_failed[@]}" -eq 0 ] || echo "failed: ${lint_failed[*]} (see above)" >&2
}
scripts/check-format.sh || lint_failed+=(scripts/check-format.sh)

# The packages are built and the sources linted (with the build's compile
# database) while the tests run, at a lower priority: the end-to-end tests
# spend most of their time waiting for windows, which leaves the cores to them.
mkdir -p build-deb build-deb-again
nice -n 10 scripts/build-deb.sh build-deb >build-deb/build.log 2>&1 &
deb_build=$!
nice -n 10 scripts/check-tidy.sh build >build/check-tidy.log 2>&1 &
tidy=$!
tests_rc=0
ctest --preset ci -j"$(nproc)" || tests_rc=$?
deb_rc=0
wait "$deb_build" || deb_rc=$?
if [ "$deb_rc" -ne 0 ]; then
  tail -n 300 build-deb/build.log
  echo "building the packages failed (exit code $deb_rc; build-deb/build.log)" >&2
fi
wait "$tidy" || lint_failed+=(scripts/check-tidy.sh)
cat build/check-tidy.log
if [ "$tests_rc" -ne 0 ] || [ "$deb_rc" -ne 0 ]; then
  lint_verdict
  exit 1
fi

# The second build for the comparison runs while the first one's packages are
# checked: another folder (so another build path), time zone, locale and
# umask, and no tests (nocheck), which must not change the packages either.
(
  umask 0027
  export DEB_BUILD_OPTIONS=nocheck TZ=Pacific/Kiritimati LC_ALL=C.UTF-8
  nice -n 10 scripts/build-deb.sh build-deb-again
) >build-deb-again/build.log 2>&1 &
again_build=$!

changes=(build-deb/vantrel_*.changes)
checks_rc=0
scripts/check-lintian.sh "${changes[0]}" || checks_rc=1
for deb in build-deb/*.deb; do
  scripts/check-build-paths.sh "$deb" "$PWD" || checks_rc=1
done
scripts/check-package-install.sh build-deb || checks_rc=1

again_rc=0
wait "$again_build" || again_rc=$?
if [ "$again_rc" -ne 0 ]; then
  tail -n 100 build-deb-again/build.log
  echo "the second build of the packages failed (exit code $again_rc)" >&2
  lint_verdict
  exit 1
fi
scripts/check-reproducible.sh build-deb build-deb-again || checks_rc=1
lint_verdict
[ "$checks_rc" -eq 0 ] && [ "${#lint_failed[@]}" -eq 0 ]
