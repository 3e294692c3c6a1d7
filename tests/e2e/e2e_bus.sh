#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# End-to-end test of the session-bus service and vantrel-ctl on a private bus:
# `watch --json` through down, dialling, connected, hanging-up and down, another
# user's call, the program stopped, killed and restarted, the bus killed and
# restarted, each line checked as waybar reads it; status and its exit codes,
# `watch | head -1`, the program and vantrel-ctl with no bus.
#
# Usage: e2e_bus.sh VANTREL_BINARY VANTREL_LINE_BINARY VANTREL_CTL_BINARY
source "$(dirname "$0")/lib.sh"
ctl_binary=${3:?usage: $0 VANTREL_BINARY VANTREL_LINE_BINARY VANTREL_CTL_BINARY}
ctl=("$ctl_binary")
need_tools dbus-daemon python3
start_display
start_tray

cat >"$XDG_CONFIG_HOME/vantrel/phonebook.ini" <<'BOOK'
[Morvent Online]
Answer=connect 1 10.64.3.17
[AT&T <Dial>]
Answer=connect 1 10.64.3.18
BOOK
chmod 600 "$XDG_CONFIG_HOME/vantrel/phonebook.ini"
# Dial-up mode, log on, the entry chosen, one attempt, no prompt.
printf 'WINE REGISTRY Version 2\n\n[Software\\\\Morvent\\\\Vantrel]\n"Anim"=dword:00000001\n"Ask"=dword:00000000\n"Conn"=dword:00000000\n"Cycled"=""\n"Def"=dword:00000001\n"Log"=dword:00000001\n"RASCnx"="1,Morvent Online"\n"Redial"=dword:00000001\n"Wait"=dword:00000000\n' \
  >"$XDG_CONFIG_HOME/vantrel/user.reg"

step "a private session bus"
# Open to every user (the program's own check refuses the others) on an
# abstract socket, which needs no folder another user could reach.
export DBUS_SESSION_BUS_ADDRESS="unix:abstract=vantrel-e2e-bus-$$"
cat >"$work/bus.conf" <<CONF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>$DBUS_SESSION_BUS_ADDRESS</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow user="*"/>
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
CONF
bus_pid=
start_bus() {
  dbus-daemon --config-file="$work/bus.conf" --nofork >>"$work/bus.log" 2>&1 &
  bus_pid=$!
  pids+=("$bus_pid")
  wait_for 20 dbus-send --session --dest=org.freedesktop.DBus / org.freedesktop.DBus.Peer.Ping 2>/dev/null \
    || fail "dbus-daemon did not start: $(cat "$work/bus.log")"
}
start_bus

# Every run of vantrel-ctl keeps its messages, so that none of Qt's can hide.
ctl_run() { "${ctl[@]}" "$@" 2>>"$work/ctl-err"; }
ctl_is() { [ "$(ctl_run status)" = "$1" ]; }
ctl_rc() { # expected-status command...
  local want=$1 rc=0
  shift
  "${ctl[@]}" "$@" >"$work/out" 2>"$work/err" || rc=$?
  cat "$work/err" >>"$work/ctl-err"
  [ "$rc" -eq "$want" ] || fail "vantrel-ctl $*: exit $rc, expected $want ($(cat "$work/err"))"
}
watch_has() { wait_for "$1" grep -q "\"class\":\"$2\"" "$work/watch-json"; }
last_class_is() { tail -n1 "$work/watch-json" | grep -q "\"class\":\"$1\""; }

step "vantrel-ctl with the program not running"
ctl_rc 3 status
[ "$(cat "$work/out")" = "stopped" ] || fail "status without the program: '$(cat "$work/out")'"
ctl_rc 2 connect -- a b
ctl_rc 2 status --format '{nope}'

step "watch from before the start: at once, and at every change"
# Started as themselves, not through ctl_run, so that $! is the client and
# the cleanup ends it rather than a subshell around it.
"${ctl[@]}" watch --json >"$work/watch-json" 2>>"$work/ctl-err" &
pids+=($!)
"${ctl[@]}" watch --format '{state}|{address}|{entry}|{online}' >"$work/watch-format" 2>>"$work/ctl-err" &
pids+=($!)
wait_for 5 test -s "$work/watch-json" || fail "watch printed nothing at once"
start_app app-bus.log
wait_for 40 find_icon || fail "no tray icon appeared"
wait_for 20 ctl_is "down" || fail "status: '$(ctl_run status)'"
sleep 5 # two poll ticks and a check with nothing changing
[ "$(cat "$work/watch-format")" = $'stopped|||\ndown|||' ] || fail "watch --format lines: $(cat "$work/watch-format")"

step "a line brought up by other means; refused calls while up"
"$line_binary" up "Morvent Online" 10.64.3.17 >"$work/line.log" 2>&1 || fail "vantrel-line up: $(cat "$work/line.log")"
wait_for 10 ctl_is "connected 10.64.3.17" || fail "status while up: '$(ctl_run status)'"
[ "$(ctl_run status --format '{online}')" = "0:00" ] || fail "online time: $(ctl_run status --format '{online}')"
ctl_rc 1 connect -- "-x"
grep -q 'no connection entry "-x"' "$work/err" || fail "an entry after --: $(cat "$work/err")"

step "disconnect over the bus answers when the line is down"
ctl_rc 0 disconnect
wait_for 3 ctl_is "down" || fail "still up after disconnect answered: '$(ctl_run status)'"
ctl_rc 1 disconnect
grep -q "not connected" "$work/err" || fail "disconnect while down: $(cat "$work/err")"

step "dial and hang up over the bus: down, dialling, connected, hanging-up, down"
# The hang-up's last message may still show: one run or hang-up at a time.
wait_for 10 ctl_run connect "at&t <dial>" || fail "connect refused: $(tail -n1 "$work/ctl-err")"
wait_for 10 window_shown "Vantrel - AT&T <Dial>" || fail "no progress window for the dial over the bus"
wait_for 30 ctl_is "connected 10.64.3.18" || fail "not up after connect: '$(ctl_run status)'"
wait_for 5 log_has '\]\(AT&T <Dial>\): Connected\.$' || fail "the log does not name the entry"
wait_for 15 window_gone "Vantrel - AT&T <Dial>" || fail "the progress window stayed"
ctl_rc 0 disconnect
wait_for 20 ctl_is "down" || fail "still up after disconnect: '$(ctl_run status)'"
watch_has 5 hanging-up || fail "watch missed the hang-up: $(cat "$work/watch-json")"
states=$(python3 -c 'import itertools, json, sys; print(" ".join(k for k, _ in itertools.groupby(json.loads(l)["class"] for l in open(sys.argv[1]))))' "$work/watch-json")
[[ "$states" == *"down dialling connected hanging-up down"* ]] || fail "watch --json classes: $states"
grep -q '^connected|10.64.3.18|AT&T <Dial>|0:0[01]$' "$work/watch-format" || fail "watch --format: $(cat "$work/watch-format")"

step "watch ends at once when its reader goes away"
started=$SECONDS
[ "$(ctl_run watch | head -n1)" = "down" ] && [ $((SECONDS - started)) -le 2 ] || fail "watch | head -1"

step "a caller of another user is refused, and told so"
if [ "$(id -u)" -eq 0 ] && command -v setpriv >/dev/null 2>&1; then
  mkdir -m 755 "$work/other" && cp "$ctl_binary" "$work/other/vantrel-ctl" && chmod 711 "$work"
  ctl=(env -u XDG_RUNTIME_DIR setpriv --reuid=65534 --regid=65534 --clear-groups "$work/other/vantrel-ctl")
  "${ctl[@]}" watch --json >"$work/other-watch" 2>>"$work/ctl-err" &
  pids+=($!)
  ctl_rc 1 status
  grep -q "own user" "$work/err" || fail "another user's status: $(cat "$work/err")"
  wait_for 10 grep -q '"class":"refused"' "$work/other-watch" || fail "watch of another user: $(cat "$work/other-watch")"
  ctl=("$ctl_binary")
else
  echo "(not checked: needs root and setpriv to run as another user)"
fi

step "Vantrel stops answering, and answers again"
kill -STOP "$app_pid"
watch_has 15 unresponsive || { kill -CONT "$app_pid"; fail "watch did not tell: $(tail -n2 "$work/watch-json")"; }
ctl_rc 5 status
kill -CONT "$app_pid"
wait_for 10 last_class_is down || fail "no recovery: $(tail -n1 "$work/watch-json")"

step "Vantrel killed, and started again"
kill -KILL "$app_pid"
wait_exit "$app_pid" 10 || true
wait_for 10 last_class_is stopped || fail "watch: $(tail -n1 "$work/watch-json")"
start_app app-bus2.log
wait_for 40 last_class_is down || fail "watch after the restart: $(tail -n1 "$work/watch-json")"

step "the bus killed, and started again"
kill -KILL "$bus_pid"
watch_has 10 no-bus || fail "watch did not tell of the bus: $(tail -n1 "$work/watch-json")"
ctl_rc 4 status
start_bus
# The program does not come back to a new bus; watch sees that.
wait_for 10 last_class_is stopped || fail "watch after the bus came back: $(tail -n1 "$work/watch-json")"

step "every line is waybar's: JSON, every key, markup-safe text"
cat "$work/watch-json" "$work/other-watch" 2>/dev/null | python3 -c '
import json, sys, xml.etree.ElementTree as ET
keys = {"text", "tooltip", "class", "alt", "version", "state", "address", "hostName", "tip", "entry", "mode", "onlineSince",
        "publicAddress4", "publicAddress6"}
for line in sys.stdin:
    o = json.loads(line)
    assert set(o) == keys, line
    for k in ("text", "tooltip"):
        ET.fromstring("<markup>" + o[k] + "</markup>")  # Pango markup is XML text
' || fail "watch --json lines"
grep -q 'AT&amp;T &lt;Dial&gt;' "$work/watch-json" || fail "the entry's markup was not escaped"
if grep -Ev "^(vantrel-ctl: |Try 'vantrel-ctl --help'\.$)" "$work/ctl-err"; then fail "vantrel-ctl printed more than its own messages"; fi

step "Exit ends the program"
menu_item x
wait_exit "$app_pid" 20 || fail "the program did not end after Exit"

step "no session bus at all"
export DBUS_SESSION_BUS_ADDRESS="unix:path=$work/no-such-bus"
start_app app-nobus.log
wait_for 40 find_icon || fail "no tray icon without a bus"
wait_for 10 grep -q "session bus" "$work/app-nobus.log" || fail "no word of the missing bus: $(cat "$work/app-nobus.log")"
[ "$(grep -c "org.morvent.Vantrel" "$work/app-nobus.log")" -eq 1 ] || fail "said more than once: $(cat "$work/app-nobus.log")"
copy_until '^Network is down$' double_click_icon || fail "the program does not run without a bus"
ctl_rc 4 status
grep -q "cannot be reached" "$work/err" || fail "no bus: $(cat "$work/err")"
menu_item x
wait_exit "$app_pid" 20 || fail "the program did not end after Exit"
echo "PASS"
