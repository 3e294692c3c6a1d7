#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# End-to-end test of the session-bus service and vantrel-ctl: the program on a
# private session bus of the test's own; status while down and up, watch
# printing one line per change and nothing in between, connect and disconnect
# over the bus, a refused call, and the program and vantrel-ctl with no bus.
#
# Usage: e2e_bus.sh VANTREL_BINARY VANTREL_LINE_BINARY VANTREL_CTL_BINARY
source "$(dirname "$0")/lib.sh"
ctl=${3:?usage: $0 VANTREL_BINARY VANTREL_LINE_BINARY VANTREL_CTL_BINARY}
need_tools dbus-daemon
start_display
start_tray

cat >"$XDG_CONFIG_HOME/vantrel/phonebook.ini" <<'BOOK'
[Morvent Online]
Answer=connect 1 10.64.3.17
BOOK
chmod 600 "$XDG_CONFIG_HOME/vantrel/phonebook.ini"
# Dial-up mode, log on, the entry chosen, one attempt, no prompt.
printf 'WINE REGISTRY Version 2\n\n[Software\\\\Morvent\\\\Vantrel]\n"Anim"=dword:00000001\n"Ask"=dword:00000000\n"Conn"=dword:00000000\n"Cycled"=""\n"Def"=dword:00000001\n"Log"=dword:00000001\n"RASCnx"="1,Morvent Online"\n"Redial"=dword:00000001\n"Wait"=dword:00000000\n' \
  >"$XDG_CONFIG_HOME/vantrel/user.reg"

step "a private session bus"
dbus-daemon --session --nofork --print-address=3 3>"$work/bus-address" >"$work/bus.log" 2>&1 &
pids+=($!)
wait_for 20 test -s "$work/bus-address" || fail "dbus-daemon did not start"
export DBUS_SESSION_BUS_ADDRESS=$(head -n1 "$work/bus-address")

ctl_is() { [ "$("$ctl" status 2>/dev/null)" = "$1" ]; }

step "vantrel-ctl with the program not running"
set +e; "$ctl" status >"$work/out" 2>"$work/err"; rc=$?; set -e
[ "$rc" -eq 3 ] || fail "status without the program: exit $rc, expected 3"
grep -q "not running" "$work/err" || fail "no 'not running' message: $(cat "$work/err")"

step "status while down"
start_app app-bus.log
wait_for 40 find_icon || fail "no tray icon appeared"
wait_for 20 ctl_is "Network is down" || fail "status: '$("$ctl" status 2>&1)'"
"$ctl" status --json | grep -q '"class":"disconnected"' || fail "json while down: $("$ctl" status --json)"

step "watch: one line per change, none in between"
"$ctl" watch >"$work/watch" 2>"$work/watch-err" &
watch_pid=$!
pids+=("$watch_pid")
"$ctl" watch --json >"$work/watch-json" 2>&1 &
pids+=($!)
wait_for 10 test -s "$work/watch" || fail "watch printed nothing at start"
sleep 5 # two poll ticks with nothing changing
[ "$(wc -l <"$work/watch")" -eq 1 ] || fail "watch printed while nothing changed: $(cat "$work/watch")"

step "status while up (line brought up by other means)"
"$line_binary" up "Morvent Online" 10.64.3.17 >"$work/line.log" 2>&1 || fail "vantrel-line up: $(cat "$work/line.log")"
wait_for 10 ctl_is "10.64.3.17" || fail "status while up: '$("$ctl" status 2>&1)'"
"$ctl" status --json >"$work/json"
grep -q '"connected":true' "$work/json" && grep -q '"mode":"dial-up"' "$work/json" \
  && grep -q '"text":"10.64.3.17"' "$work/json" || fail "json while up: $(cat "$work/json")"
sleep 5
[ "$(cat "$work/watch")" = $'Network is down\n10.64.3.17' ] || fail "watch lines: $(cat "$work/watch")"
[ "$(wc -l <"$work/watch-json")" -eq 2 ] || fail "watch --json lines: $(cat "$work/watch-json")"
tail -n1 "$work/watch-json" | grep -q '"class":"connected"' || fail "watch --json: $(cat "$work/watch-json")"

step "refused calls: connect while up, an unknown entry, a wrong usage"
set +e; "$ctl" connect >"$work/out" 2>"$work/err"; rc=$?; set -e
[ "$rc" -eq 1 ] && grep -q "connected already" "$work/err" || fail "connect while up: exit $rc, $(cat "$work/err")"
set +e; "$ctl" connect "No Such Entry" 2>"$work/err"; rc=$?; set -e
[ "$rc" -eq 1 ] && grep -q 'no connection entry "No Such Entry"' "$work/err" || fail "unknown entry: exit $rc, $(cat "$work/err")"
set +e; "$ctl" connect a b 2>"$work/err"; rc=$?; set -e
[ "$rc" -eq 2 ] || fail "two entries: exit $rc, expected the usage error 2"

step "the line drops; disconnect while down is refused"
"$line_binary" down all >"$work/line.log" 2>&1 || fail "vantrel-line down: $(cat "$work/line.log")"
wait_for 10 ctl_is "Network is down" || fail "still up: '$("$ctl" status 2>&1)'"
set +e; "$ctl" disconnect 2>"$work/err"; rc=$?; set -e
[ "$rc" -eq 1 ] && grep -q "not connected" "$work/err" || fail "disconnect while down: exit $rc, $(cat "$work/err")"

step "connect over the bus: the progress window as from the tray, one run at a time"
"$ctl" connect "morvent online" 2>"$work/err" || fail "connect refused: $(cat "$work/err")"
wait_for 10 window_shown "Vantrel - Morvent Online" || fail "no progress window for the dial over the bus"
set +e; "$ctl" connect 2>"$work/err"; rc=$?; set -e
[ "$rc" -eq 1 ] && grep -q "under way" "$work/err" || fail "second connect during the run: exit $rc, $(cat "$work/err")"
wait_for 30 ctl_is "10.64.3.17" || fail "not up after connect: '$("$ctl" status 2>&1)'"
wait_for 5 log_has '\]\(Morvent Online\): Connected\.$' || fail "the log does not name the entry"
"$ctl" status --json | grep -q '"entry":"Morvent Online"' || fail "entry: $("$ctl" status --json)"
grep -q '"RASCnx"="1,Morvent Online"' "$XDG_CONFIG_HOME/vantrel/user.reg" || fail "the stored entry changed"

step "disconnect over the bus"
wait_for 15 window_gone "Vantrel - Morvent Online" || fail "the progress window stayed"
"$ctl" disconnect 2>"$work/err" || fail "disconnect refused: $(cat "$work/err")"
wait_for 20 ctl_is "Network is down" || fail "still up after disconnect: '$("$ctl" status 2>&1)'"
wait_for 5 log_has '\]\(Morvent Online\): Disconnected\.$' || fail "no Disconnected line"
wait_for 10 test "$(wc -l <"$work/watch")" -ge 5 || true
[ "$(cat "$work/watch")" = $'Network is down\n10.64.3.17\nNetwork is down\n10.64.3.17\nNetwork is down' ] \
  || fail "watch lines: $(cat "$work/watch")"
[ ! -s "$work/watch-err" ] || fail "watch complained: $(cat "$work/watch-err")"

step "the program ends: watch says so"
menu_item x
wait_exit "$app_pid" 20 || fail "the program did not end after Exit"
wait_for 10 grep -q "Vantrel is not running" "$work/watch" || fail "watch did not tell of the end: $(cat "$work/watch")"
kill "$watch_pid"

step "no session bus at all"
export DBUS_SESSION_BUS_ADDRESS="unix:path=$work/no-such-bus"
start_app app-nobus.log
wait_for 40 find_icon || fail "no tray icon without a bus"
wait_for 10 grep -q "session bus" "$work/app-nobus.log" || fail "no word of the missing bus: $(cat "$work/app-nobus.log")"
[ "$(grep -c "org.morvent.Vantrel" "$work/app-nobus.log")" -eq 1 ] || fail "said more than once: $(cat "$work/app-nobus.log")"
copy_until '^Network is down$' double_click_icon || fail "the program does not run without a bus"
set +e; "$ctl" status 2>"$work/err"; rc=$?; set -e
[ "$rc" -eq 4 ] || fail "vantrel-ctl without a bus: exit $rc, expected 4 ($(cat "$work/err"))"
menu_item x
wait_exit "$app_pid" 20 || fail "the program did not end after Exit"
echo "PASS"
