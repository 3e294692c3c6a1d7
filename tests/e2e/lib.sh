# SPDX-License-Identifier: GPL-3.0-or-later
# Shared part of the end-to-end tests, sourced by each e2e_*.sh / run_e2e.sh.
# They drive the real program in a real XEmbed tray as a person would: right
# click on the icon, menu items by their keys, double clicks, the clipboard read
# back, the log file read back.
#
# Usage of every script: SCRIPT VANTREL_BINARY VANTREL_LINE_BINARY
#
# A script starts its own Xvfb (start_display, on a free display), its own trayer
# (start_tray) and its own copies of the program, in a temporary HOME; it ends
# only those processes. Exit 77 (skipped) when a needed tool is missing, except
# under CI, where that is a failure: the test command installs every tool, so a
# missing one means a broken install.
set -euo pipefail

app_binary=${1:?usage: $0 VANTREL_BINARY VANTREL_LINE_BINARY}
line_binary=${2:?usage: $0 VANTREL_BINARY VANTREL_LINE_BINARY}

skip() {
  echo "SKIP: $* (scripts/install-deps.sh installs it)"
  [ "${CI:-}" = "true" ] && exit 1
  exit 77
}
need_tools() {
  local tool
  for tool in "$@"; do
    command -v "$tool" >/dev/null 2>&1 || skip "$tool is not installed"
  done
}
need_tools Xvfb trayer xdotool xclip

work=$(mktemp -d "${TMPDIR:-/tmp}/vantrel-e2e.XXXXXX")
pids=()

cleanup() {
  local rc=$?
  # Only what this script started and is still running (a job not yet
  # reaped, so its PID cannot belong to anybody else), newest first.
  local running
  running=" $(jobs -p | tr '\n' ' ') "
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
    case "$running" in *" ${pids[i]} "*) kill "${pids[i]}" 2>/dev/null || true ;; esac
  done
  wait 2>/dev/null || true
  if [ "$rc" -ne 0 ] && [ "$rc" -ne 77 ]; then
    echo "--- program output ---"
    cat "$work"/app*.log 2>/dev/null || true
    echo "--- log file ---"
    cat "$work/bin/Vantrel.log" 2>/dev/null || true
  fi
  rm -rf "$work"
  exit "$rc"
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*"
  exit 1
}
step() { echo "--- [${SECONDS}s] $*"; }

# Waits up to $1 seconds for the command after it to succeed.
wait_for() {
  local seconds=$1
  shift
  local deadline=$((SECONDS + seconds))
  until "$@"; do
    [ "$SECONDS" -lt "$deadline" ] || return 1
    sleep 0.2
  done
}

# --- a display, a tray host, a private profile ----------------------------------

start_display() {
step "starting Xvfb"
# A display number of its own, drawn at random from a range desktops and
# other tools leave alone: -displayfd takes the lowest free number, which
# tests started at the same moment (here and in other checkouts) race for,
# and a server that lost the race ends after naming its display. So this
# Xvfb must still run once its display answers, or another number is tried.
local attempt xvfb state started=
for attempt in 1 2 3 4 5; do
  local number=$((200 + RANDOM % 700))
  [ -e "/tmp/.X$number-lock" ] || [ -e "/tmp/.X11-unix/X$number" ] && continue
  export DISPLAY=":$number"
  # shellcheck disable=SC2086 # VANTREL_XVFB_ARGS: extra words for Xvfb (e2e_lan)
  Xvfb "$DISPLAY" ${VANTREL_XVFB_ARGS:-} -screen 0 1024x768x24 -nolisten tcp >>"$work/xvfb.log" 2>&1 &
  xvfb=$!
  pids+=("$xvfb")
  if wait_for 30 xdotool getdisplaygeometry >/dev/null 2>&1 && state=$(ps -o stat= -p "$xvfb") && [[ $state != Z* ]]; then
    started=$attempt
    break
  fi
done
[ -n "$started" ] || fail "Xvfb did not start: $(cat "$work/xvfb.log")"

export HOME="$work/home"
export XDG_CONFIG_HOME="$HOME/.config"
export XDG_RUNTIME_DIR="$work/run"
mkdir -p "$XDG_CONFIG_HOME/vantrel" "$XDG_RUNTIME_DIR" "$work/bin"
chmod 700 "$XDG_RUNTIME_DIR"
# Never the desktop's session bus: a StatusNotifierItem watcher there would
# take the icon away from the XEmbed tray this test drives.
unset DBUS_SESSION_BUS_ADDRESS
export QT_QPA_PLATFORM=xcb
unset QT_QPA_PLATFORMTHEME
export VANTREL_SIMLINE_SPEED=0
# The simulated line, even on a machine where NetworkManager runs (e2e_nm.sh
# unsets this to test the choice).
export VANTREL_RAS_BACKEND=simline

# The log lands next to the program file: run a copy in a folder of our own.
cp "$app_binary" "$work/bin/vantrel"
log="$work/bin/Vantrel.log"
}

# A Wayland compositor on the Xvfb of start_display: weston with its X11
# backend, whose seat has a keyboard. (Its headless backend has no seat at all,
# and with no seat there is no keyboard focus and no clipboard.) From here on
# the program and the clipboard helpers speak Wayland only: DISPLAY is unset,
# so nothing can fall back to X11 unseen. "start_compositor headless" starts
# weston's headless backend instead, for what needs no input.
start_compositor() { # [headless]
local backend=(--backend=x11-backend.so --use-pixman --width=800 --height=600) socket=vantrel-e2e
[ "${1:-}" = headless ] && backend=(--backend=headless-backend.so) socket=vantrel-e2e-headless
step "starting weston ($socket)"
need_tools weston wl-copy wl-paste
compgen -G "/usr/lib/*/qt6/plugins/platforms/libqwayland-generic.so" >/dev/null \
  || skip "Qt's Wayland platform plugin (Debian: qt6-wayland) is not installed"
weston "${backend[@]}" --socket="$socket" --idle-time=0 --no-config --log="$work/$socket.log" >/dev/null 2>&1 &
compositor_pid=$!
pids+=("$compositor_pid")
wait_for 30 test -S "$XDG_RUNTIME_DIR/$socket" || fail "weston did not start: $(cat "$work/$socket.log")"
export WAYLAND_DISPLAY=$socket QT_QPA_PLATFORM=wayland
unset DISPLAY
}

# The Mesa and LLVM libraries in a running process's map (EGL brought up), on
# one line; fails when the map cannot be read (the process is gone).
gl_libraries() { # pid
  local maps
  maps=$(cat "/proc/$1/maps") && [ -n "$maps" ] || return 1
  grep -Eo '[^/ ]*(swrast|libEGL_mesa|libLLVM)[^/ ]*$' <<<"$maps" | sort -u | tr '\n' ' ' || true
}

tray_pid=
start_tray() {
step "starting trayer on $DISPLAY"
trayer --edge bottom --align right --widthtype pixel --width 96 --heighttype pixel --height 32 \
  --transparent false --tint 0xc0c0c0 >"$work/trayer.log" 2>&1 &
tray_pid=$!
pids+=("$tray_pid")
wait_for 40 xdotool search --class trayer >/dev/null || { cat "$work/trayer.log" "$work/xvfb.log"; fail "trayer did not start"; }
}

write_settings() { # conn log def
  printf 'WINE REGISTRY Version 2\n\n[Software\\\\Morvent\\\\Vantrel]\n"Conn"=dword:%08x\n"Log"=dword:%08x\n"Def"=dword:%08x\n"Anim"=dword:00000001\n' \
    "$1" "$2" "$3" >"$XDG_CONFIG_HOME/vantrel/user.reg"
}

app_pid=
start_app() { # log-name
  "$work/bin/vantrel" >"$work/$1" 2>&1 &
  app_pid=$!
  pids+=("$app_pid")
}

# The tray icon: a small visible window of the program, docked in trayer.
icon_window() {
  local w
  for w in $(xdotool search --onlyvisible --class vantrel 2>/dev/null); do
    local width
    width=$(xdotool getwindowgeometry --shell "$w" | sed -n 's/^WIDTH=//p')
    if [ -n "$width" ] && [ "$width" -le 64 ]; then
      echo "$w"
      return 0
    fi
  done
  return 1
}
icon_x= icon_y=
find_icon() {
  local w
  w=$(icon_window) || return 1
  local X Y WIDTH HEIGHT SCREEN WINDOW
  eval "$(xdotool getwindowgeometry --shell "$w")"
  icon_x=$((X + WIDTH / 2))
  icon_y=$((Y + HEIGHT / 2))
}

# xdotool's --sync waits for the pointer to move, which it never does when it
# is there already (then it gives up after 15 s): move only when needed.
point_at() { # x y
  local X Y SCREEN WINDOW
  eval "$(xdotool getmouselocation --shell)"
  if [ "$X" != "$1" ] || [ "$Y" != "$2" ]; then
    xdotool mousemove --sync "$1" "$2"
  fi
}
right_click_icon() {
  point_at "$icon_x" "$icon_y"
  xdotool click 3
  sleep 0.4 # the menu maps
}
double_click_icon() {
  point_at "$icon_x" "$icon_y"
  xdotool click --repeat 2 --delay 80 1
}
single_click_icon() {
  point_at "$icon_x" "$icon_y"
  xdotool click 1
}
menu_item() { # key of the item (its underlined letter)
  right_click_icon
  xdotool key "$1"
}

# The clipboard holds our marker until the program takes it over. xclip (or
# wl-copy under a Wayland compositor) serves it in the foreground and ends when
# it loses the selection. Read back by another client: xclip, or wl-paste.
seed_clipboard() {
  if [ -n "${WAYLAND_DISPLAY:-}" ]; then
    printf '%s' "$1" | wl-copy --foreground >/dev/null 2>&1 &
  else
    printf '%s' "$1" | xclip -selection clipboard -i -quiet >/dev/null 2>&1 &
  fi
  pids+=($!)
  wait_for 5 clipboard_is "$1" || fail "could not seed the clipboard"
}
clipboard() {
  if [ -n "${WAYLAND_DISPLAY:-}" ]; then
    wl-paste --no-newline 2>/dev/null || true
  else
    xclip -selection clipboard -o 2>/dev/null || true
  fi
}
clipboard_is() { [ "$(clipboard)" = "$1" ]; }
clipboard_matches() { clipboard | grep -Eq "$1"; }

# Copies by the given action until the clipboard matches (the first poll tick
# comes 2 s after start-up).
copy_until() { # pattern action...
  local pattern=$1
  shift
  local deadline=$((SECONDS + 30))
  while [ "$SECONDS" -lt "$deadline" ]; do
    seed_clipboard "e2e-marker"
    "$@"
    if wait_for 3 clipboard_matches "$pattern"; then
      return 0
    fi
  done
  return 1
}

log_has() { [ -f "$log" ] && tr -d '\r' <"$log" | grep -Eq "$1"; }

wait_exit() { # pid seconds -> sets exit_code
  local deadline=$((SECONDS + $2))
  while kill -0 "$1" 2>/dev/null; do
    [ "$SECONDS" -lt "$deadline" ] || return 1
    sleep 0.2
  done
  exit_code=0
  wait "$1" || exit_code=$?
}

# The display (the X server or the Wayland compositor, by its PID) is killed
# under the connected program: it ends with the closing line, exit code 0, and
# its single-instance socket gone.
display_lost_while_connected() { # display-pid
  local lines
  lines=$(grep -c 'Application closed but still connected' "$log" || true)
  kill -TERM "$1"
  wait_exit "$app_pid" 20 || fail "the program outlived its display"
  [ "$exit_code" -eq 0 ] || fail "exit code $exit_code when the display went away"
  [ "$(grep -c 'Application closed but still connected' "$log")" -gt "$lines" ] || fail "no closing line when the display went away"
  [ ! -e "$XDG_RUNTIME_DIR/TfmVantrel" ] || fail "the socket stayed when the display went away"
}

# Windows of the program by their exact caption.
window_shown() { xdotool search --onlyvisible --name "^$1\$" >/dev/null 2>&1; }
window_gone() { ! window_shown "$1"; }

# Connect from the tray menu: the progress window comes and goes, the address
# (a pattern) is copied by double click, and the log names the entry.
dial_from_tray() { # entry address-pattern
  menu_item c
  wait_for 10 window_shown "Vantrel - $1" || fail "the progress window did not come"
  wait_for 30 window_gone "Vantrel - $1" || fail "the progress window did not go"
  copy_until "$2" double_click_icon || fail "no address after the dial (clipboard: $(clipboard))"
  wait_for 5 log_has "\\]\\($1\\): Connected\\.\$" || fail "the log does not name $1"
}

# Disconnect from the tray menu: the progress window shows the hang-up, the
# network reads down and the log has the Disconnected line.
hang_up_from_tray() { # entry
  menu_item d
  wait_for 10 window_shown "Vantrel - $1" || fail "the progress window did not show the hang-up"
  wait_for 20 window_gone "Vantrel - $1" || fail "the progress window stayed after the hang-up"
  copy_until '^Network is down$' double_click_icon || fail "still connected after the hang-up (clipboard: $(clipboard))"
  wait_for 5 log_has "\\]\\($1\\): Disconnected\\.\$" || fail "no Disconnected line for $1"
}
