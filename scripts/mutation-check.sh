#!/usr/bin/env bash
# Seeds simple faults, one at a time, into the product code under PATHS and tells which ones the
# tests let through. Not part of CI: it builds and tests once per fault.
#
#   scripts/mutation-check.sh [--seed N] [--max N] [--timeout S] [--build DIR] [--lock-held] [PATHS...]
#
# PATHS: folders or .cpp files (default: records lessons core). --max N (default 50) samples N
# faults, drawn with --seed (default 1); 0 takes them all. Each fault is built in its own build folder
# (default build-mutation/, made on the first run), and the test executables of its layer run
# (without the sound tests) with a time-out of S seconds (default 300): a fault is caught when one
# fails or hangs, survives when all pass, and is not counted when it does not compile. The file is
# always put back, also when the run is interrupted. Each fault's build and tests take
# /tmp/rentabo-build.lock, so that they take turns with other builds on the machine
# (--lock-held: the caller holds it already).
set -euo pipefail

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
    -h|--help) sed -n '2,15p' "$0"; exit 0 ;;
    *) paths+=("${1%/}"); shift ;;
  esac
done
[ ${#paths[@]} -gt 0 ] || paths=(records lessons core)
lock=(flock /tmp/rentabo-build.lock)
[ "${locked:-0}" = 1 ] && lock=()

# The test executables that cover a product file: those of its folder and of the folders that
# test it through their own; "name:filter" runs the named tests alone (the chart's tests without
# the voice enrolment, which makes speech and takes two minutes). The main window's tests (a
# minute and a half) are left out.
testsFor() {
  case "$1" in
    records/*) echo "test_records test_history test_record_windows" ;;
    lessons/*) echo "test_lessons test_chart:ChartWindow.*:TypedPhraseForm.*" ;;
    core/*) echo "test_lessons test_records test_history test_speech" ;;
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
current=""
restore() {
  if [ -n "$current" ]; then
    cp "$backup" "$current"
    current=""
  fi
}
trap 'restore; rm -f "$list" "$backup"' EXIT
trap 'exit 130' INT TERM

python3 scripts/mutants.py list "$seed" "$max" "${paths[@]}" >"$list"
total=$(wc -l <"$list")
echo "$total faults (seed $seed) in ${paths[*]}; build folder $build"

# The first build of everything the tests need, before any fault.
all=$(for p in "${paths[@]}"; do testsFor "$p/"; done | tr ' ' '\n' | sed 's/:.*//' | sort -u | tr '\n' ' ')
"${lock[@]}" cmake --build "$build" -j2 --target $all >/dev/null || { echo "the unchanged code does not build"; exit 1; }

caught=0
survived=0
broken=0
n=0
survivors=()
started=$(date +%s)
while IFS=$'\x1f' read -r file line column old new kind; do
  n=$((n + 1))
  tests=$(testsFor "$file")
  change="'${old}' -> '${new}'"
  [ "$kind" = "statement dropped" ] && change="dropped: ${old}"
  t0=$(date +%s)
  cp "$file" "$backup"
  current=$file
  python3 scripts/mutants.py apply "$file" "$line" "$column" "$old" "$new"
  verdict=$("${lock[@]}" bash -c '
    build=$1; timeout=$2; shift 2
    cmake --build "$build" -j2 --target "${@%%:*}" >/dev/null 2>&1 || { echo broken; exit; }
    for t in "$@"; do
      name=${t%%:*}
      filter=*
      [ "$name" != "$t" ] && filter=${t#*:}
      exe=$(find "$build/tests" -maxdepth 2 -type f -name "$name" -perm -u+x | head -1)
      QT_QPA_PLATFORM=offscreen timeout "$timeout" "$exe" --gtest_brief=1 "--gtest_filter=$filter" \
        >/dev/null 2>&1 || { echo "caught by $name"; exit; }
    done
    echo survived' _ "$build" "$timeout" $tests)
  restore
  t=$(($(date +%s) - t0))
  case "$verdict" in
    caught*) caught=$((caught + 1)) ;;
    survived) survived=$((survived + 1)); survivors+=("$file:$line  $change") ;;
    *) broken=$((broken + 1)) ;;
  esac
  printf '[%d/%d] %-22s %s:%s  %s  (%ss)\n' "$n" "$total" "$verdict" "$file" "$line" "$change" "$t"
done <"$list"

# Put the build back on the unchanged sources.
"${lock[@]}" cmake --build "$build" -j2 --target $all >/dev/null 2>&1 || true
judged=$((caught + survived))
echo
echo "Faults: $total; did not compile: $broken; caught: $caught of $judged" \
  "($([ $judged -gt 0 ] && echo $((100 * caught / judged)) || echo 0) %); $(($(date +%s) - started)) s"
if [ ${#survivors[@]} -gt 0 ]; then
  echo "Survivors (each a fault no test noticed: add a test, or see why it changes nothing):"
  printf '  %s\n' "${survivors[@]}"
fi
