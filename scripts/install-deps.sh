#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the Debian packages Vantrel needs. Does nothing when they are all
# present already.
#   install-deps.sh run    what building and running the program needs
#   install-deps.sh test   that, and the tools of the tests, benchmarks and
#                          the Debian package's checks
set -euo pipefail

run_packages=(
  build-essential cmake pkg-config
  qt6-base-dev qt6-multimedia-dev qt6-svg-dev qt6-qpa-plugins libgl-dev
  libx11-dev libxcb1-dev libwayland-dev wayland-protocols
  qt6-wayland
  qt6-tools-dev qt6-l10n-tools qt6-translations-l10n
)
test_packages=(
  libgtest-dev libbenchmark-dev
  desktop-file-utils weston wl-clipboard
  xvfb xauth trayer xdotool xclip x11-utils fonts-dejavu-core dbus-daemon iproute2
  python3-dbusmock python3-dbus python3-gi
  coturn
  dpkg-dev file binutils lintian appstream man-db groff
)

case "${1:-}" in
  run) packages=("${run_packages[@]}") ;;
  test) packages=("${run_packages[@]}" "${test_packages[@]}") ;;
  *)
    echo "usage: $0 run|test" >&2
    exit 2
    ;;
esac

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -q
$sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
