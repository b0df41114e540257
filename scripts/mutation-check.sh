#!/usr/bin/env bash
# Seeds simple faults, one at a time, into the product code under PATHS and tells which ones the
# tests let through. Not part of CI: it builds and tests once per fault.
#
#   scripts/mutation-check.sh [--seed N] [--max N] [--timeout S] [--build DIR] [--lock-held]
#                             [--from FILE] [PATHS...]
#
# PATHS: folders or .cpp files (default: records lessons core). --max N (default 50) samples N
# faults, shared evenly among PATHS and drawn with --seed (default 1); 0 takes them all. --from
# FILE runs the faults listed in
# FILE instead (the survivors of an earlier run, which it writes to DIR/mutation-survivors.txt).
# The faults are built in a build folder of their own (default build-mutation/, made on the first
# run), and the test executables that cover the file run (without the sound tests), niced, with a
# time-out of S seconds (default 300): a fault is caught when one fails or hangs, survives when
# all pass, and is not counted when it does not compile. The file is always put back, also when
# the run is interrupted. Only each fault's build takes /tmp/rentabo-build.lock, so that it takes
# turns with other builds on the machine; the tests run without it (--lock-held: the caller holds
# the lock already).
#
# Time: with the build lock free, 2-15 s a fault on two busy cores (a rebuild of one file at -O1
# and the links of its test programs, then its tests; the recogniser's rules 2 s, the records'
# windows and history 12 s, the effect sounds 90 s as their tests speak), so forty faults over
# records, lessons, core and the recogniser's rules take four to five minutes; the waits for the
# lock come on top (one such run took 25 minutes, 19 of them three faults waiting behind other
# builds). The first run builds the folder first (some seven minutes).
# Reading the output: one line a fault, "[n/total] verdict file:line 'old' -> 'new' (seconds)";
# "caught by test_x (Suite.Case)" names the first test that failed (or "exit N" for a crash,
# "time-out" for a hang); "survived" is a fault every test
# let through; "broken" did not compile and is not counted. At the end, the share caught and the
# survivors, each to be answered by a test that fails with it, or shown to change nothing.
set -euo pipefail
shopt -s extglob

root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
seed=1
max=50
timeout=300
build=build-mutation
paths=()
while [ $# -gt 0 ]; do
  case "$1" in
    --seed) seed=$2; shift 2 ;;
    --max) max=$2; shift 2 ;;
    --timeout) timeout=$2; shift 2 ;;
    --build) build=$2; shift 2 ;;
    --lock-held) locked=1; shift ;;
    --from) from=$2; shift 2 ;;
    -h|--help) sed -n '2,/^[^#]/{/^#/p}' "$0"; exit 0 ;;
    *) paths+=("${1%/}"); shift ;;
  esac
done
[ ${#paths[@]} -gt 0 ] || paths=(records lessons core)
lock=(flock /tmp/rentabo-build.lock)
[ "${locked:-0}" = 1 ] && lock=()

# The test executables that cover a product file: those of its folder and of the folders that
# test it through their own; "name:filter" runs the named tests alone (the chart's tests without
# the voice enrolment, which makes speech and takes two minutes; the review's run is tested with
# the history it writes). The main window's tests (a minute and a half) are left out.
testsFor() {
  case "$1" in
    records/*) echo "test_records test_history test_record_windows" ;;
    lessons/EffectSounds.cpp) echo "test_voice" ;;
    lessons/LessonEngineReview.cpp) echo "test_lessons test_history" ;;
    lessons/*) echo "test_lessons test_chart:ChartWindow.*:TypedPhraseForm.*" ;;
    core/*) echo "test_core test_lessons test_records test_history test_speech" ;;
    speech/platform/AcceptancePolicy.cpp | speech/platform/VoiceJudge.cpp) echo "test_recognition_rules" ;;
    settings/*) echo "test_settings test_settings_windows" ;;
    speech/*) echo "test_speech test_recognition" ;;
    app/*) echo "test_app" ;;
    *) echo "" ;;
  esac
}

if [ ! -f "$build/build.ninja" ]; then
  model=()
  [ -d /tmp/rentabo-model ] && model=(-DRENTABO_PREBUILT_MODEL=/tmp/rentabo-model)
  # -O1: most of the time goes to rebuilding; the tests run as fast.
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE=-O1 \
    -DCMAKE_CXX_COMPILER_LAUNCHER=ccache \
    "${model[@]}" >/dev/null
fi

list=$(mktemp)
backup=$(mktemp)
output=$(mktemp)
current=""
restore() {
  if [ -n "$current" ]; then
    cp "$backup" "$current"
    current=""
  fi
}
trap 'restore; rm -f "$list" "$backup" "$output"' EXIT
trap 'exit 130' INT TERM

if [ -n "${from:-}" ]; then
  cp "$from" "$list"
  echo "$(wc -l <"$list") faults from $from; build folder $build"
else
  python3 scripts/mutants.py list "$seed" "$max" "${paths[@]}" >"$list"
  echo "$(wc -l <"$list") faults (seed $seed) in ${paths[*]}; build folder $build"
fi
total=$(wc -l <"$list")
survivorsFile=$build/mutation-survivors.txt
: >"$survivorsFile.new"

# The first build of everything the tests need, before any fault.
all=$(cut -d $'\x1f' -f1 "$list" | sort -u | while read -r f; do testsFor "$f"; done | tr ' ' '\n' | sed 's/:.*//' | sort -u | tr '\n' ' ')
"${lock[@]}" cmake --build "$build" -j2 --target $all >/dev/null || { echo "the unchanged code does not build"; exit 1; }

caught=0
survived=0
broken=0
n=0
survivors=()
started=$(date +%s)
while IFS=$'\x1f' read -r -u 3 file line column old new kind; do
  n=$((n + 1))
  tests=$(testsFor "$file")
  change="'${old}' -> '${new}'"
  [ "$kind" = "statement dropped" ] && change="dropped: ${old}"
  t0=$(date +%s)
  cp "$file" "$backup"
  current=$file
  python3 scripts/mutants.py apply "$file" "$line" "$column" "$old" "$new"
  # The build alone holds the lock; the tests run beside other work, niced.
  if ! "${lock[@]}" cmake --build "$build" -j2 --target ${tests//:*([^ ])/} >/dev/null 2>&1; then
    verdict=broken
  else
    verdict=survived
    for t in $tests; do
      name=${t%%:*}
      filter=*
      [ "$name" != "$t" ] && filter=${t#*:}
      exe=$(find "$build/tests" -maxdepth 2 -type f -name "$name" -perm -u+x | head -1)
      if QT_QPA_PLATFORM=offscreen timeout "$timeout" nice -n 10 "$exe" --gtest_brief=1 \
        "--gtest_filter=$filter" </dev/null >"$output" 2>&1; then
        continue
      else
        status=$?
      fi
      failed=$(grep -m1 -o '^\[  FAILED  \] [^ ,]*' "$output" | sed 's/.*\] //' || true)
      [ -n "$failed" ] || failed="exit $status"
      [ "$status" = 124 ] && failed="time-out"
      verdict="caught by $name ($failed)"
      break
    done
  fi
  restore
  t=$(($(date +%s) - t0))
  case "$verdict" in
    caught*) caught=$((caught + 1)) ;;
    survived)
      survived=$((survived + 1))
      survivors+=("$file:$line  $change")
      printf '%s\x1f%s\x1f%s\x1f%s\x1f%s\x1f%s\n' "$file" "$line" "$column" "$old" "$new" "$kind" >>"$survivorsFile.new"
      ;;
    *) broken=$((broken + 1)) ;;
  esac
  printf '[%d/%d] %s  %s:%s  %s  (%ss)\n' "$n" "$total" "$verdict" "$file" "$line" "$change" "$t"
done 3<"$list"

# Put the build back on the unchanged sources.
"${lock[@]}" cmake --build "$build" -j2 --target $all >/dev/null 2>&1 || true
judged=$((caught + survived))
echo
echo "Faults: $total; did not compile: $broken; caught: $caught of $judged" \
  "($([ $judged -gt 0 ] && echo $((100 * caught / judged)) || echo 0) %); $(($(date +%s) - started)) s"
mv "$survivorsFile.new" "$survivorsFile"
if [ ${#survivors[@]} -gt 0 ]; then
  echo "Survivors (each a fault no test noticed: add a test, or see why it changes nothing):"
  printf '  %s\n' "${survivors[@]}"
fi
