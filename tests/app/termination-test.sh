#!/bin/bash
# The program ended from outside (system shutdown, log-out, kill) with SIGTERM or SIGHUP saves the
# learner's records first and ends without asking: a first run, which has no settings file yet,
# leaves one. (A run going on when the signal comes: EndedFromOutsideTest.)
#   termination-test.sh PATH/TO/rentabo
set -u
program=${1:?usage: termination-test.sh PATH/TO/rentabo}
work=$(mktemp -d)
pid=""
cleanup() { [ -n "$pid" ] && kill -9 "$pid" 2>/dev/null; rm -rf "$work"; }
trap cleanup EXIT
export XDG_RUNTIME_DIR=$work/run XDG_CONFIG_HOME=$work/config HOME=$work QT_QPA_PLATFORM=offscreen
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
# A copy of the program's folder, so its settings file lands here and not beside the build.
mkdir -p "$work/app"
cp -r "$(dirname "$program")"/. "$work/app/"

fail() { echo "FAIL: $*"; cat "$work/log"; exit 1; }
for signal in TERM HUP; do
  rm -f "$work/app/RentaboV24.ini"
  "$work/app/rentabo" >"$work/log" 2>&1 &
  pid=$!
  # Started once the signal is caught (its bit in the caught-signal mask); up to 60 s on a busy
  # machine.
  number=$(kill -l "$signal")
  caught() { local mask; mask=$(awk '/^SigCgt:/ {print $2}' "/proc/$pid/status" 2>/dev/null); \
    [ -n "$mask" ] && (( (16#$mask >> (number - 1)) & 1 )); }
  for _ in $(seq 600); do caught && break; kill -0 "$pid" 2>/dev/null || fail "SIG$signal: the program ended by itself"; sleep 0.1; done
  caught || fail "SIG$signal: the program never got ready for it"

  kill -"$signal" "$pid"
  for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  kill -0 "$pid" 2>/dev/null && fail "SIG$signal: still running 10 s after it (a question waiting for an answer?)"
  wait "$pid"
  pid=""
  [ -f "$work/app/RentaboV24.ini" ] || fail "SIG$signal: no settings file was saved"
  grep -q '^RECCHECKARRAY=' "$work/app/RentaboV24.ini" || fail "SIG$signal: the records are not in the settings file"
  # The lock beside the settings file goes with the program.
  [ -e "$work/app/RentaboV24.ini.rentabo-lock" ] && fail "SIG$signal: the settings file's lock was left"
done
echo "PASS"
