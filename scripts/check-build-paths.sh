#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Fails when a binary of the package holds a path of the tree it was built in:
# an installed program must find its files under its prefix only.
#   check-build-paths.sh PACKAGE.deb DIR...
set -euo pipefail
deb=$1
shift
[ -f "$deb" ] || { echo "no package $deb: run scripts/build-deb.sh first" >&2; exit 1; }
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
dpkg-deb -x "$deb" "$tmp"
status=0
checked=0
while IFS= read -r -d '' f; do
  file -b "$f" | grep -q '^ELF' || continue
  checked=$((checked + 1))
  for dir in "$@"; do
    dir=$(realpath -m "$dir")
    # Qt's string literals are UTF-16: look at 8-bit and 16-bit text alike.
    if hits=$( (strings -a "$f"; strings -a -e l "$f") | grep -F -- "$dir"); then
      echo "${f#"$tmp"} holds the path $dir:" >&2
      echo "$hits" | head -5 >&2
      status=1
    fi
  done
done < <(find "$tmp" -type f -print0)
[ $checked -gt 0 ] || { echo "no binary found in $deb" >&2; exit 1; }
echo "$(basename "$deb"): $checked binaries checked"
exit $status
