#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Checks the binary packages of a build (scripts/build-deb.sh) on this machine:
#  1. vantrel without vantrel-sound (which it only recommends) brings in no
#     libav* or GStreamer library: the packages its Depends reach, as apt's
#     lists give them, hold none; those of vantrel-sound must hold some, or the
#     check would be looking at the wrong thing;
#  2. vantrel is installed with apt (which brings in its Depends) and the
#     installed program's flow, debian/tests, runs through autopkgtest on this
#     machine ("-- null");
#  3. vantrel-sound is installed beside it;
#  4. both are purged, whether the run passed or not, and none of their files
#     or folders may be left.
# Refuses to run where either package is installed already, rather than
# replace and then remove it.
#   check-package-install.sh BUILD_FOLDER
set -euo pipefail
dir=$(realpath "${1:?usage: $0 BUILD_FOLDER}")
packages=(vantrel vantrel-sound)
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive

deb_of() {
  local debs=("$dir/$1"_*.deb)
  [ -f "${debs[0]}" ] || { echo "no $1 package in $dir: run scripts/build-deb.sh first" >&2; exit 1; }
  echo "${debs[0]}"
}
vantrel_deb=$(deb_of vantrel)
sound_deb=$(deb_of vantrel-sound)
dscs=("$dir"/vantrel_*.dsc)
[ -f "${dscs[0]}" ] || { echo "no source package in $dir: run scripts/build-deb.sh first" >&2; exit 1; }

installed() { dpkg-query -W -f='${db:Status-Abbrev}' "$1" 2>/dev/null | grep -q '^ii'; }
for p in "${packages[@]}"; do
  if installed "$p"; then
    echo "$p is installed on this machine already; remove it first (apt-get purge ${packages[*]})" >&2
    exit 1
  fi
done

echo "--- 1. what vantrel alone brings in"
# The packages named in a .deb's Depends (every alternative), less the ones built here.
depends_of() {
  dpkg-deb -f "$1" Depends | tr ',|' '\n\n' | sed 's/(.*//; s/[[:space:]]//g; s/:any$//' |
    grep -Ev '^$|^vantrel(-sound)?$'
}
# Every package that those reach through Depends and Pre-Depends.
closure() {
  apt-cache depends --recurse --no-recommends --no-suggests --no-conflicts --no-breaks \
    --no-replaces --no-enhances "$@" | grep -v '^ ' | tr -d '<>' | sort -u
}
media='^(libav(codec|format|util|filter|device)[0-9]|libsw(resample|scale)[0-9]|libpostproc[0-9]|libgstreamer|gstreamer1\.0-)'
# shellcheck disable=SC2046 # one package name a word
program_closure=$(closure $(depends_of "$vantrel_deb"))
# shellcheck disable=SC2046
sound_closure=$(closure $(depends_of "$sound_deb"))
if grep -E "$media" <<<"$program_closure"; then
  echo "FAIL: vantrel depends on the media libraries above" >&2
  exit 1
fi
grep -Eq "$media" <<<"$sound_closure" ||
  { echo "FAIL: vantrel-sound reaches no libav*/GStreamer package either: the check is broken" >&2; exit 1; }
echo "$(wc -l <<<"$program_closure") packages, none of libav*/GStreamer ($(grep -Ec "$media" <<<"$sound_closure") come with vantrel-sound)"

files=()
purge_packages() {
  local rc=$?
  echo "--- 4. purging ${packages[*]}"
  $sudo apt-get purge -y -q "${packages[@]}" || rc=1
  local path left=0
  for path in "${files[@]}"; do
    [ "$path" = "/." ] && continue
    [ -e "$path" ] || [ -L "$path" ] || continue
    # A folder that another package owns too stays, rightly.
    if [ -d "$path" ] && [ ! -L "$path" ] && dpkg-query -S "$path" >/dev/null 2>&1; then
      continue
    fi
    echo "FAIL: left behind by the purge: $path" >&2
    left=1
  done
  for p in "${packages[@]}"; do
    if dpkg-query -W -f='${db:Status-Abbrev}' "$p" 2>/dev/null | grep -q '^[a-z]c'; then
      echo "FAIL: $p still has configuration files registered" >&2
      left=1
    fi
  done
  [ "$left" -eq 0 ] && echo "the purge left none of the packages' ${#files[@]} paths" || rc=1
  exit $rc
}
trap purge_packages EXIT

echo "--- 2. installing $vantrel_deb and running the installed program's flow"
$sudo apt-get install -y -q "$vantrel_deb"
installed vantrel-sound && { echo "FAIL: vantrel-sound came with vantrel" >&2; exit 1; }
mapfile -t files < <(dpkg-query -L vantrel)
# The test as the packages' test runner runs it, from the source package, on
# the packages installed here (--no-built-binaries: nothing is built).
rm -rf "$dir/autopkgtest"
autopkgtest --no-built-binaries --output-dir "$dir/autopkgtest" "${dscs[0]}" -- null

echo "--- 3. installing $sound_deb"
$sudo apt-get install -y -q "$sound_deb"
mapfile -t -O "${#files[@]}" files < <(dpkg-query -L vantrel-sound)
compgen -G "/usr/lib/*/vantrel/vantrel-sound.so" >/dev/null || { echo "FAIL: no sound module installed" >&2; exit 1; }
