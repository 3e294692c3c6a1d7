#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# End-to-end test of the configuration and information windows: each one opened
# from the tray as a person would and closed again. While the details window is
# up, a second double click opens no second one and Exit does nothing.
# With VANTREL_E2E_SHOTS set to a folder, a screenshot of each window lands there.
source "$(dirname "$0")/lib.sh"
start_display
start_tray

windows_named() { xdotool search --onlyvisible --name "$1" 2>/dev/null; }
count_named() { windows_named "$1" | wc -l; }
shown() { [ "$(count_named "$1")" -ge 1 ]; }
gone() { [ "$(count_named "$1")" -eq 0 ]; }

# Clicks at (x, y) inside the first visible window whose name matches $1 (no
# window manager runs, so a window's geometry is its inside).
click_in() { # name x y
  local w X Y WIDTH HEIGHT SCREEN WINDOW
  w=$(windows_named "$1" | head -n1)
  [ -n "$w" ] || fail "no window '$1' to click in"
  eval "$(xdotool getwindowgeometry --shell "$w")"
  point_at $((X + $2)) $((Y + $3))
  xdotool click 1
}
size_of() { # name WIDTH|HEIGHT
  local w X Y WIDTH HEIGHT SCREEN WINDOW
  w=$(windows_named "$1" | head -n1)
  eval "$(xdotool getwindowgeometry --shell "$w")"
  echo "${!2}"
}
width_of() { size_of "$1" WIDTH; }
shot() { # name
  if [ -n "${VANTREL_E2E_SHOTS:-}" ]; then
    mkdir -p "$VANTREL_E2E_SHOTS"
    sleep 0.3
    import -window root "$VANTREL_E2E_SHOTS/$1.png" 2>/dev/null || true
  fi
}
app_alive() { kill -0 "$app_pid" 2>/dev/null; }

details='^Vantrel - Winsock Information$'
config='^Configure Vantrel$'
alarm='^Configure Vantrel Alarm$'
logview='^ Vantrel Log File created at: '
about='^About Vantrel$'
hint='^Hint$'

step "start in LAN mode with the log on and 'open details' as the double click"
write_settings 1 1 0
start_app app-windows.log
wait_for 40 find_icon || fail "no tray icon appeared"
wait_for 15 log_has '\]\(\): Connected\.$' || fail "no Connected line in the log"

step "details window by double click"
double_click_icon
wait_for 10 shown "$details" || fail "the details window did not open"
shot details

step "a second double click opens no second details window"
double_click_icon
sleep 1.5
[ "$(count_named "$details")" -eq 1 ] || fail "$(count_named "$details") details windows are open"

step "Exit and Open details are disabled meanwhile"
visible_windows() { xdotool search --onlyvisible --class vantrel 2>/dev/null | wc -l; }
menu_opened() { [ "$(visible_windows)" -gt "$before" ]; }
before=$(visible_windows)
right_click_icon
wait_for 5 menu_opened || fail "the tray menu did not open over the details window"
xdotool key x
sleep 1.5
app_alive || fail "Exit ended the program while the details window was up"
xdotool key o
sleep 1
[ "$(count_named "$details")" -eq 1 ] || fail "Open details opened a second window"
xdotool key Escape
menu_closed() { [ "$(visible_windows)" -le "$before" ]; }
wait_for 5 menu_closed || fail "Escape did not close the tray menu"

step "Configure, then Alarm from the configuration window"
click_in "$details" 249 146
wait_for 10 shown "$config" || fail "the configuration window did not open"
shot config
click_in "$config" 284 52
wait_for 10 shown "$alarm" || fail "the alarm settings window did not open"
shot alarm
click_in "$alarm" 217 159
wait_for 10 gone "$alarm" || fail "the alarm settings window did not close"

step "switch to dial-up and close: the mode is stored"
click_in "$config" 22 22
click_in "$config" 284 84
wait_for 10 gone "$config" || fail "the configuration window did not close"
grep -q '"Conn"=dword:00000000' "$XDG_CONFIG_HOME/vantrel/user.reg" || fail "the mode was not stored: $(cat "$XDG_CONFIG_HOME/vantrel/user.reg")"
shot details-dialup

step "close the details window"
click_in "$details" 319 146
wait_for 10 gone "$details" || fail "the details window did not close"

step "log viewer from the menu"
menu_item v
wait_for 10 shown "$logview" || fail "the log viewer did not open"
shot log
menu_item v
sleep 1
[ "$(count_named "$logview")" -eq 1 ] || fail "a second log viewer opened"
click_in "$logview" $(( $(width_of "$logview") - 35 )) 84
wait_for 10 gone "$logview" || fail "the log viewer did not close"

# The viewer closed while its own question is up goes when the question is
# answered, and the program lives on; answered Yes, the log goes to the trash.
confirm='^Vantrel Confirm Request$'
message='^Vantrel Message$'
answer_box() { # name key
  local w
  w=$(windows_named "$1" | head -n1)
  [ -n "$w" ] || fail "no box '$1' to answer"
  xdotool windowfocus --sync "$w"
  xdotool key "$2"
}
for answer in n y; do
  step "log viewer: Clear, View Log... and OK while the question is up, then '$answer'"
  menu_item v
  wait_for 10 shown "$logview" || fail "the log viewer did not open"
  click_in "$logview" $(( $(width_of "$logview") - 35 )) 52
  wait_for 10 shown "$confirm" || fail "the Clear question did not come up"
  menu_item v
  wait_for 10 shown "$logview" || fail "the log viewer did not come back from the tray"
  shot log-with-question
  click_in "$logview" $(( $(width_of "$logview") - 35 )) 84
  wait_for 10 gone "$logview" || fail "OK did not close the log viewer"
  answer_box "$confirm" "$answer"
  wait_for 10 gone "$confirm" || fail "the question did not go"
  if [ "$answer" = y ]; then
    wait_for 10 shown "$message" || fail "no box after the log was cleared"
    answer_box "$message" Return
    wait_for 10 gone "$message" || fail "the box after the clear did not go"
    [ ! -e "$log" ] || fail "the log was not cleared"
    [ -f "$HOME/.local/share/Trash/files/Vantrel.log" ] || fail "the log is not in the trash"
  else
    [ -f "$log" ] || fail "the log went although the answer was No"
  fi
  sleep 1
  app_alive || fail "the program died after the question was answered '$answer'"
  find_icon || fail "the tray icon is gone"
  gone "$logview" || fail "the closed log viewer came back"
done

step "about window, with the hint over the notice line"
menu_item a
wait_for 10 shown "$about" || fail "the about window did not open"
shot about-plain
click_in "$about" 40 54
wait_for 5 shown "$hint" || fail "the hint did not show over the notice line"
shot about
click_in "$about" 25 20
wait_for 5 gone "$hint" || fail "the hint stayed when the pointer moved onto the icon"
click_in "$about" $(( $(width_of "$about") / 2 )) $(( $(size_of "$about" HEIGHT) - 17 ))
wait_for 10 gone "$about" || fail "the about window did not close"

step "Exit works again"
menu_item x
wait_exit "$app_pid" 20 || fail "the program did not end after Exit"
[ "$exit_code" -eq 0 ] || fail "exit code $exit_code after Exit"
echo "PASS"
