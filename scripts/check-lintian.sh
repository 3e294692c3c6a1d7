#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs lintian on the package and fails on an error. Warnings are shown; the
# ones that remain are explained in docs/ARCHITECTURE.md ("Packaging").
#   check-lintian.sh PACKAGE.deb
set -euo pipefail
deb=$1
[ -f "$deb" ] || { echo "no package $deb: run cpack in the build folder first" >&2; exit 1; }
lintian --fail-on error --info --display-info "$deb"
