#!/bin/bash
# Starts Rentabo on a virtual display and saves a screenshot: scripts/screenshot.sh OUT.png
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
build=${RENTABO_BUILD_DIR:-$here/build}
out=${1:?usage: screenshot.sh OUT.png}
display=:$((90 + RANDOM % 9))
Xvfb "$display" -screen 0 1024x1000x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
home=$(mktemp -d)
cp -r "$build/app/." "$home/"
prog=""; wm=""
trap 'kill $prog $wm $xvfb 2>/dev/null; rm -rf "$home"' EXIT
sleep 1
# A window manager draws the title bar with the caption.
DISPLAY=$display openbox >/dev/null 2>&1 &
wm=$!
sleep 0.5
DISPLAY=$display "$home/rentabo" &
prog=$!
DISPLAY=$display "$build/tools/grab-screen/grab-screen" "$out" 3500
echo "saved $out"
