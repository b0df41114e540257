#!/bin/bash
# Installs what is missing, builds Rentabo and starts it.
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
"$here/scripts/install-deps.sh"
"$here/scripts/build.sh"
build=${RENTABO_BUILD_DIR:-$here/build}
program=$build/app/rentabo
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  cat >&2 <<MSG
run.sh: this machine has no display to open the window on.
Start Rentabo under a virtual display instead:
    xvfb-run -a -s '-screen 0 1280x1024x24' $program
(or set DISPLAY to a running X server and run $program).
MSG
  exit 2
fi
exec "$program" "$@"
