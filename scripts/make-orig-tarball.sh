#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Makes the upstream tarball of the source package, vantrel_<version>.orig.tar.gz,
# from git: the tree of TREE-ISH (default HEAD) without debian/, under
# vantrel-<version>/, its files dated by the commit. The version is
# project(VERSION) of that tree's CMakeLists.txt. Prints the tarball's path.
#   make-orig-tarball.sh [OUTDIR [TREE-ISH]]
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-build-deb}
tree=${2:-HEAD}
version=$(git show "$tree:CMakeLists.txt" | sed -n 's/^project(Vantrel VERSION \([0-9.]*\).*/\1/p')
[ -n "$version" ] || { echo "no project(Vantrel VERSION ...) in CMakeLists.txt of $tree" >&2; exit 1; }
mkdir -p "$out"
tarball="$out/vantrel_$version.orig.tar.gz"
git archive --format=tar.gz --prefix="vantrel-$version/" -o "$tarball" "$tree" -- . ':(exclude)debian'
echo "$tarball"
