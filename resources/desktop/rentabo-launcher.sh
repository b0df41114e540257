#!/bin/sh
# Starts Rentabo from its own folder: the program finds its grammar, sounds and help beside
# itself, so the real binary is run, never a copy. Symlinks to this script are followed.
here=$(dirname "$(readlink -f "$0")")
exec "$here/../lib/rentabo/rentabo" "$@"
