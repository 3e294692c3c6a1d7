#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the package with apt (which brings in its Depends), runs the
# installed program through scripts/e2e-installed.sh, and removes the package
# again, whether the run passed or not.
#   check-package-install.sh PACKAGE.deb [SCREENSHOT.png]
set -euo pipefail
deb=$(realpath "${1:?usage: $0 PACKAGE.deb [SCREENSHOT.png]}")
shift
here=$(dirname "$0")
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive

# Never replace, and then remove, a Vantrel the machine had before.
if dpkg-query -W -f='${Status}' vantrel 2>/dev/null | grep -q "install ok installed"; then
  echo "vantrel is installed on this machine already; remove it first (apt-get remove vantrel)" >&2
  exit 1
fi

remove_package() {
  local rc=$?
  echo "--- removing the package"
  $sudo apt-get purge -y -q vantrel || rc=1
  if [ -e /usr/bin/vantrel ] || [ -e /usr/bin/vantrel-line ]; then
    echo "FAIL: the package left its programs behind" >&2
    rc=1
  fi
  exit $rc
}
trap remove_package EXIT

echo "--- installing $deb"
$sudo apt-get install -y -q "$deb"
"$here/e2e-installed.sh" "$@"
