#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# End-to-end test of the NetworkManager backend: the real program on a private
# system bus where python-dbusmock plays NetworkManager. A connection brought up
# outside the program shows its address in the tip; its end, and NetworkManager
# stopping, read "Network is down"; NetworkManager coming back is picked up; a
# dial from the tray activates a profile, and a hang-up deactivates it.
source "$(dirname "$0")/lib.sh"

python=/usr/bin/python3
if ! command -v dbus-daemon >/dev/null 2>&1 || ! "$python" -c 'import dbusmock' 2>/dev/null; then
  echo "SKIP: dbus-daemon or python3-dbusmock is not installed (scripts/install-deps.sh installs them)"
  [ "${CI:-}" = "true" ] && exit 1
  exit 77
fi
control="$python $(dirname "$0")/nm_control.py"

start_display
start_tray

step "a private system bus with NetworkManager played by dbusmock"
dbus-daemon --session --nofork --address="unix:path=$work/system_bus" >"$work/bus.log" 2>&1 &
pids+=($!)
export DBUS_SYSTEM_BUS_ADDRESS="unix:path=$work/system_bus"
wait_for 10 test -S "$work/system_bus" || fail "the private bus did not start"
mock_pid=
start_mock() {
  "$python" -m dbusmock --template networkmanager >"$work/mock.log" 2>&1 &
  mock_pid=$!
  pids+=("$mock_pid")
  wait_for 20 $control ready || fail "the NetworkManager mock did not come up"
}
start_mock
# The backend is chosen by itself: NetworkManager answers.
unset VANTREL_RAS_BACKEND

step "dial-up mode: start with no active connection"
# Double click copies the address; Connect dials "Dial Home" once, no prompt.
printf 'WINE REGISTRY Version 2\n\n[Software\\\\Morvent\\\\Vantrel]\n"Anim"=dword:00000001\n"Ask"=dword:00000000\n"Conn"=dword:00000000\n"Cycled"=""\n"Def"=dword:00000001\n"Log"=dword:00000001\n"RASCnx"="1,Dial Home"\n"Redial"=dword:00000001\n"Wait"=dword:00000000\n' \
  >"$XDG_CONFIG_HOME/vantrel/user.reg"
start_app app-nm.log
wait_for 40 find_icon || fail "no tray icon appeared"
copy_until '^Network is down$' double_click_icon || fail "expected 'Network is down', clipboard: $(clipboard)"

step "a connection brought up outside the program"
$control up "DSL Home" 10.99.0.7 || fail "could not bring the mock connection up"
copy_until '^10\.99\.0\.7$' double_click_icon || fail "the address of the connection was not copied (clipboard: $(clipboard))"
wait_for 5 log_has '\]\(DSL Home\): Connected\.$' || fail "no Connected line naming the profile"

step "the connection is taken down outside the program"
$control down || fail "could not deactivate the mock connection"
copy_until '^Network is down$' double_click_icon || fail "the end of the connection was not seen (clipboard: $(clipboard))"
wait_for 5 log_has '\]\(DSL Home\): Disconnected\.$' || fail "no Disconnected line naming the profile"

step "NetworkManager stops while a connection is up, then comes back"
$control up "DSL Home" 10.99.0.8 || fail "could not bring the mock connection up again"
copy_until '^10\.99\.0\.8$' double_click_icon || fail "the second connection was not seen (clipboard: $(clipboard))"
kill "$mock_pid"
wait "$mock_pid" 2>/dev/null || true
copy_until '^Network is down$' double_click_icon || fail "NetworkManager gone did not read 'Network is down' (clipboard: $(clipboard))"
start_mock
$control up "Mobile" 100.64.3.4 || fail "could not bring a connection up after the restart"
copy_until '^100\.64\.3\.4$' double_click_icon || fail "the connection after the restart was not seen (clipboard: $(clipboard))"
kill -0 "$app_pid" 2>/dev/null || fail "the program ended"

step "a dial from the tray activates a profile"
$control down || fail "could not deactivate the mock connection"
copy_until '^Network is down$' double_click_icon || fail "the end of the connection was not seen (clipboard: $(clipboard))"
$control dialable "Dial Home" 10.99.0.9 || fail "could not make the dialable profile"
dial_from_tray "Dial Home" '^10\.99\.0\.9$'

step "hang up from the tray deactivates it"
hang_up_from_tray "Dial Home"

step "Exit"
menu_item x
wait_exit "$app_pid" 20 || fail "the program did not end after Exit"
[ "$exit_code" -eq 0 ] || fail "exit code $exit_code after Exit"

echo "--- log file ---"
tr -d '\r' <"$log"
echo "e2e_nm: 1 passed, 0 failed"
