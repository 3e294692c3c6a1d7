#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Renders each man page as man(1) and groff do and fails on any warning.
#   check-man-pages.sh PAGE...
set -euo pipefail
status=0
for page in "$@"; do
  out=$(LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 man --warnings -E UTF-8 -l "$page" 2>&1 >/dev/null) || status=1
  out+=$(groff -ww -man -z "$page" 2>&1) || status=1
  if [ -n "$out" ]; then
    echo "$page:" >&2
    echo "$out" >&2
    status=1
  fi
done
exit $status
