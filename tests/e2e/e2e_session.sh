#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# End-to-end test of what a desktop session does to the program: a start before
# any tray host (with stray Qt options on the command line), the tray answering
# while a box is up, SIGTERM while connected, a close pair of starts, and the
# display going away. No process may be left behind.
source "$(dirname "$0")/lib.sh"
start_display

write_settings 0 1 1 # dial-up, log on, double click copies the address
socket="$XDG_RUNTIME_DIR/TfmVantrel"

step "a start before any tray host, with Qt's own options given"
"$work/bin/vantrel" -platform bogus -style nonesuch --reverse -display :9999 >"$work/app-early.log" 2>&1 &
app_pid=$!
pids+=("$app_pid")
wait_for 20 grep -q 'no system tray is there yet' "$work/app-early.log" || fail "no note about the missing tray"
sleep 12 # longer than any grace a tray used to get
kill -0 "$app_pid" 2>/dev/null || fail "the program ended without a tray"
[ "$(grep -c 'no system tray' "$work/app-early.log")" -eq 1 ] || fail "the note was not said once"

step "the tray host comes later: the icon docks and answers"
start_tray
wait_for 20 find_icon || fail "the icon did not dock when the tray started"
copy_until '^Network is down$' double_click_icon || fail "the late icon does not answer (clipboard: $(clipboard))"

step "the tray answers while a box is up"
menu_item v # View Log... with no log yet
box=
find_box() { box=$(xdotool search --onlyvisible --name '^Vantrel Message$' 2>/dev/null | head -n1) && [ -n "$box" ]; }
wait_for 10 find_box || fail "no 'Log File not found.' box"
copy_until '^Network is down$' double_click_icon || fail "the double click was not answered under the box"
visible_windows() { xdotool search --onlyvisible --class vantrel 2>/dev/null | wc -l; }
before=$(visible_windows)
right_click_icon
wait_for 5 test "$(visible_windows)" -gt "$before" || fail "the menu did not open under the box"
xdotool key Escape
xdotool windowfocus --sync "$box" 2>/dev/null || true
xdotool key --clearmodifiers Return
wait_for 10 bash -c '! xdotool search --onlyvisible --name "^Vantrel Message$" >/dev/null 2>&1' || fail "the box stayed"

step "SIGTERM while connected: the closing line, no icon, no socket, exit 0"
"$line_binary" up "Morvent Online" 10.64.3.17 >"$work/line-up.log" 2>&1 || fail "vantrel-line up failed"
wait_for 10 log_has '\]\(.*\): Connected\.$' || fail "no Connected line"
kill -TERM "$app_pid"
wait_exit "$app_pid" 20 || fail "the program did not end on SIGTERM"
[ "$exit_code" -eq 0 ] || fail "exit code $exit_code after SIGTERM"
log_has '\]\(.*\): Application closed but still connected\.$' || fail "no closing line after SIGTERM"
[ ! -e "$socket" ] || fail "the single-instance socket was left behind"
wait_for 10 bash -c '! xdotool search --onlyvisible --class vantrel >/dev/null 2>&1' || fail "the icon stayed"

step "a close pair of starts: the later copy ends, a third start is still refused"
start_app app-first.log
first_pid=$app_pid
sleep 0.5 # well inside the first copy's splash
start_app app-second.log
second_pid=$app_pid
wait_for 20 test -S "$socket" || fail "no copy registered"
sleep 4 # both splashes are over
kill -0 "$first_pid" 2>/dev/null || fail "the first copy ended"
kill -0 "$second_pid" 2>/dev/null || fail "the second copy ended"
kill -HUP "$second_pid"
wait_exit "$second_pid" 20 || fail "the second copy did not end on SIGHUP"
[ "$exit_code" -eq 0 ] || fail "exit code $exit_code after SIGHUP"
[ -S "$socket" ] || fail "the later copy removed the first copy's socket"
"$work/bin/vantrel" >"$work/app-third.log" 2>&1 &
third_pid=$!
pids+=("$third_pid")
wait_for 30 find_box || fail "the third copy was not refused"
xdotool windowfocus --sync "$box" 2>/dev/null || true
xdotool key --clearmodifiers Return
wait_exit "$third_pid" 20 || fail "the refused copy did not end"
[ "$exit_code" -eq 0 ] || fail "the refused copy ended with $exit_code"

step "the display goes away while connected: the closing line, exit 0"
app_pid=$first_pid
display_lost_while_connected "${pids[0]}" # Xvfb, the first process started

step "nothing left behind"
for pid in $(pgrep -f -- '--autolaunch' 2>/dev/null || true); do
  if tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -qx "XDG_RUNTIME_DIR=$XDG_RUNTIME_DIR"; then
    fail "a D-Bus daemon was started for the program and left running (pid $pid)"
  fi
done

echo "e2e session: passed"
