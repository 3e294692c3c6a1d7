#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# End-to-end test of LAN mode on a machine whose /etc/hosts maps the host name
# to a loopback address (as Debian's installer leaves it, 127.0.1.1): Copy IP
# gives the interface's address with the host name, never the hosts file's.
# Over a private session bus, vantrel-ctl then reads the address routing
# picks as the routes change: the IPv4 default route's, the IPv6 one's when a
# second link (a container bridge) has IPv4 without a way out, and none (state
# down) with nothing but loopback.
#
# Usage: e2e_lan.sh VANTREL_BINARY VANTREL_LINE_BINARY VANTREL_CTL_BINARY
#
# The script runs again inside network, mount and host name namespaces of its
# own: a veth pair with 10.9.8.7 and the default route, the host name
# vantrel-e2e, and a hosts file bound over /etc/hosts. Xvfb starts in there too:
# with -nolisten tcp its clients reach it by an abstract unix socket, and those
# belong to the network namespace.

set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

# Inside, a socket folder of its own and no lock files. In a new network
# namespace every display's abstract socket is free, so Xvfb would replace
# the socket file and lock file of a display of the same number outside (or
# of another copy of this test). Only /tmp/.X11-unix is covered: the build, the sources and the test's
# own folder may all be under /tmp.
if [ -n "${VANTREL_IN_NS:-}" ]; then
  [ -d /tmp/.X11-unix ] || { mkdir -p /tmp/.X11-unix && chmod 1777 /tmp/.X11-unix; }
  mount -t tmpfs -o mode=1777 vantrel-e2e-x11 /tmp/.X11-unix
  export VANTREL_XVFB_ARGS=-nolock
fi
source "$here/lib.sh"
ctl=${3:?usage: $0 VANTREL_BINARY VANTREL_LINE_BINARY VANTREL_CTL_BINARY}

# As skip does, without its hint (no package brings a namespace): under CI,
# which runs as root, a failure.
no_namespace() {
  echo "SKIP: $*"
  [ "${CI:-}" = "true" ] && exit 1
  exit 77
}

if [ -z "${VANTREL_IN_NS:-}" ]; then
  need_tools unshare ip hostname mount getent dbus-daemon
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
dbus-daemon --session --nofork --address="unix:path=$work/bus" >"$work/bus.log" 2>&1 &
pids+=($!)
export DBUS_SESSION_BUS_ADDRESS="unix:path=$work/bus"

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

ctl_is() { [ "$("$ctl" status 2>&1)" = "$1" ]; }
step "the bus: the IPv4 default route's address, and the host name apart"
wait_for 10 ctl_is "connected 10.9.8.7" || fail "status: '$("$ctl" status 2>&1)'"
"$ctl" status --json | grep -q '"hostName":"vantrel-e2e".*"mode":"lan"' || fail "json: $("$ctl" status --json)"

step "the IPv6 default route, and IPv4 on a bridge without a way out: the IPv6 address"
ip route del default
ip -6 addr add 2001:db8::7/64 dev v0 nodad
ip -6 route add default dev v0
ip link add b0 type veth peer name b1
ip addr add 172.17.0.1/16 dev b0
ip link set b1 up
ip link set b0 up
wait_for 10 ctl_is "connected 2001:db8::7" || fail "status: '$("$ctl" status 2>&1)'"

step "nothing but loopback: down"
ip link set v0 down
ip link set b0 down
wait_for 10 ctl_is "down" || fail "status: '$("$ctl" status 2>&1)'"
"$ctl" status --json | grep -q '"tip":"127.0.0.1 (vantrel-e2e)"' || fail "json: $("$ctl" status --json)"

menu_item x
wait_exit "$app_pid" 20 || fail "the program did not end after Exit"
[ "$exit_code" -eq 0 ] || fail "exit code $exit_code after Exit"
echo "e2e_lan: passed"
