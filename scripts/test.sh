#!/usr/bin/env bash
# Builds Vantrel and runs every test (unit, widget and end-to-end), then builds
# the Debian package, checks it (lintian, AppStream metadata, no build path in
# its binaries), installs it, runs the installed program and removes it again.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh test
# The "ci" preset (CMakePresets.json): the developer build in build/.
cmake --preset ci
cmake --build --preset ci -j"$(nproc)"
ctest --preset ci -j"$(nproc)"

# The package: a Release build of the program alone, in a folder of its own.
rm -f build-deb/vantrel_*.deb
scripts/build-deb.sh build-deb
ctest --test-dir build-deb --output-on-failure --timeout 300
debs=(build-deb/vantrel_*.deb)
scripts/check-package-install.sh "${debs[0]}"
