#!/usr/bin/env bash
# End-to-end test on a StatusNotifierItem host: a private session bus with a
# watcher of our own and no XEmbed tray. The host reads the exported menu and
# the tip and clicks menu items over DBusMenu, as a panel that draws the menu
# itself does.
source "$(dirname "$0")/lib.sh"
start_display

python=/usr/bin/python3
if ! "$python" -c 'import dbus, dbus.mainloop.glib, gi' 2>/dev/null; then
  echo "SKIP: python3-dbus or python3-gi is not installed (scripts/install-deps.sh installs them)"
  [ "${CI:-}" = "true" ] && exit 1
  exit 77
fi
sni() { "$python" "$(dirname "$0")/sni.py" "$@"; }

step "a private session bus with a StatusNotifierItem watcher"
dbus-daemon --session --nofork --print-address=1 >"$work/bus" 2>"$work/bus.log" &
pids+=($!)
wait_for 20 test -s "$work/bus" || fail "dbus-daemon did not start"
export DBUS_SESSION_BUS_ADDRESS=$(head -n1 "$work/bus")
# Started directly, so that its PID is the one the clean-up ends.
"$python" "$(dirname "$0")/sni.py" watcher "$work/items" >"$work/watcher.log" 2>&1 &
pids+=($!)
wait_for 20 dbus-send --session --print-reply --dest=org.freedesktop.DBus / org.freedesktop.DBus.GetNameOwner \
  string:org.kde.StatusNotifierWatcher >/dev/null 2>&1 || fail "the watcher did not start: $(cat "$work/watcher.log")"

write_settings 0 1 1 # dial-up, log on, double click copies the address
start_app app.log
wait_for 30 test -s "$work/items" || fail "the icon did not register with the watcher"
item=$(head -n1 "$work/items")

menu_is() { [ "$(sni menu "$item" 2>&1)" = "$1" ]; }
tip_is() { [ "$(sni tip "$item" 2>&1)" = "$1" ]; }

step "the tip and the whole menu reach the host"
wait_for 10 tip_is "Network is down" || fail "tip: $(sni tip "$item" 2>&1)"
offline=$(printf '%s\n' $'_Open details...\tenabled' $'Copy _IP\tdisabled' $'_Connect\tdisabled' \
  $'_View Log...\tenabled' $'_About...\tenabled' '-' $'E_xit\tenabled')
wait_for 10 menu_is "$offline" || fail "menu while offline:"$'\n'"$(sni menu "$item" 2>&1)"

step "a disabled item does nothing when clicked"
seed_clipboard "sni-marker"
sni click "$item" "Copy _IP" || fail "could not click Copy IP"
sleep 1
clipboard_is "sni-marker" || fail "a disabled Copy IP copied: $(clipboard)"

step "a line comes up: caption, enabled state and tip follow"
"$line_binary" up "Morvent Online" 10.64.3.17 >"$work/line-up.log" 2>&1 || fail "vantrel-line up failed: $(cat "$work/line-up.log")"
wait_for 20 tip_is "10.64.3.17" || fail "tip after the line came up: $(sni tip "$item" 2>&1)"
online=${offline/$'Copy _IP\tdisabled'/$'Copy _IP\tenabled'}
online=${online/$'_Connect\tdisabled'/$'_Disconnect\tdisabled'}
wait_for 10 menu_is "$online" || fail "menu while online:"$'\n'"$(sni menu "$item" 2>&1)"

step "Copy IP clicked over DBusMenu"
seed_clipboard "sni-marker"
sni click "$item" "Copy _IP" || fail "could not click Copy IP"
wait_for 5 clipboard_is "10.64.3.17" || fail "Copy IP over DBusMenu gave: $(clipboard)"

step "Exit clicked over DBusMenu"
sni click "$item" "E_xit" || fail "could not click Exit"
wait_exit "$app_pid" 20 || fail "the program did not end after Exit"
[ "$exit_code" -eq 0 ] || fail "exit code $exit_code after Exit"
log_has '\]\(\): Application closed but still connected\.$' || fail "no closing line"

echo "e2e: 1 passed, 0 failed"
