#!/bin/bash
# Prints the latency of a spoken-answer test through a private sound server and without one.
# Usage: run-bench.sh [BUILD_DIR]
set -eu
here=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:-$here/build}" && pwd)
phrases=$build/tests/sound/child-phrases
python3 "$here/tests/sound/sound-tests.py" phrases "$build/app/rentabo" "$here" "$phrases"
export RENTABO_MODEL_DIR=$build/app/model PYTHONDONTWRITEBYTECODE=1
echo "== through the sound server"
RENTABO_LATENCY_OUT=${RENTABO_LATENCY_OUT:-/dev/null} \
  python3 "$here/tests/sound/sound-tests.py" oral "$build/app/rentabo" "$here" "$phrases" || true
echo "== without a server"
"$build/bench/sound/sound_latency_bench" "$build/app" "$(ls -d "$phrases"/*/ | head -1)"
