#!/bin/bash
# Fails on a C++ file of the repository that clang-format, with the repository's .clang-format,
# would change; prints what it would change. Fix with:
#   git ls-files '*.cpp' '*.h' | xargs clang-format -i
set -eu
cd "$(dirname "$0")/.."
command -v clang-format >/dev/null || ./scripts/install-deps.sh
git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run -Werror
echo "check-format: every C++ file is formatted"
