#!/bin/bash
# Start-up as a family sees it: the time from starting a program to its window being mapped on
# an X server, as `xdotool search` sees it (asked every 10 ms), for Rentabo and for Debian's gcompris-qt (which
# this script installs when it is missing), RUNS (5) alternating runs each, each as a new user (a
# fresh home folder). Prints every run, the medians and the ratio.
#   bench/startup/compare.sh [RENTABO_PROGRAM] [RUNS]
# RENTABO_PROGRAM defaults to the build's build/app/rentabo; give /usr/bin/rentabo for the
# installed package. Runs on an Xvfb server of its own, without a window manager.
set -eu
here=$(cd "$(dirname "$0")/../.." && pwd)
rentabo=${1:-$here/build/app/rentabo}
runs=${2:-5}
if [ "$(id -u)" -eq 0 ]; then sudo=(); else sudo=(sudo); fi

# Debian puts it in /usr/games, which root's PATH leaves out.
gcompris=$(command -v gcompris-qt || echo /usr/games/gcompris-qt)
if [ ! -x "$gcompris" ]; then
  echo "compare: installing gcompris-qt to compare with"
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq gcompris-qt > /dev/null
fi

work=$(mktemp -d)
# The display number RENTABO_BENCH_DISPLAY asks for, or the first free one.
if [ -n "${RENTABO_BENCH_DISPLAY:-}" ]; then
  Xvfb ":$RENTABO_BENCH_DISPLAY" -screen 0 1920x1080x24 -nolisten tcp > /dev/null 2>&1 &
  echo "$RENTABO_BENCH_DISPLAY" > "$work/display"
else
  exec 3> "$work/display"
  Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp > /dev/null 2>&1 &
fi
xvfb=$!
trap 'kill $xvfb 2>/dev/null; rm -rf "$work"' EXIT
for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=:$(cat "$work/display")
for _ in $(seq 50); do xdotool getdisplaygeometry > /dev/null 2>&1 && break; sleep 0.1; done

# The program keeps its settings beside itself when that folder can be written (a build, or any
# folder as root): they are removed before each run, so that every run is a first one.
beside=$(dirname "$(readlink -f "$rentabo")")
[ -x "$beside/rentabo" ] || beside=$(dirname "$(readlink -f "$rentabo")")/../lib/rentabo
fresh() { rm -rf "$beside/RentaboV24.ini" "$beside/RentaboVoice"; }

# measure SEARCH COMMAND...: seconds from the start to the first visible window the search finds
# (a window name, or "pid" for any window of the process).
measure() {
  local search=("$1"); shift
  local home
  fresh
  home=$(mktemp -d "$work/home.XXXXXX")
  mkdir -m 700 "$home/run"
  local start end pid
  start=$(date +%s.%N)
  HOME=$home XDG_RUNTIME_DIR=$home/run XDG_CONFIG_HOME=$home/.config XDG_DATA_HOME=$home/.local/share \
    "$@" > /dev/null 2>&1 &
  pid=$!
  # xdotool's own --sync looks only every half second; this looks every 10 ms.
  local what=(--name "${search[0]}")
  [ "${search[0]}" = pid ] && what=(--pid "$pid")
  local deadline=$((SECONDS + 60))
  until xdotool search --onlyvisible "${what[@]}" > /dev/null 2>&1; do
    if [ $SECONDS -ge $deadline ] || ! kill -0 "$pid" 2> /dev/null; then
      echo "compare: no window from $*" >&2
      kill "$pid" 2> /dev/null
      exit 1
    fi
    sleep 0.01
  done
  end=$(date +%s.%N)
  kill "$pid" 2> /dev/null || true
  wait "$pid" 2> /dev/null || true
  echo "$end - $start" | bc
}

median() { sort -n | awk '{a[NR]=$1} END {print (NR % 2) ? a[(NR+1)/2] : (a[NR/2] + a[NR/2+1]) / 2}'; }

r=() g=()
for i in $(seq "$runs"); do
  r+=("$(measure 'Speak&Hear' "$rentabo")")
  g+=("$(measure pid "$gcompris")")
  [ -n "${r[-1]}" ] && [ -n "${g[-1]}" ] || exit 1
  echo "run $i: rentabo main window ${r[-1]} s, gcompris-qt window ${g[-1]} s"
done
mr=$(printf '%s\n' "${r[@]}" | median)
mg=$(printf '%s\n' "${g[@]}" | median)
echo "median: rentabo ${mr} s, gcompris-qt ${mg} s, ratio $(echo "scale=2; $mr / $mg" | bc)"

# With BREAKDOWN=1, Rentabo again with one part of its start taken away at a time.
[ "${BREAKDOWN:-0}" = 1 ] || exit 0
variant() {
  local name=$1; shift
  local t=()
  for _ in $(seq "$runs"); do t+=("$("$@")"); done
  echo "$name: median $(printf '%s\n' "${t[@]}" | median) s"
}
# The recogniser's decoders: a model folder whose manifest refuses it, so none is made.
mkdir -p "$work/nomodel" && : > "$work/nomodel/mdef"
printf 'rentabo-model 1\nfile mdef 1 0\n' > "$work/nomodel/manifest.txt"
variant "splash window" measure pid "$rentabo"
variant "main window, no decoders" measure 'Speak&Hear' env RENTABO_MODEL_DIR="$work/nomodel" "$rentabo"
# The dynamic loader's share: its own count of the time spent loading and relocating libraries.
LD_DEBUG=statistics LD_DEBUG_OUTPUT=$work/ld measure 'Speak&Hear' "$rentabo" > /dev/null
echo "dynamic loading and relocation: $(grep -h 'total startup time in dynamic loader' "$work"/ld.* | head -1 | sed 's/.*loader: *//')"
