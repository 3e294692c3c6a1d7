#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# End-to-end run of the installed program (/usr/bin/vantrel from the package,
# not a build tree's): its icon docks in trayer under Xvfb, a line brought up
# with the installed vantrel-line shows its address in the tip (read back by
# Copy IP, which copies the tip's text), and Exit from the tray menu ends it
# with exit code 0.
#   e2e-installed.sh [SCREENSHOT.png]
# With SCREENSHOT, the screen is saved with the tray menu open before Exit.
screenshot=${1:-}
set -- /usr/bin/vantrel /usr/bin/vantrel-line
source "$(dirname "$0")/../tests/e2e/lib.sh"

[ -x "$app_binary" ] && [ -x "$line_binary" ] || fail "Vantrel is not installed in /usr/bin"

# The installed program itself: lib.sh would run a copy of it from a folder
# of its own. The log stays off, as the program's folder is /usr/bin.
start_installed_app() {
  "$app_binary" >"$work/app-installed.log" 2>&1 &
  app_pid=$!
  pids+=("$app_pid")
}

start_display
start_tray
write_settings 0 0 1 # dial-up, no log, double click copies the address

step "the installed program docks its icon"
start_installed_app
wait_for 40 find_icon || fail "no tray icon appeared"

step "a line comes up: its address is the tip"
"$line_binary" up "Morvent Online" 10.64.3.17 || fail "vantrel-line could not bring the line up"
copy_until '^10\.64\.3\.17$' double_click_icon || fail "the tip did not show the line's address (clipboard: $(clipboard))"

if [ -n "$screenshot" ]; then
  step "screenshot with the tray menu open"
  right_click_icon
  sleep 0.5
  import -window root "$screenshot"
  xdotool key Escape
  sleep 0.3
fi

step "the line goes down, Exit from the tray menu"
"$line_binary" down all >/dev/null || fail "vantrel-line could not drop the line"
menu_item x
wait_exit "$app_pid" 20 || fail "the program did not end after Exit"
[ "$exit_code" -eq 0 ] || fail "exit code $exit_code after Exit"
step "passed"
