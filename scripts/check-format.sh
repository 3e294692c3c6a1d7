#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Fails when a tracked C++ source or header is not laid out as .clang-format
# says: names every such file, and shows what would change in the first few.
# "cmake --build build --target format" fixes them all.
#   check-format.sh
set -euo pipefail
cd "$(dirname "$0")/.."

# The version is pinned: another clang-format lays some lines out differently.
if ! command -v clang-format-14 >/dev/null; then
  echo "check-format.sh: clang-format-14 is not installed (Debian package clang-format-14)" >&2
  exit 2
fi

# The files checked are those git tracks, so a checkout is needed.
if ! git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  echo "check-format.sh: $PWD is not a git checkout" >&2
  exit 2
fi

formatted=$(mktemp)
trap 'rm -f "$formatted"' EXIT
differ=()
shown=0
while IFS= read -r -d '' file; do
  if ! clang-format-14 "$file" >"$formatted"; then
    echo "check-format.sh: clang-format-14 failed on $file" >&2
    exit 2
  fi
  if ! cmp -s "$file" "$formatted"; then
    differ+=("$file")
    if [ "$shown" -lt 5 ]; then
      diff -u --label "$file" --label "$file (formatted)" "$file" "$formatted" | head -n 40 >&2 || true
      shown=$((shown + 1))
    fi
  fi
done < <(git ls-files -z -- '*.cpp' '*.h')

if [ "${#differ[@]}" -ne 0 ]; then
  echo "check-format.sh: ${#differ[@]} file(s) not formatted as .clang-format says:" >&2
  printf '  %s\n' "${differ[@]}" >&2
  echo "Run: cmake --build build --target format" >&2
  exit 1
fi
echo "check-format.sh: every tracked C++ file is formatted"
