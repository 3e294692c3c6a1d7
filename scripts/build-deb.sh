#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the source package and the binary packages vantrel and vantrel-sound
# with dpkg-buildpackage, as a distribution's build machine would, in OUTDIR
# (default build-deb/):
#   vantrel_<version>.orig.tar.gz   the upstream tarball (make-orig-tarball.sh)
#   vantrel-<version>/              that tarball unpacked with debian/ added:
#                                   the build runs there
#   vantrel_<version>-<revision>.dsc, .debian.tar.xz, .changes, .buildinfo,
#   vantrel_*.deb, vantrel-sound_*.deb and their -dbgsym .ddeb files
# What is built is the commit checked out, with the uncommitted changes to
# files git tracks (a new file once it is added; untracked files are left
# out). DEB_BUILD_OPTIONS work as
# usual (nocheck: the tests are neither built nor run); further words go to
# dpkg-buildpackage.
#   build-deb.sh [OUTDIR [DPKG-BUILDPACKAGE-OPTION...]]
set -euo pipefail
cd "$(dirname "$0")/.."
out=$(realpath -m "${1:-build-deb}")
shift $(($# > 0 ? 1 : 0))

# A commit of the working tree as it is, or HEAD when nothing has changed.
tree=$(git stash create)
tree=${tree:-HEAD}

mkdir -p "$out"
# Only what an earlier run left here.
rm -rf "$out"/vantrel-[0-9]*/ "$out"/vantrel_* "$out"/vantrel-*_* "$out"/autopkgtest
orig=$(scripts/make-orig-tarball.sh "$out" "$tree")
tar -xzf "$orig" -C "$out"
src=${orig%.orig.tar.gz}
src="$out/vantrel-${src##*_}"
git archive "$tree" debian | tar -x -C "$src"

cd "$src"
# Source and binary packages, unsigned; as many jobs as cores unless
# DEB_BUILD_OPTIONS says how many (parallel=N).
jobs=(-Jauto)
[[ " ${DEB_BUILD_OPTIONS:-} " = *" parallel="* ]] && jobs=()
dpkg-buildpackage -us -uc "${jobs[@]}" "$@"
