#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs lintian on a build's .changes (the source package and every binary
# package) and fails on an error or a warning. An override in debian/ must
# give its reason on the comment line above it.
#   check-lintian.sh PACKAGES.changes
set -euo pipefail
changes=$1
[ -f "$changes" ] || { echo "no $changes: run scripts/build-deb.sh first" >&2; exit 1; }
status=0
for overrides in "$(dirname "$0")"/../debian/source/lintian-overrides "$(dirname "$0")"/../debian/*.lintian-overrides; do
  [ -f "$overrides" ] || continue
  awk 'NF && !/^#/ && previous !~ /^#/ { print FILENAME ":" FNR ": no reason above the override: " $0; bad = 1 }
       { previous = $0 }
       END { exit bad }' "$overrides" >&2 || status=1
done
lintian --fail-on error,warning --info --display-info "$changes" || status=1
exit $status
