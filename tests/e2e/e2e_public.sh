#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The public address and the notifications, with the real program in trayer
# under Xvfb, a private session bus with dbusmock's notification daemon, and
# STUN servers on loopback only: coturn's turnserver and tests/e2e/stunfake.py.
#  1. All off (the default): no UDP socket in the program, no request to the
#     server, the "Network addresses" window (menu key n) says the lookup is off.
#  2. On, against coturn: the window shows 127.0.0.1 and ::1 as the public
#     addresses (copied from their rows with Ctrl+C), and vantrel-ctl reads
#     them from the bus. No notification daemon yet: a line up and down with
#     "connection up" on gives one line on vantrel.tray, and the program runs on.
#  3. On, against the fake server, with the public-change notification and
#     dbusmock's daemon: the mapped address changes, a line comes up, and the
#     daemon gets one notification with the old and the new address.
here=$(dirname "$0")
. "$here/lib.sh"
ctl=${3:?usage: $0 VANTREL_BINARY VANTREL_LINE_BINARY VANTREL_CTL_BINARY}
need_tools turnserver dbus-daemon
[ -d /usr/lib/python3/dist-packages/dbusmock ] || skip "python3-dbusmock is not installed"

start_display
step "a private session bus"
# No service activation: a notification daemon installed on the machine
# (dunst, say) must not be started in place of the mock.
cat >"$work/bus.conf" <<CONF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-BUS Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig><type>session</type><listen>unix:dir=$work</listen><auth>EXTERNAL</auth>
<policy context="default"><allow send_destination="*" eavesdrop="true"/><allow eavesdrop="true"/><allow own="*"/></policy>
</busconfig>
CONF
dbus-daemon --config-file="$work/bus.conf" --nofork --print-address=1 >"$work/bus" 2>"$work/bus.log" &
pids+=($!)
wait_for 10 test -s "$work/bus" || fail "dbus-daemon did not start"
export DBUS_SESSION_BUS_ADDRESS=$(head -n1 "$work/bus")
start_tray

echo 203.0.113.7 >"$work/mapped"
/usr/bin/python3 "$here/stunfake.py" "$work/mapped" "$work/fakeport" "$work/fakecount" &
pids+=($!)
wait_for 10 test -s "$work/fakeport" || fail "the fake STUN server did not start"
fake="127.0.0.1:$(cat "$work/fakeport")"

settings() { # public-lookup servers notify-public [notify-connected]
  write_settings 0 0 1
  printf '"PublicLookup"=dword:%08x\n"PublicServers"="%s"\n"NotifyPublic"=dword:%08x\n"NotifyConnected"=dword:%08x\n' \
    "$1" "$2" "$3" "${4:-0}" >>"$XDG_CONFIG_HOME/vantrel/user.reg"
}
udp_sockets() { # of the program: its socket inodes found in the UDP tables
  local inodes
  inodes=$(ls -l "/proc/$app_pid/fd" 2>/dev/null | sed -n 's/.*socket:\[\([0-9]*\)\]$/\1/p')
  for i in $inodes; do
    awk -v i="$i" '$10 == i' /proc/net/udp /proc/net/udp6
  done
}
open_addresses() {
  menu_item n
  wait_for 10 window_shown "Network addresses" || fail "no Network addresses window"
}
# Copies the row `up` rows above the last one (0: Public IPv6, 1: Public IPv4).
copy_public_row() { # up
  # No window manager here: the keyboard goes to the window given the focus.
  xdotool search --onlyvisible --name '^Network addresses$' windowfocus --sync >/dev/null 2>&1 || true
  xdotool key --clearmodifiers ctrl+End
  local i
  for ((i = 0; i < $1; i++)); do xdotool key Up; done
  xdotool key --clearmodifiers ctrl+c
}
finish() {
  menu_item x
  wait_exit "$app_pid" 20 || fail "the program did not end after Exit"
  [ "$exit_code" -eq 0 ] || fail "exit code $exit_code"
}

step "1. everything off: no socket, no request, the window says so"
settings 0 "$fake" 0
start_app app-off.log
wait_for 30 find_icon || fail "the icon did not dock"
sleep 6 # start-up and two polls: time in which nothing must be sent
[ -z "$(udp_sockets)" ] || fail "a UDP socket is open while the lookup is off: $(udp_sockets)"
[ ! -s "$work/fakecount" ] || fail "requests were sent while the lookup is off: $(cat "$work/fakecount")"
open_addresses
seed_clipboard "e2e-marker"
copy_public_row 1
sleep 0.5
clipboard_is "e2e-marker" || fail "the Public IPv4 row copied something while off: $(clipboard)"
finish
! grep -E 'QObject|Qt|warning' "$work/app-off.log" || fail "warnings in the program's output"

step "2. on, against coturn on 127.0.0.1 and ::1"
port=$(/usr/bin/python3 -c 'import socket; s=socket.socket(socket.AF_INET6, socket.SOCK_DGRAM); s.bind(("::1", 0)); print(s.getsockname()[1])')
turnserver -n --stun-only --no-tls --no-dtls --no-cli --listening-ip=127.0.0.1 --listening-ip=::1 \
  --listening-port="$port" --pidfile="$work/turnserver.pid" --log-file=stdout >"$work/turnserver.log" 2>&1 &
pids+=($!)
settings 1 "127.0.0.1:$port [::1]:$port" 0 1
start_app app-coturn.log
wait_for 30 find_icon || fail "the icon did not dock"
open_addresses
copy_until '^127\.0\.0\.1$' copy_public_row 1 || fail "no public IPv4 address from coturn (clipboard: $(clipboard))"
copy_until '^::1$' copy_public_row 0 || fail "no public IPv6 address from coturn (clipboard: $(clipboard))"
[ "$("$ctl" status)" = down ] || fail "status: $("$ctl" status 2>&1)"
"$ctl" status --json | grep -q '"publicAddress4":"127.0.0.1","publicAddress6":"::1"' || fail "--json: $("$ctl" status --json 2>&1)"
[ "$("$ctl" status --format '{public}')" = 127.0.0.1 ] || fail "{public}: $("$ctl" status --format '{public}' 2>&1)"
told() { [ "$(grep -c 'vantrel.tray: Desktop notifications cannot be shown' "$work/app-coturn.log")" -eq "$1" ]; }
for _ in 1 2; do
  "$line_binary" up "Morvent Online" 10.64.3.17 >/dev/null 2>&1 || fail "vantrel-line up failed"
  copy_until '^10\.64\.3\.17$' double_click_icon || fail "the line did not come up"
  "$line_binary" down all >/dev/null 2>&1
  copy_until '^Network is down$' double_click_icon || fail "the line did not go down"
done
wait_for 10 told 1 || fail "not one line without a notification daemon: $(cat "$work/app-coturn.log")"
finish

step "3. the fake server's address changes: one notification with both addresses"
/usr/bin/python3 -m dbusmock --template notification_daemon -l "$work/notify.log" >"$work/mock.out" 2>&1 &
pids+=($!)
wait_for 20 dbus-send --session --print-reply --dest=org.freedesktop.Notifications /org/freedesktop/Notifications \
  org.freedesktop.Notifications.GetServerInformation >/dev/null 2>&1 || fail "the notification daemon did not start"
settings 1 "$fake" 1
start_app app-fake.log
wait_for 30 find_icon || fail "the icon did not dock"
open_addresses
copy_until '^203\.0\.113\.7$' copy_public_row 1 || fail "no public address from the fake server (clipboard: $(clipboard))"
# The line comes up after the first poll, which saw it down.
copy_until '^Network is down$' double_click_icon || fail "no poll (clipboard: $(clipboard))"
echo 198.51.100.9 >"$work/mapped"
"$line_binary" up "Morvent Online" 10.64.3.17 >"$work/line-up.log" 2>&1 || fail "vantrel-line up failed"
notified() { # how many notifications of a change of the public address the daemon got
  local n
  n=$(grep -ac 'Public IPv4 address changed' "$work/notify.log" 2>/dev/null) || true
  echo "${n:-0}"
}
notified_once() { [ "$(notified)" -ge 1 ]; }
wait_for 30 notified_once || fail "no notification of the change: $(cat "$work/notify.log" 2>&1)"
grep -aq '"Vantrel" 0 "vantrel" "Public IPv4 address changed" "from 203.0.113.7 to 198.51.100.9" .*"urgency": 1' \
  "$work/notify.log" || fail "the notification is not as it should be: $(cat "$work/notify.log")"
copy_until '^198\.51\.100\.9$' copy_public_row 1 || fail "the window did not follow the change (clipboard: $(clipboard))"
sleep 3
[ "$(notified)" -eq 1 ] || fail "more than one notification: $(cat "$work/notify.log")"
"$line_binary" down all >/dev/null 2>&1 || true
finish
step "passed"
