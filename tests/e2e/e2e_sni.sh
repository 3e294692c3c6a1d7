#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# End-to-end test on a StatusNotifierItem host: a private session bus with a
# watcher of our own and no XEmbed tray. The host reads the exported menu and
# the tip, activates the item and clicks menu items over DBusMenu, as a panel
# that draws the menu itself does.
#
# Usage: e2e_sni.sh VANTREL_BINARY VANTREL_LINE_BINARY [xcb|wayland]
# With "wayland" the program runs on Qt's Wayland platform under weston (no X
# display for it at all), the clipboard is read back with wl-paste, its map is
# read for the Mesa and LLVM libraries that EGL would bring (none, also under a
# headless weston, unless the environment asks for EGL buffers), and at the end
# the compositor is killed under a running copy.
platform=${3:-xcb}
source "$(dirname "$0")/lib.sh"
start_display
[ "$platform" = wayland ] && start_compositor

python=/usr/bin/python3
"$python" -c 'import dbus, dbus.mainloop.glib, gi' 2>/dev/null || skip "python3-dbus or python3-gi is not installed"
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
  $'_View Log...\tenabled' $'_About...\tenabled' '-' $'E_xit\tenabled' \
  '-' $'_Network addresses...\tenabled' $'_Preferences...\tenabled')
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

step "activating the item runs the double-click action: the address is copied"
seed_clipboard "sni-marker"
sni activate "$item" || fail "could not activate the item"
wait_for 5 clipboard_is "10.64.3.17" || fail "activation gave: $(clipboard)"

if [ "$platform" = wayland ]; then
  step "shared-memory buffers: no Mesa driver or LLVM in the program's map"
  gl=$(gl_libraries "$app_pid") || fail "cannot read the program's map"
  [ -z "$gl" ] || fail "the program maps $gl"
fi

step "Exit clicked over DBusMenu"
sni click "$item" "E_xit" || fail "could not click Exit"
wait_exit "$app_pid" 20 || fail "the program did not end after Exit"
[ "$exit_code" -eq 0 ] || fail "exit code $exit_code after Exit"
log_has '\]\(Morvent Online\): Application closed but still connected\.$' || fail "no closing line"

if [ "$platform" = wayland ]; then
  items_at_least() { [ "$(wc -l <"$work/items")" -ge "$1" ]; }
  step "on a headless weston too: no Mesa driver or LLVM in the program's map"
  x11_compositor_pid=$compositor_pid
  start_compositor headless
  start_app app-headless.log
  wait_for 30 items_at_least 2 || fail "the icon did not register from the headless weston"
  gl=$(gl_libraries "$app_pid") || fail "cannot read the program's map"
  [ -z "$gl" ] || fail "the program maps $gl under the headless weston"
  sni click "$(sed -n 2p "$work/items")" "E_xit" || fail "could not click Exit"
  wait_exit "$app_pid" 20 || fail "the program did not end after Exit"
  export WAYLAND_DISPLAY=vantrel-e2e

  step "a client buffer integration named in the environment wins: EGL, with Mesa"
  QT_WAYLAND_CLIENT_BUFFER_INTEGRATION=wayland-egl start_app app-second.log
  wait_for 30 items_at_least 3 || fail "the third copy's icon did not register"
  item=$(sed -n 3p "$work/items")
  wait_for 20 tip_is "10.64.3.17" || fail "tip of the third copy: $(sni tip "$item" 2>&1)"
  gl=$(gl_libraries "$app_pid") || fail "cannot read the third copy's map"
  [[ "$gl" == *libEGL_mesa* ]] || fail "the third copy maps no libEGL_mesa"

  step "the compositor goes away under a connected copy: the orderly end"
  display_lost_while_connected "$x11_compositor_pid"
fi
! grep -n 'qt\.qpa\|QWidget\|QWindow\|QObject::' "$work"/app*.log || fail "Qt warnings on the program's output"

echo "e2e: 1 passed, 0 failed"
