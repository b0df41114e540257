#!/bin/bash
# Starts Rentabo on a virtual display and saves a screenshot: scripts/screenshot.sh OUT.png
# Optional settings:
#   RENTABO_DISPLAY=:N      the display to start Xvfb on (default: a random one of :90-:98)
#   RENTABO_SETTINGS=FILE   a RentaboV24.ini to start with (colours, name, records, mode)
#   RENTABO_KEYS="k1 k2"    keys (xdotool names) pressed in the program before the shot; a word
#                           written text:WORD is typed as text instead
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
build=${RENTABO_BUILD_DIR:-$here/build}
out=${1:?usage: screenshot.sh OUT.png}
display=${RENTABO_DISPLAY:-:$((90 + RANDOM % 9))}
Xvfb "$display" -screen 0 1024x1000x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
home=$(mktemp -d)
# The program saves when it is ended; its fallback folder must not be the user's own.
export XDG_CONFIG_HOME=$home/config
cp -r "$build/app/." "$home/"
[ -n "${RENTABO_SETTINGS:-}" ] && cp "$RENTABO_SETTINGS" "$home/RentaboV24.ini"
prog=""; wm=""
trap 'kill $prog 2>/dev/null; wait $prog 2>/dev/null; kill $wm $xvfb 2>/dev/null; rm -rf "$home"' EXIT
sleep 1
# A window manager draws the title bar with the caption.
DISPLAY=$display openbox >/dev/null 2>&1 &
wm=$!
sleep 0.5
DISPLAY=$display "$home/rentabo" &
prog=$!
delay=3500
if [ -n "${RENTABO_KEYS:-}" ]; then
  # After the splash has gone, to the main window; each key is given time to take effect.
  sleep 4
  win=$(DISPLAY=$display xdotool search --onlyvisible --pid "$prog" --name Rentabo | head -n 1)
  DISPLAY=$display xdotool windowactivate --sync "$win" >/dev/null 2>&1 || true
  for key in $RENTABO_KEYS; do
    case $key in
      text:*) DISPLAY=$display xdotool type --delay 100 "${key#text:}" ;;
      *) DISPLAY=$display xdotool key --clearmodifiers "$key" ;;
    esac
    sleep 0.7
  done
  delay=1500
fi
DISPLAY=$display "$build/tools/grab-screen/grab-screen" "$out" "$delay"
echo "saved $out"
