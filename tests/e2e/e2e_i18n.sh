#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# End-to-end test of the user's language: with a German locale the tray menu
# answers to its German keys and a window comes up with its German caption,
# while the connection log it writes is the English run's, byte for byte once
# the clock's digits are set aside. Qt reads the language from LANG (or
# LC_ALL, LC_MESSAGES, LANGUAGE) itself, so no generated system locale is
# needed for the program's texts.
source "$(dirname "$0")/lib.sh"
start_display
start_tray

# One run in the given language: connected in LAN mode with the log on, the
# about window opened from the menu by its key and closed by its OK button, then
# Exit by its key. The log is kept, with its digits masked, as $work/log.$1.
# A visible window by its exact caption as the program set it (UTF-8, read
# back by getwindowname: xdotool's --name matches the Latin-1 WM_NAME, where
# "Über" has another byte).
caption_window() { # caption
  local w
  for w in $(xdotool search --onlyvisible --name . 2>/dev/null); do
    [ "$(xdotool getwindowname "$w" 2>/dev/null)" = "$1" ] && { echo "$w"; return 0; }
  done
  return 1
}
caption_shown() { caption_window "$1" >/dev/null; }
caption_gone() { ! caption_shown "$1"; }

run_in() { # name LANG about-key about-caption exit-key
  step "$1: start with LANG=$2"
  rm -f "$log"
  write_settings 1 1 0
  LANG=$2 LC_ALL= LC_MESSAGES= LANGUAGE= start_app "app-$1.log"
  wait_for 40 find_icon || fail "$1: no tray icon appeared"
  wait_for 15 log_has '\]\(\): Connected\.$' || fail "$1: no Connected line in the log"

  step "$1: the about window by the menu key '$3'"
  menu_item "$3"
  wait_for 10 caption_shown "$4" || fail "$1: no window captioned '$4' after the menu key '$3'"
  # Its OK button, centred at the foot of the window, which is as large as its
  # texts need (no window manager runs: the geometry is the inside).
  local X Y WIDTH HEIGHT SCREEN WINDOW
  eval "$(xdotool getwindowgeometry --shell "$(caption_window "$4")")"
  point_at $((X + WIDTH / 2)) $((Y + HEIGHT - 17))
  xdotool click 1
  wait_for 10 caption_gone "$4" || fail "$1: the window '$4' did not close"

  step "$1: Exit by the menu key '$5'"
  menu_item "$5"
  wait_exit "$app_pid" 20 || fail "$1: the program did not end after the menu key '$5'"
  [ "$exit_code" -eq 0 ] || fail "$1: exit code $exit_code"
  log_has 'Application closed but still connected\.$' || fail "$1: no closing line in the log"
  sed 's/[0-9]/#/g' "$log" >"$work/log.$1"
}

run_in german de_DE.UTF-8 b 'Über Vantrel' e
# The English keys do nothing in German: the same run, English, proves that
# the captions above came from the translation.
run_in english C.UTF-8 a 'About Vantrel' x

step "the log is the same in both languages"
cmp "$work/log.german" "$work/log.english" || fail "the German run wrote a different log: $(diff "$work/log.german" "$work/log.english")"
echo "PASS"
