#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the Debian packages Vantrel needs. Does nothing when they are all
# present already.
#   install-deps.sh run    what building and running the program needs
#   install-deps.sh test   that, and the tools of the tests, benchmarks and
#                          the Debian packages' checks
# What building needs is debian/control's Build-Depends, what running needs
# the vantrel package's Depends and Recommends there, and what the installed
# program's test needs debian/tests/control's Depends: they are read from
# there. Only what no file of debian/ names is listed here.
set -euo pipefail
cd "$(dirname "$0")/.."

# Debian's implied build dependency, and the benchmarks of a developer build.
dev_packages=(build-essential libbenchmark-dev)
# The end-to-end tests of a developer build beyond the installed program's,
# the checks of the packages (lintian, autopkgtest, the binaries' strings),
# and the format and lint checks of the sources.
test_packages=(
  weston wl-clipboard x11-utils iproute2 python3-dbus python3-gi
  lintian autopkgtest file binutils
  coturn
  clang-format-14 clang-tidy-14
)

# Prints the relations of FIELD in the stanzas of FILE whose first line
# matches FIRST (an awk pattern; empty for every stanza), one a line, without
# substitution variables and without the packages built here.
#   relations FILE FIRST FIELD
relations() {
  awk -v first="$2" -v field="$3" '
    BEGIN { start = 1 }
    /^#/ { next }
    /^[ \t]*$/ { start = 1; take = 0; next }
    start { start = 0; want = (first == "" || $0 ~ first) }
    /^[^ \t]/ {
      take = 0
      if (!want || index(tolower($0), tolower(field) ":") != 1) next
      take = 1
      sub(/^[^:]*:/, "")
    }
    take { print }
  ' "$1" | tr ',' '\n' | sed 's/^[[:space:]]*//; s/[[:space:]]*$//' |
    grep -Ev '^$|^\$\{|^vantrel(-sound)?([[:space:]]|$)' || true
}

case "${1:-}" in
  run | test) ;;
  *)
    echo "usage: $0 run|test" >&2
    exit 2
    ;;
esac

needed() {
  printf '%s\n' "${dev_packages[@]}"
  relations debian/control '^Source:' Build-Depends
  relations debian/control '^Package: vantrel$' Depends
  relations debian/control '^Package: vantrel$' Recommends
  if [ "$1" = test ]; then
    printf '%s\n' "${test_packages[@]}"
    relations debian/tests/control '' Depends
  fi
}
# One relation string, as Build-Depends are written ("a (>= 1), b <!nocheck>").
deps=$(needed "$1" | sort -u | paste -sd, - | sed 's/,/, /g')

# dpkg-checkbuilddeps (dpkg-dev) reads relations with versions and build
# profiles as apt does; without it, something is missing anyway.
if command -v dpkg-checkbuilddeps >/dev/null && dpkg-checkbuilddeps -d "$deps" /dev/null 2>/dev/null; then
  exit 0
fi

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
echo "Installing: $deps"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -q
$sudo apt-get satisfy -y -q --no-install-recommends "$deps"
