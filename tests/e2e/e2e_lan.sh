#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# End-to-end test of LAN mode on a machine whose /etc/hosts maps the host name
# to a loopback address (as Debian's installer leaves it, 127.0.1.1): Copy IP
# gives the interface's address with the host name, never the hosts file's.
#
# The script runs again inside network, mount and host name namespaces of its
# own: a veth pair with 10.9.8.7 and the default route, the host name
# vantrel-e2e, and a hosts file bound over /etc/hosts. Xvfb starts in there too:
# with -nolisten tcp its clients reach it by an abstract unix socket, and those
# belong to the network namespace.

set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

# Inside, a socket folder of its own and no lock files. Xvfb -displayfd takes
# the first display number whose abstract socket is free, which in a new
# network namespace is always :0, and would then replace the socket file and
# lock file of the display of that number outside (or of another copy of this
# test). Only /tmp/.X11-unix is covered: the build, the sources and the test's
# own folder may all be under /tmp.
if [ -n "${VANTREL_IN_NS:-}" ]; then
  [ -d /tmp/.X11-unix ] || { mkdir -p /tmp/.X11-unix && chmod 1777 /tmp/.X11-unix; }
  mount -t tmpfs -o mode=1777 vantrel-e2e-x11 /tmp/.X11-unix
  export VANTREL_XVFB_ARGS=-nolock
fi
source "$here/lib.sh"

# As skip does, without its hint (no package brings a namespace): under CI,
# which runs as root, a failure.
no_namespace() {
  echo "SKIP: $*"
  [ "${CI:-}" = "true" ] && exit 1
  exit 77
}

if [ -z "${VANTREL_IN_NS:-}" ]; then
  need_tools unshare ip hostname mount getent
  # Root (as in CI) makes the namespaces directly; anybody else in a user
  # namespace of their own, where the kernel allows one.
  unshare_flags=-rnmu
  [ "$(id -u)" -eq 0 ] && unshare_flags=-nmu
  unshare "$unshare_flags" true 2>/dev/null || no_namespace "no private network namespace can be made here (unshare $unshare_flags)"
  rm -rf "$work"
  trap - EXIT
  exec unshare "$unshare_flags" env VANTREL_IN_NS=1 bash "$here/$(basename "$0")" "$@"
fi

step "a network of our own: 10.9.8.7 on v0, host name vantrel-e2e, 127.0.1.1 in /etc/hosts"
# Not a dummy interface: its kernel module may be missing, and cannot be loaded
# from in here. A veth pair, as the sockets layer's namespace test makes.
ip link set lo up
ip link add v0 type veth peer name v1 || no_namespace "no veth pair can be made in the namespace"
ip addr add 10.9.8.7/24 dev v0
ip link set v1 up
ip link set v0 up
ip route add default dev v0
hostname vantrel-e2e
printf '127.0.0.1\tlocalhost\n127.0.1.1\tvantrel-e2e\n' >"$work/hosts"
mount --bind "$work/hosts" /etc/hosts
# The trap is set: the resolver would answer the loopback address. (IPv4
# only: an IPv6 lookup finds nothing in the file and waits for a name server
# that cannot be reached from here.)
getent ahostsv4 vantrel-e2e | grep -q '^127\.0\.1\.1 ' || fail "the hosts file does not map vantrel-e2e"

start_display
start_tray

step "LAN mode: Copy IP from the menu"
write_settings 1 1 1
start_app app.log
wait_for 40 find_icon || fail "no tray icon appeared"
# The first poll tick, 2 s after start-up, reads the address and logs the
# connection; from then on Copy IP has it.
wait_for 20 log_has '\]\(\): Connected\.$' || fail "no Connected line in the log"
seed_clipboard "e2e-marker"
menu_item i
marker_gone() { ! clipboard_is "e2e-marker"; }
wait_for 5 marker_gone || fail "Copy IP did not take the clipboard"
copied=$(clipboard)
[ "$copied" = "10.9.8.7 (vantrel-e2e)" ] || fail "Copy IP gave '$copied', expected '10.9.8.7 (vantrel-e2e)'"

menu_item x
wait_exit "$app_pid" 20 || fail "the program did not end after Exit"
[ "$exit_code" -eq 0 ] || fail "exit code $exit_code after Exit"
echo "e2e_lan: passed"
