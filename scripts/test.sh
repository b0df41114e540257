#!/bin/bash
# Installs what is missing, builds Rentabo and runs every test.
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
"$here/scripts/install-deps.sh"
"$here/scripts/build.sh"
build=${RENTABO_BUILD_DIR:-$here/build}
ctest --test-dir "$build" --output-on-failure -j 2
