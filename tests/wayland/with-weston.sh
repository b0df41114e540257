#!/bin/bash
# Runs a command as a client of a Weston of its own: with-weston.sh COMMAND [ARGS...]
#
# The compositor is headless and draws in memory (as Debian's desktop would, less the screen);
# it gets a runtime folder and a socket name of its own, so tests side by side never meet, and it
# is stopped when the command ends, fails or is killed (it dies with this script).
# Environment: WESTON_WIDTH, WESTON_HEIGHT (default 1920 x 1200), WESTON_SCALE (1).
# Exit code 77 (skipped) when Weston or Qt's Wayland plugin is not installed.
set -u
if ! command -v weston >/dev/null; then
  echo "with-weston: weston is not installed (scripts/install-deps.sh)"
  exit 77
fi
if ! ls /usr/lib/*/qt6/plugins/platforms/libqwayland-generic.so >/dev/null 2>&1; then
  echo "with-weston: Qt's Wayland plugin is not installed (qt6-wayland)"
  exit 77
fi
run=$(mktemp -d "${TMPDIR:-/tmp}/rentabo-weston-XXXXXX")
chmod 700 "$run"
socket=rentabo-wayland-$$
weston_pid=""
stop() {
  if [ -n "$weston_pid" ]; then
    kill "$weston_pid" 2>/dev/null
    # A compositor that does not end within five seconds of being asked is killed: a test that
    # passed must not hang in its clean-up.
    for _ in $(seq 1 50); do
      kill -0 "$weston_pid" 2>/dev/null || break
      sleep 0.1
    done
    kill -KILL "$weston_pid" 2>/dev/null
    wait "$weston_pid" 2>/dev/null
  fi
  rm -rf "$run"
}
trap stop EXIT
trap 'exit 143' TERM INT HUP

export XDG_RUNTIME_DIR=$run
# No sound server here, and none may be started in this folder by a sound client: it would be
# left running after the compositor.
printf 'autospawn = no\n' >"$run/pulse-client.conf"
export PULSE_CLIENTCONFIG=$run/pulse-client.conf
# No X display: a client that cannot speak Wayland must fail here, not find an X server.
unset DISPLAY
XDG_RUNTIME_DIR=$run setpriv --pdeathsig KILL \
  weston --backend=headless-backend.so --use-pixman --socket="$socket" --idle-time=0 \
    --width="${WESTON_WIDTH:-1920}" --height="${WESTON_HEIGHT:-1200}" --scale="${WESTON_SCALE:-1}" \
    --log="$run/weston.log" --no-config >/dev/null 2>&1 &
weston_pid=$!
for _ in $(seq 1 100); do
  [ -S "$run/$socket" ] && break
  if ! kill -0 "$weston_pid" 2>/dev/null; then
    echo "with-weston: weston did not start:"
    cat "$run/weston.log"
    exit 1
  fi
  sleep 0.1
done
if [ ! -S "$run/$socket" ]; then
  echo "with-weston: weston's socket did not appear"
  exit 1
fi
export WAYLAND_DISPLAY=$socket QT_QPA_PLATFORM=wayland RENTABO_TEST_PLATFORM=wayland
# The headless backend has no seat (no keyboard, no pointer), and Qt 6.4's own Wayland text-input
# context crashes on the first key a widget gets without one; the compose context is what Qt
# uses on a desktop whose input method is not the compositor's (QT_IM_MODULE=ibus or fcitx).
export QT_IM_MODULE=${QT_IM_MODULE:-compose}
"$@"
