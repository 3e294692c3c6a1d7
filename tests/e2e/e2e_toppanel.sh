#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# End-to-end test of the progress window beside a tray at the top right corner
# of the screen, where the window's own place is: while an entry is dialled
# again and again, the window keeps clear of the tray icon, so the tray menu
# still opens and "E&xit" ends the program (exit code 0).
source "$(dirname "$0")/lib.sh"
start_display

step "starting trayer at the top right of $DISPLAY"
trayer --edge top --align right --widthtype pixel --width 96 --heighttype pixel --height 32 \
  --transparent false --tint 0xc0c0c0 >"$work/trayer.log" 2>&1 &
tray_pid=$!
pids+=("$tray_pid")
wait_for 40 xdotool search --class trayer >/dev/null || fail "trayer did not start"

export VANTREL_SIMLINE_SPEED=5
cat >"$XDG_CONFIG_HOME/vantrel/phonebook.ini" <<'BOOK'
[Always Busy]
Answer=busy 3
BOOK
chmod 600 "$XDG_CONFIG_HOME/vantrel/phonebook.ini"
# Dial-up mode, double click copies the address, the busy entry chosen with
# enough attempts to outlast the test.
printf 'WINE REGISTRY Version 2\n\n[Software\\\\Morvent\\\\Vantrel]\n"Anim"=dword:00000001\n"Ask"=dword:00000000\n"Conn"=dword:00000000\n"Cycled"=""\n"Def"=dword:00000001\n"Log"=dword:00000001\n"RASCnx"="1,Always Busy"\n"Redial"=dword:00000063\n"Wait"=dword:00000001\n' \
  >"$XDG_CONFIG_HOME/vantrel/user.reg"

geometry_of() { # window-id -> "left top right bottom"
  local X Y WIDTH HEIGHT SCREEN WINDOW
  eval "$(xdotool getwindowgeometry --shell "$1")"
  echo "$X $Y $((X + WIDTH - 1)) $((Y + HEIGHT - 1))"
}

start_app app.log
wait_for 40 find_icon || fail "no tray icon appeared"
copy_until '^Network is down$' double_click_icon || fail "expected 'Network is down', clipboard: $(clipboard)"

step "dial the busy entry"
menu_item c
wait_for 10 window_shown "Vantrel - Always Busy" || fail "the progress window did not come"
progress=$(xdotool search --onlyvisible --name '^Vantrel - Always Busy$' | head -n1)
read -r pl pt pr pb <<<"$(geometry_of "$progress")"
read -r il it ir ib <<<"$(geometry_of "$(icon_window)")"
echo "progress window $pl,$pt-$pr,$pb; icon $il,$it-$ir,$ib"
if [ "$pl" -le "$ir" ] && [ "$il" -le "$pr" ] && [ "$pt" -le "$ib" ] && [ "$it" -le "$pb" ]; then
  fail "the progress window covers the tray icon"
fi

step "Exit from the tray menu during the dial"
dialling() { "$line_binary" list 2>/dev/null | grep -q 'Always Busy.*(dialling'; }
wait_for 10 dialling || fail "no attempt of the dial is under way"
window_shown "Vantrel - Always Busy" || fail "the dial ended before Exit could be tried"
menu_item x
wait_exit "$app_pid" 20 || fail "the program did not end after Exit (the menu could not be reached)"
[ "$exit_code" -eq 0 ] || fail "exit code $exit_code after Exit"
[ "$("$line_binary" list 2>/dev/null | grep -c 'Always Busy' || true)" -eq 0 ] || fail "the dial was left behind by Exit"
echo "e2e_toppanel: passed"
