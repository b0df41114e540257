#!/bin/bash
# The real program as a client of Weston (run through with-weston.sh):
#   program-test.sh PATH/TO/rentabo SOURCE_DIR
# - the splash and the main window come up with their captions;
# - every window carries the app id that names the desktop entry, so the desktop shows the
#   program's name and icon (the entry's own Icon= is that name too);
# - what Wayland does not let a client do (place its windows, raise or activate them, keep one on
#   top) raises no box: no window with the caption of an error or a question appears;
# - SIGTERM (logging out) still saves the records and ends it.
set -u
program=${1:?usage: program-test.sh PATH/TO/rentabo SOURCE_DIR}
source_dir=${2:?usage: program-test.sh PATH/TO/rentabo SOURCE_DIR}
[ -n "${WAYLAND_DISPLAY:-}" ] || { echo "run me through with-weston.sh"; exit 2; }
work=$(mktemp -d)
pid=""
cleanup() { [ -n "$pid" ] && kill -9 "$pid" 2>/dev/null; rm -rf "$work"; }
trap cleanup EXIT
fail() {
  echo "FAIL: $*"
  echo "--- what the program printed (the protocol left out):"
  grep -v '^\[' "$work/log" | tail -40
  exit 1
}
# No sound server here: the program must not start one of its own either.
printf 'autospawn = no\n' >"$work/client.conf"
export XDG_CONFIG_HOME=$work/config HOME=$work PULSE_CLIENTCONFIG=$work/client.conf
mkdir -p "$work/app"
cp -r "$(dirname "$program")"/. "$work/app/"
rm -f "$work/app/RentaboV24.ini"
# The client's half of the protocol: every title and app id the program's windows are given.
WAYLAND_DEBUG=client "$work/app/rentabo" >"$work/log" 2>&1 &
pid=$!

titles() { grep -o 'xdg_toplevel@[0-9]*\.set_title("[^"]*")' "$work/log" | sed 's/.*set_title("\(.*\)")/\1/'; }
caption='『Rentabo(V)』R(音声版)Speak&Hear v2.48  ---Pelunari'
for _ in $(seq 600); do
  titles | grep -qF "$caption" && break
  kill -0 "$pid" 2>/dev/null || fail "the program ended by itself"
  sleep 0.1
done
titles | grep -qF "$caption" || fail "no main window in 60 s"
# The splash closes itself two seconds after start-up; a box raised meanwhile would be seen.
sleep 4
kill -0 "$pid" 2>/dev/null || fail "the program ended by itself"

# The desktop entry is named after the app id, and names its icon after it.
ids=$(grep -o 'set_app_id("[^"]*")' "$work/log" | sed 's/set_app_id("\(.*\)")/\1/' | sort -u)
[ -n "$ids" ] || fail "the windows carry no app id"
[ "$(echo "$ids" | wc -l)" -eq 1 ] || fail "the windows carry different app ids: $ids"
entry=$source_dir/resources/desktop/$ids.desktop
[ -f "$entry" ] || fail "app id $ids names no desktop entry (resources/desktop/$ids.desktop)"
grep -qx "Icon=$ids" "$entry" || fail "the desktop entry's icon is not $ids"
grep -q '^StartupWMClass=' "$entry" && ! grep -qx "StartupWMClass=$ids" "$entry" &&
  fail "the desktop entry's StartupWMClass is not $ids"

# The first window is the splash, whose caption is お知らせ; a box of any of the program's
# captions after it would be a complaint or a question.
[ "$(titles | head -n 1)" = "お知らせ" ] || fail "the first window is not the splash: $(titles | head -n 1)"
alarming='^(ご確認|ご確認!!|お知らせ|<お知らせ>|ご報告|かくにん!!|<かくにん>|□ごかくにん□|おねがい。。。|Rentabo)$'
if titles | tail -n +2 | grep -qE "$alarming"; then
  fail "a box came up: $(titles | tail -n +2 | grep -E "$alarming" | tr '\n' ' ')"
fi
echo "windows: $(titles | sort -u | tr '\n' '/')"
echo "app id: $ids"
echo "Qt said: $(grep -v '^\[' "$work/log" | grep -v '^ *$' | sort | uniq -c | head -10)"

kill -TERM "$pid"
for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$pid" 2>/dev/null && fail "still running 10 s after SIGTERM"
wait "$pid"
rc=$?
pid=""
[ "$rc" -eq 0 ] || fail "ended with $rc after SIGTERM"
grep -q '^RECCHECKARRAY=' "$work/app/RentaboV24.ini" 2>/dev/null || fail "the records were not saved"
# The compositor never tells a client where its window is: the place kept is the one asked for
# (a first run's), ready for the next session on X11, not a made-up 0,0.
for key in LEFT=200 TOP=200; do
  grep -q "^$key"$'\r'"\?$" "$work/app/RentaboV24.ini" || fail "saved $(grep -E '^(LEFT|TOP)=' "$work/app/RentaboV24.ini" | tr -d '\r' | tr '\n' ' '), not the place asked for"
done
echo "PASS"
