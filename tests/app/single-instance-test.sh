#!/bin/bash
# The single-instance guard with real processes on a virtual display: a second start, in the same
# session or in another log-in of the same user (a runtime folder of its own), shows
# "すでに起動中です。" and ends with code 1 while the first keeps running; after the first is
# killed, a new start succeeds although the killed copy's lock file is left.
#   single-instance-test.sh PATH/TO/rentabo
set -u
program=${1:?usage: single-instance-test.sh PATH/TO/rentabo}
for tool in Xvfb xdotool; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done

work=$(mktemp -d)
first="" second="" third="" xvfb=""
cleanup() { kill -9 $first $second $third $xvfb 2>/dev/null; rm -rf "$work"; }
trap cleanup EXIT
export XDG_RUNTIME_DIR=$work/run XDG_CONFIG_HOME=$work/config HOME=$work
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
# A copy of the program's folder, so its settings file lands here and not beside the build.
mkdir -p "$work/app"
cp -r "$(dirname "$program")"/. "$work/app/"
# Xvfb picks a free display itself and writes its number once it is ready, so tests running side
# by side never share one. Without -noreset the server resets when its last client goes (the
# killed first copy), and a start during that reset cannot connect.
Xvfb -displayfd 3 -noreset -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
xvfb=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || { echo "FAIL: Xvfb did not start"; exit 1; }
export DISPLAY=:$(head -n 1 "$work/display")

fail() { echo "FAIL: $*"; exit 1; }
running() { kill -0 "$1" 2>/dev/null; }
# Waits until a process has a visible window, whose title matches $2 when given (up to 30 s on a
# busy machine); prints its id.
window_of() {
  for _ in $(seq 300); do
    if [ -n "${2:-}" ]; then
      id=$(xdotool search --all --onlyvisible --pid "$1" --name "$2" 2>/dev/null | head -n 1)
    else
      id=$(xdotool search --onlyvisible --pid "$1" 2>/dev/null | head -n 1)
    fi
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.1
  done
  return 1
}

"$work/app/rentabo" >"$work/first.log" 2>&1 &
first=$!
window_of "$first" Rentabo >/dev/null || fail "the first copy shows no window: $(tail -n 5 "$work/first.log")"

# A second copy is refused: it shows its message and ends with code 1, the first keeps running.
# $1 names the case; the copy runs with the environment given after it.
refused() {
  local what=$1; shift
  env "$@" "$work/app/rentabo" >"$work/second.log" 2>&1 &
  second=$!
  box=$(window_of "$second") || fail "$what: the second copy shows no message"
  name=$(xdotool getwindowname "$box")
  # The box has no caption of its own; its text is checked through the program's exit instead.
  # No window manager runs here: the box is given the focus itself, and Return is pressed
  # again until the copy ends (a key may arrive before the box is ready for it).
  for _ in $(seq 20); do
    running "$second" || break
    xdotool windowfocus --sync "$box" key --clearmodifiers Return 2>/dev/null ||
      xdotool key --window "$box" Return 2>/dev/null
    for _ in $(seq 5); do running "$second" || break; sleep 0.1; done
  done
  running "$second" && fail "$what: the second copy did not end after its message"
  wait "$second"
  code=$?
  second=""
  [ "$code" -eq 1 ] || fail "$what: the second copy ended with $code, not 1 (window '$name')"
  running "$first" || fail "$what: the first copy ended too"
}
refused "the same session"
# Another log-in of the same user: a runtime folder of its own, the same settings file.
mkdir -p "$work/run2" && chmod 700 "$work/run2"
refused "another log-in" XDG_RUNTIME_DIR="$work/run2"

kill -9 "$first"
wait "$first" 2>/dev/null
first=""
# The killed copy's lock beside the settings file is left; the next start takes it over.
[ -f "$work/app/RentaboV24.ini.rentabo-lock" ] || fail "no lock file beside the settings file"
"$work/app/rentabo" >"$work/third.log" 2>&1 &
third=$!
window_of "$third" Rentabo >/dev/null ||
  fail "a start after a killed copy shows no main window: $(tail -n 5 "$work/third.log")"
sleep 1
running "$third" || fail "a start after a killed copy did not stay up"
echo "1 passed, 0 failed"
