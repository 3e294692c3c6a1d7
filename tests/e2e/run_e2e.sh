#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# End-to-end test of the monitor: LAN and dial-up addresses by double click and
# menu, the log, a second copy refused, Exit.
source "$(dirname "$0")/lib.sh"
start_display
start_tray

lan_address='^[0-9]+\.[0-9]+\.[0-9]+\.[0-9]+ \(.+\)$|^127\.0\.0\.1$'

# --- LAN mode -----------------------------------------------------------------------

step "LAN mode: start, wait for the icon"
write_settings 1 1 1
start_app app-lan.log
wait_for 40 find_icon || fail "no tray icon appeared"

step "LAN mode: double click copies the address (Def 1)"
copy_until "$lan_address" double_click_icon || fail "double click did not copy the LAN address (clipboard: $(clipboard))"
lan_text=$(clipboard)
echo "copied: $lan_text"

step "LAN mode: a single click does nothing"
seed_clipboard "single-click-marker"
single_click_icon
sleep 1.5
clipboard_is "single-click-marker" || fail "a single click changed the clipboard to: $(clipboard)"

step "LAN mode: Copy IP from the menu"
seed_clipboard "menu-marker"
menu_item i
wait_for 5 clipboard_is "$lan_text" || fail "Copy IP from the menu gave: $(clipboard)"

step "LAN mode: the log has the connection"
wait_for 5 log_has '^@\(#\)>> Vantrel Log File created at: [0-9]{2}-[0-9]{2}-[0-9]{4} [0-9]{2}h [0-9]{2}m [0-9]{2}s$' ||
  fail "no log header"
log_has '^@\(#\)>> Please, do not edit\.$' || fail "no second header line"
log_has '^\[[0-9]{2}-[0-9]{2}-[0-9]{4} [0-9]{2}h [0-9]{2}m [0-9]{2}s\]\(\): Connected\.$' || fail "no Connected line"

step "LAN mode: Exit from the menu"
menu_item x
wait_exit "$app_pid" 20 || fail "the program did not end after Exit"
[ "$exit_code" -eq 0 ] || fail "exit code $exit_code after Exit"
log_has '\]\(\): Application closed but still connected\.$' || fail "no closing line"
wait_for 10 bash -c '! xdotool search --onlyvisible --class vantrel >/dev/null 2>&1' || fail "the icon stayed after Exit"

# --- dial-up mode ---------------------------------------------------------------------

step "dial-up mode: start with the network down"
write_settings 0 1 1
lines_before=$(wc -l <"$log")
start_app app-dialup.log
wait_for 40 find_icon || fail "no tray icon appeared (dial-up)"
copy_until '^Network is down$' double_click_icon || fail "expected 'Network is down', clipboard: $(clipboard)"

step "dial-up mode: a line brought up from outside"
"$line_binary" up "Morvent Online" 10.64.3.17 >"$work/line-up.log" 2>&1 || fail "vantrel-line up failed: $(cat "$work/line-up.log")"
copy_until '^10\.64\.3\.17$' double_click_icon || fail "the address of the line was not copied (clipboard: $(clipboard))"
seed_clipboard "menu-marker"
menu_item i
wait_for 5 clipboard_is "10.64.3.17" || fail "Copy IP from the menu gave: $(clipboard)"
wait_for 5 log_has '\]\(Morvent Online\): Connected\.$' || fail "no Connected line naming the line's own entry"
[ "$(grep -c 'Connected\.' "$log")" -ge 2 ] || fail "the dial-up connection was not logged"

step "dial-up mode: a second copy is refused"
"$work/bin/vantrel" >"$work/app-second.log" 2>&1 &
second_pid=$!
pids+=("$second_pid")
box=
find_box() { box=$(xdotool search --onlyvisible --name '^Vantrel Message$' 2>/dev/null | head -n1) && [ -n "$box" ]; }
wait_for 30 find_box || fail "the second copy showed no box"
point_at 5 5
xdotool windowfocus --sync "$box" 2>/dev/null || true
xdotool key --clearmodifiers Return
wait_exit "$second_pid" 20 || fail "the second copy did not end after its box"
[ "$exit_code" -eq 0 ] || fail "the refused copy ended with $exit_code"
kill -0 "$app_pid" 2>/dev/null || fail "the first copy ended too"

step "dial-up mode: the line drops"
"$line_binary" down all >"$work/line-down.log" 2>&1 || fail "vantrel-line down failed: $(cat "$work/line-down.log")"
copy_until '^Network is down$' double_click_icon || fail "the drop was not seen (clipboard: $(clipboard))"
wait_for 5 log_has '\]\(Morvent Online\): Disconnected\.$' || fail "no Disconnected line naming the line's own entry"

step "dial-up mode: Exit while offline writes nothing more"
lines_before_exit=$(wc -l <"$log")
menu_item x
wait_exit "$app_pid" 20 || fail "the program did not end after Exit"
[ "$exit_code" -eq 0 ] || fail "exit code $exit_code after Exit"
[ "$(wc -l <"$log")" -eq "$lines_before_exit" ] || fail "Exit while offline wrote a line"
[ "$lines_before" -lt "$lines_before_exit" ] || fail "the dial-up run wrote nothing"

echo "--- log file ---"
tr -d '\r' <"$log"
echo "e2e: 1 passed, 0 failed"
