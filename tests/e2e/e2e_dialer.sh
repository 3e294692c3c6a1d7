#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# End-to-end test of the dialer: dial an entry of the simulated line from the
# tray menu and hang up, abort the dial of an entry that never answers, see
# the run go on under the details window, dial with the credentials prompt (the typed password is stored nowhere), and Exit
# in the middle of a dial.
source "$(dirname "$0")/lib.sh"
start_display
start_tray
# Slow enough to watch the progress window, fast enough for a test.
export VANTREL_SIMLINE_SPEED=5

cat >"$XDG_CONFIG_HOME/vantrel/phonebook.ini" <<'BOOK'
[Morvent Online]
UserName=guest
Password=guest
Answer=connect 3 10.64.3.17
[Always Busy]
Answer=busy 3
[Ask Me]
UserName=walker
Answer=connect 3 10.64.5.5
BOOK
chmod 600 "$XDG_CONFIG_HOME/vantrel/phonebook.ini"

# Dial-up mode, log on, double click copies the address; the entry and the
# dial settings as the entries window stores them.
dial_settings() { # rascnx redial wait ask
  printf 'WINE REGISTRY Version 2\n\n[Software\\\\Morvent\\\\Vantrel]\n"Anim"=dword:00000001\n"Ask"=dword:%08x\n"Conn"=dword:00000000\n"Cycled"=""\n"Def"=dword:00000001\n"Log"=dword:00000001\n"RASCnx"="%s"\n"Redial"=dword:%08x\n"Wait"=dword:%08x\n' \
    "$4" "$1" "$2" "$3" >"$XDG_CONFIG_HOME/vantrel/user.reg"
}

# Clicks at (x, y) inside the window titled $1.
click_in() {
  local w X Y WIDTH HEIGHT SCREEN WINDOW
  w=$(xdotool search --onlyvisible --name "^$1\$" | head -n1)
  [ -n "$w" ] || return 1
  eval "$(xdotool getwindowgeometry --shell "$w")"
  point_at $((X + $2)) $((Y + $3))
  xdotool click 1
}
lines_up() { "$line_binary" list 2>/dev/null | grep -c "$1" || true; }
run_app() { # log-name
  start_app "$1"
  wait_for 40 find_icon || fail "no tray icon appeared"
  copy_until '^Network is down$' double_click_icon || fail "expected 'Network is down', clipboard: $(clipboard)"
}
exit_app() {
  menu_item x
  wait_exit "$app_pid" 20 || fail "the program did not end after Exit"
  [ "$exit_code" -eq 0 ] || fail "exit code $exit_code after Exit"
}

# --- dial and hang up ------------------------------------------------------------------

step "dial Morvent Online from the tray menu"
dial_settings "1,Morvent Online" 1 0 0
run_app app-dial.log
dial_from_tray "Morvent Online" '^10\.64\.3\.17$'

step "hang up from the tray menu"
hang_up_from_tray "Morvent Online"
[ "$(lines_up 'Morvent Online')" -eq 0 ] || fail "the line is still listed after the hang-up"
exit_app

# --- abort an entry that never answers -----------------------------------------------------

step "abort the dial of an always busy entry"
dial_settings "2,Always Busy" 3 1 0
run_app app-abort.log
menu_item c
wait_for 10 window_shown "Vantrel - Always Busy" || fail "the progress window did not come"
sleep 1.5 # the first attempt has failed; its result shows
click_in "Vantrel - Always Busy" 365 32 || fail "could not click Abort"
wait_for 20 window_gone "Vantrel - Always Busy" || fail "the progress window stayed after Abort"
# Without Abort the next attempt would show the window again within about 2 s.
! wait_for 6 window_shown "Vantrel - Always Busy" || fail "the run went on after Abort"
[ "$(lines_up 'Always Busy')" -eq 0 ] || fail "a dial is still listed after Abort"
kill -0 "$app_pid" 2>/dev/null || fail "the program ended"
exit_app

# --- a window opened from the tray does not hold the run up -----------------------------------

step "the next attempt comes on time while the details window is open"
details="Vantrel - Winsock Information"
dial_settings "2,Always Busy" 3 1 0
run_app app-details.log
menu_item c
wait_for 10 window_shown "Vantrel - Always Busy" || fail "the progress window did not come"
menu_item o
wait_for 10 window_shown "$details" || fail "the details window did not open"
# The first attempt fails (busy), its result shows 4 s, the window hides, and
# 1 s later the next attempt shows it again: all under the open details window.
wait_for 15 window_gone "Vantrel - Always Busy" || fail "the first attempt did not end"
wait_for 6 window_shown "Vantrel - Always Busy" || fail "the next attempt did not come while the details window was open"
window_shown "$details" || fail "the details window went away"
click_in "Vantrel - Always Busy" 365 32 || fail "could not click Abort"
wait_for 20 window_gone "Vantrel - Always Busy" || fail "the progress window stayed after Abort"
click_in "$details" 319 146 || fail "could not close the details window"
wait_for 10 window_gone "$details" || fail "the details window did not close"
exit_app

# --- the credentials prompt ------------------------------------------------------------------

step "dial with the credentials prompt"
secret="Typed-s3cret-$RANDOM"
dial_settings "3,Ask Me" 1 0 1
run_app app-ask.log
menu_item c
wait_for 10 window_shown "Vantrel - Ask Me" || fail "the prompt did not come"
click_in "Vantrel - Ask Me" 170 42 || fail "could not click the password field"
xdotool type --delay 20 "$secret"
xdotool key Return
wait_for 20 window_gone "Vantrel - Ask Me" || fail "the prompt or the progress window stayed"
copy_until '^10\.64\.5\.5$' double_click_icon || fail "no address after the prompted dial (clipboard: $(clipboard))"
wait_for 5 log_has '\]\(Ask Me\): Connected\.$' || fail "the log does not name the prompted entry"
if grep -rqF "$secret" "$XDG_CONFIG_HOME" "$XDG_RUNTIME_DIR" "$log"; then
  fail "the typed password was written to disk: $(grep -rlF "$secret" "$XDG_CONFIG_HOME" "$XDG_RUNTIME_DIR" "$log")"
fi

step "Exit while connected leaves the line up"
exit_app
[ "$(lines_up 'Ask Me')" -eq 1 ] || fail "Exit hung up the connection"
"$line_binary" down all >/dev/null 2>&1 || fail "vantrel-line down failed"

# --- Exit in the middle of a dial -------------------------------------------------------------

step "Exit in the middle of a dial"
dial_settings "2,Always Busy" 3 1 0
run_app app-exit.log
menu_item c
wait_for 10 window_shown "Vantrel - Always Busy" || fail "the progress window did not come"
exit_app
window_gone "Vantrel - Always Busy" || fail "the progress window outlived the program"
[ "$(lines_up 'Always Busy')" -eq 0 ] || fail "the dial was left behind by Exit"

echo "--- log file ---"
tr -d '\r' <"$log"
echo "e2e_dialer: passed"
