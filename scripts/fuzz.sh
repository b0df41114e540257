#!/bin/bash
# Builds the libFuzzer targets with clang into build-fuzz/ (or $RENTABO_FUZZ_BUILD_DIR) and runs
# each for $RENTABO_FUZZ_SECONDS (60) seconds from its corpus in tests/fuzz/corpus. A crash, a
# sanitizer report, a leak or a time-out fails the run and leaves the input in build-fuzz/found.
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
build=${RENTABO_FUZZ_BUILD_DIR:-$here/build-fuzz}
seconds=${RENTABO_FUZZ_SECONDS:-60}
targets=(settings records grammar wav)
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
if [ ! -f "$build/CMakeCache.txt" ]; then
  CC=clang CXX=clang++ cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" \
    -DRENTABO_FUZZ=ON -DRENTABO_BUILD_BENCH=OFF
fi
cmake --build "$build" -j "$(nproc)" --target "${targets[@]/#/fuzz_}"

found=$build/found
mkdir -p "$found"
failed=()
for t in "${targets[@]}"; do
  # New inputs go to a scratch folder; the kept corpus is only read.
  scratch=$build/corpus/$t
  mkdir -p "$scratch"
  echo "fuzz: $t for ${seconds}s"
  if ! "$build/tests/fuzz/fuzz_$t" -max_total_time="$seconds" -max_len=8192 -timeout=10 \
       -rss_limit_mb=2048 -artifact_prefix="$found/$t-" -print_final_stats=1 \
       "$scratch" "$here/tests/fuzz/corpus/$t" > "$build/fuzz_$t.log" 2>&1; then
    failed+=("$t")
    tail -n 60 "$build/fuzz_$t.log"
  else
    grep -E '^stat::(number_of_executed_units|new_units_added)|cov:' "$build/fuzz_$t.log" | tail -n 3
  fi
done
if [ "${#failed[@]}" -gt 0 ]; then
  echo "fuzz: failed: ${failed[*]} (inputs in $found)" >&2
  exit 1
fi
echo "fuzz: no crash"
