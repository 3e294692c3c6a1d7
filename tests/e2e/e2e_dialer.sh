#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# End-to-end test of the dialer: dial an entry of the simulated line from the
# tray menu and hang up, abort the dial of an entry that never answers, see
# the run go on under the details window, dial with the credentials prompt (the typed password is stored nowhere), Exit
# in the middle of a dial, and SIGTERM at each moment a window or box is up.
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

step "the next attempt comes on time while the details window is open, and leaves it the keyboard"
details="Vantrel - Winsock Information"
dial_settings "2,Always Busy" 3 1 0
run_app app-details.log
menu_item c
wait_for 10 window_shown "Vantrel - Always Busy" || fail "the progress window did not come"
menu_item o
wait_for 10 window_shown "$details" || fail "the details window did not open"
details_id=$(xdotool search --onlyvisible --name "^$details\$" | head -n1)
xdotool windowfocus --sync "$details_id"
# The first attempt fails (busy), its result shows 4 s, the window hides, and
# 1 s later the next attempt shows it again: all under the open details window,
# which keeps the keyboard focus the user gave it.
wait_for 15 window_gone "Vantrel - Always Busy" || fail "the first attempt did not end"
wait_for 6 window_shown "Vantrel - Always Busy" || fail "the next attempt did not come while the details window was open"
window_shown "$details" || fail "the details window went away"
sleep 0.5 # the moment a focus change would take
[ "$(xdotool getwindowfocus)" = "$details_id" ] || fail "the next attempt took the keyboard focus from the details window"
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

# --- SIGTERM whatever is up ---------------------------------------------------------------------

# Ends the program with SIGTERM: exit code 0, nothing of it left on screen,
# and, with a line up, the closing log line.
term_app() { # moment online
  kill -TERM "$app_pid"
  wait_exit "$app_pid" 20 || fail "$1: the program did not end after SIGTERM"
  [ "$exit_code" -eq 0 ] || fail "$1: exit code $exit_code after SIGTERM"
  [ -z "$(xdotool search --onlyvisible --pid "$app_pid" 2>/dev/null)" ] || fail "$1: a window outlived the program"
  if [ "$2" = online ]; then
    tr -d '\r' <"$log" | tail -n1 | grep -q 'Application closed but still connected\.$' \
      || fail "$1: no closing log line (last: $(tr -d '\r' <"$log" | tail -n1))"
  fi
  "$line_binary" down all >/dev/null 2>&1 || true
}
connected_from_outside() {
  "$line_binary" up "Morvent Online" >/dev/null 2>&1 || fail "vantrel-line up failed"
  copy_until '^10\.64\.3\.17$' double_click_icon || fail "the line brought up from outside was not seen"
}

step "SIGTERM with the credentials prompt up"
dial_settings "3,Ask Me" 1 0 1
run_app app-term-prompt.log
menu_item c
wait_for 10 window_shown "Vantrel - Ask Me" || fail "the prompt did not come"
term_app "prompt" offline

step "SIGTERM with the phonebook's warning up"
cp "$XDG_CONFIG_HOME/vantrel/phonebook.ini" "$work/phonebook.good"
printf '[Damaged]\nPhone=1\n' >>"$XDG_CONFIG_HOME/vantrel/phonebook.ini"
dial_settings "2,Always Busy" 3 1 0
run_app app-term-warning.log
menu_item c
wait_for 10 window_shown "Vantrel Message" || fail "the phonebook's warning did not come"
term_app "warning box" offline
cp "$work/phonebook.good" "$XDG_CONFIG_HOME/vantrel/phonebook.ini"

for phase in dialling result pause; do
  step "SIGTERM with the progress window up: $phase"
  case "$phase" in
    dialling) entry="Always Busy" rascnx="2,Always Busy" wait=1 pause=0.3 ;;
    result) entry="Always Busy" rascnx="2,Always Busy" wait=1 pause=2 ;;
    pause) entry="Morvent Online" rascnx="1,Morvent Online" wait=30 pause=8 ;; # connected, then 30 s
  esac
  dial_settings "$rascnx" 3 "$wait" 0
  run_app "app-term-$phase.log"
  menu_item c
  wait_for 10 window_shown "Vantrel - $entry" || fail "the progress window did not come"
  sleep "$pause"
  if [ "$phase" = pause ]; then
    term_app "progress window, $phase" online
  else
    term_app "progress window, $phase" offline
  fi
done

step "SIGTERM during the hang-up"
dial_settings "1,Morvent Online" 1 0 0
run_app app-term-hangup.log
connected_from_outside
menu_item d
wait_for 10 window_shown "Vantrel - " || wait_for 10 window_shown "Vantrel Message" || true
term_app "hang-up" offline

step "SIGTERM with the details window up"
run_app app-term-details.log
connected_from_outside
menu_item o
wait_for 10 window_shown "Vantrel - Winsock Information" || fail "the details window did not open"
term_app "details" online

step "SIGTERM with the log viewer's question up"
run_app app-term-logquestion.log
connected_from_outside
menu_item v
wait_for 10 eval '[ -n "$(xdotool search --onlyvisible --name "Vantrel Log File created" | head -n1)" ]' \
  || fail "the log viewer did not open"
viewer=$(xdotool search --onlyvisible --name 'Vantrel Log File created' | head -n1)
eval "$(xdotool getwindowgeometry --shell "$viewer")"
point_at $((X + WIDTH - 35)) $((Y + 52))
xdotool click 1
wait_for 10 window_shown "Vantrel Confirm Request" || fail "the Clear question did not come up"
term_app "log viewer's question" online

echo "--- log file ---"
tr -d '\r' <"$log"
echo "e2e_dialer: passed"
