#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs clang-tidy (the checks of .clang-tidy) over the program's sources in
# src/ with the compile database of a build, and fails on any finding.
#   check-tidy.sh [--members] [-j JOBS] [BUILD_DIR]
# BUILD_DIR defaults to build/; it must have been configured with
# CMAKE_EXPORT_COMPILE_COMMANDS (the dev and ci presets do). JOBS defaults to
# the number of cores.
# --members runs only misc-non-private-member-variables-in-classes, over the
# user interface's folders. It also names the plain records of settings and
# state, so it is a survey, not part of the plain run (the ctest check
# sealed_windows keeps the windows' members private).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

members=0
jobs=$(nproc)
build=""
while [ $# -gt 0 ]; do
  case "$1" in
    --members) members=1 ;;
    -j) jobs=$2; shift ;;
    -j*) jobs=${1#-j} ;;
    -*)
      echo "usage: $0 [--members] [-j JOBS] [BUILD_DIR]" >&2
      exit 2
      ;;
    *) build=$1 ;;
  esac
  shift
done
build=$(cd "${build:-$root/build}" 2>/dev/null && pwd) || {
  echo "check-tidy.sh: no build folder ${build:-$root/build}" >&2
  exit 2
}

for tool in clang-tidy-14 run-clang-tidy-14; do
  if ! command -v "$tool" >/dev/null; then
    echo "check-tidy.sh: $tool is not installed (Debian package clang-tidy-14)" >&2
    exit 2
  fi
done
if [ ! -f "$build/compile_commands.json" ]; then
  echo "check-tidy.sh: $build/compile_commands.json is missing; configure with" \
    "-DCMAKE_EXPORT_COMPILE_COMMANDS=ON (cmake --preset dev does)" >&2
  exit 2
fi

args=(-p "$build" -j "$jobs" -quiet -clang-tidy-binary "$(command -v clang-tidy-14)"
  # The ci build turns warnings into errors; clang's own warnings are not
  # this check's business (the compiler's are, in the build).
  -extra-arg=-Wno-error)
# The checkout's own src/, not the headers generated under a build's src/.
src="^$(printf '%s' "$root" | sed 's/[][\.*^$+?(){}|]/\\&/g')/src/"
scope="$src"
checks=()
if [ "$members" -eq 1 ]; then
  scope="${src}ui/"
  checks=(-checks='-*,misc-non-private-member-variables-in-classes')
fi
args+=("${checks[@]}" -header-filter="$scope")
files="$scope.*\\.cpp\$"

log=$(mktemp)
trap 'rm -f "$log"' EXIT
rc=0
# run-clang-tidy always asks for colours; the log is read as plain text.
run-clang-tidy-14 "${args[@]}" "$files" 2>&1 | sed 's/\x1b\[[0-9;]*m//g' >"$log" || rc=$?
# A finding in a header is reported once for every file that includes it.
findings=$(grep -E '^/[^ ]+:[0-9]+:[0-9]+: (warning|error):' "$log" | sort -u || true)
if [ -n "$findings" ] || [ "$rc" -ne 0 ]; then
  if [ -n "$findings" ]; then
    echo "$findings" >&2
    echo "check-tidy.sh: $(echo "$findings" | wc -l) finding(s); the full output:" >&2
  fi
  grep -vE '^[0-9]+ warnings? (and [0-9]+ errors? )?generated\.$|^Suppressed [0-9]+ warnings|^Use -header-filter=|^[^ ]*clang-tidy-14 |^Running clang-tidy|^Enabled checks:' \
    "$log" | head -n 400 >&2 || true
  echo "check-tidy.sh: failed (run-clang-tidy exit code $rc)" >&2
  exit 1
fi
echo "check-tidy.sh: no findings in src/"
