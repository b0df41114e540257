#!/bin/bash
# Starts Rentabo on a virtual display and saves a screenshot: scripts/screenshot.sh OUT.png
# Optional settings:
#   RENTABO_DISPLAY=:N      the display to start Xvfb on (default: a random one of :90-:98)
#   RENTABO_SETTINGS=FILE   a RentaboV24.ini to start with (colours, name, records, mode)
#   RENTABO_KEYS="k1 k2"    keys (xdotool names) pressed in the program before the shot; a word
#                           written text:WORD is typed as text instead
#   RENTABO_SCALE=F         the screen scaled by F (QT_SCALE_FACTOR, as a desktop set to 200 %
#                           gives it): the display is F times larger and the shot is in its pixels
#   RENTABO_CROP=window     only the main window with its title bar, not the whole display
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
build=${RENTABO_BUILD_DIR:-$here/build}
out=${1:?usage: screenshot.sh OUT.png}
display=${RENTABO_DISPLAY:-:$((90 + RANDOM % 9))}
scale=${RENTABO_SCALE:-1}
size=$(awk -v f="$scale" 'BEGIN { if (f <= 0) exit 1; printf "%dx%d", 1024 * f + 0.5, 1000 * f + 0.5 }') ||
  { echo "screenshot: RENTABO_SCALE must be a number above 0"; exit 2; }
Xvfb "$display" -screen 0 "${size}x24" -nolisten tcp >/dev/null 2>&1 &
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
DISPLAY=$display QT_SCALE_FACTOR=$scale "$home/rentabo" &
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
rect=()
if [ "${RENTABO_CROP:-}" = window ]; then
  sleep "$(awk -v d="$delay" 'BEGIN { print d / 1000 }')"
  delay=0
  win=$(DISPLAY=$display xdotool search --onlyvisible --pid "$prog" --name Rentabo | head -n 1)
  eval "$(DISPLAY=$display xdotool getwindowgeometry --shell "$win")"
  # The window manager's title bar above the window (it is not scaled).
  title=21
  rect=("$X" "$((Y - title))" "$WIDTH" "$((HEIGHT + title))")
fi
DISPLAY=$display "$build/tools/grab-screen/grab-screen" "$out" "$delay" "${rect[@]}"
echo "saved $out"
