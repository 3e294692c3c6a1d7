#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Compares the binary packages (.deb and .ddeb) of two builds of one source
# byte for byte; fails when a package differs or is missing from one side, and
# names the files inside that differ.
#   check-reproducible.sh FOLDER1 FOLDER2
set -euo pipefail
a=$1 b=$2
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
status=0
compared=0
for name in $(find "$a" "$b" -maxdepth 1 -type f \( -name '*.deb' -o -name '*.ddeb' \) -printf '%f\n' | sort -u); do
  if [ ! -f "$a/$name" ] || [ ! -f "$b/$name" ]; then
    echo "$name: made by one build only" >&2
    status=1
    continue
  fi
  compared=$((compared + 1))
  cmp -s "$a/$name" "$b/$name" && continue
  status=1
  echo "$name differs:" >&2
  for side in a b; do
    mkdir -p "$tmp/$name/$side"
    dpkg-deb -R "${!side}/$name" "$tmp/$name/$side"
    dpkg-deb --fsys-tarfile "${!side}/$name" | tar -tv --full-time >"$tmp/$name/$side.list"
  done
  diff -r -q "$tmp/$name/a" "$tmp/$name/b" >&2 || true
  diff "$tmp/$name/a.list" "$tmp/$name/b.list" | head -20 >&2 || true
done
[ "$compared" -gt 0 ] || { echo "no package to compare in $a and $b" >&2; exit 1; }
[ "$status" -eq 0 ] && echo "$compared packages identical"
exit $status
