#!/bin/bash
# Configures and builds Rentabo into build/ (or $RENTABO_BUILD_DIR).
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
build=${RENTABO_BUILD_DIR:-$here/build}
type=${RENTABO_BUILD_TYPE:-RelWithDebInfo}
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE="$type" "${launcher[@]}"
fi
cmake --build "$build" -j "$(nproc)"
