#!/usr/bin/env bash
# Builds the Debian package vantrel_<version>_<arch>.deb in build-deb/ (or the
# folder given): a Release build of the program alone, for the /usr prefix,
# with Debian's hardening flags, then CPack.
#   build-deb.sh [BUILD_FOLDER]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-deb}
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
# Debian's compiler and linker flags (hardening, and a prefix map so no path
# of this machine ends up in the debug sections before they are stripped).
export CFLAGS="$(dpkg-buildflags --get CFLAGS) $(dpkg-buildflags --get CPPFLAGS)"
export CXXFLAGS="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)"
export LDFLAGS="$(dpkg-buildflags --get LDFLAGS)"
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
      -DVANTREL_DEVELOPER_BUILD=OFF -DVANTREL_BUILD_TESTS=OFF -DVANTREL_BUILD_BENCH=OFF
cmake --build "$build" -j"$(nproc)"
(cd "$build" && cpack -G DEB)
