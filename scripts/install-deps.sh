#!/usr/bin/env bash
# Installs the Debian packages Vantrel needs to build, run and test.
# Does nothing when they are all present already.
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  qt6-base-dev qt6-multimedia-dev qt6-qpa-plugins libgl-dev
  libgtest-dev libbenchmark-dev
  libx11-dev libxcb1-dev libwayland-dev wayland-protocols desktop-file-utils
  qt6-wayland weston wl-clipboard
  xvfb xauth trayer xdotool xclip x11-utils fonts-dejavu-core dbus-daemon
  python3-dbusmock
  python3-dbus python3-gi
)

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
