#!/bin/bash
# Builds the Debian package, checks it with lintian, installs it as a family would
# (apt-get install ./rentabo_*.deb), starts the installed program under Xvfb with its menu
# entry's command, and removes the package again, checking that the learner's records stay.
# Needs root or sudo; the adapted model of the normal build (scripts/build.sh) is reused.
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
if [ "$(id -u)" -eq 0 ]; then sudo=(); else sudo=(sudo); fi
export DEBIAN_FRONTEND=noninteractive
work=$(mktemp -d)
cleanup() {
  [ -n "${pid:-}" ] && kill "$pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

RENTABO_PREBUILT_MODEL=${RENTABO_PREBUILT_MODEL:-${RENTABO_BUILD_DIR:-$here/build}/app/model} \
  "$here/scripts/make-deb.sh" "$work" > "$work/build.log" 2>&1 || { tail -n 80 "$work/build.log"; exit 1; }
deb=$(ls "$work"/rentabo_*_amd64.deb)

echo "test-deb: lintian"
lintian --fail-on error,warning --info "$deb"

if dpkg-query -W -f='${Status}' rentabo 2>/dev/null | grep -q 'install ok installed'; then
  echo "test-deb: rentabo is already installed on this machine; not touching it" >&2
  exit 1
fi
echo "test-deb: apt-get install ./$(basename "$deb")"
(cd "$work" && "${sudo[@]}" apt-get install -y -qq "./$(basename "$deb")")

# Started as the menu starts it, in a fresh session of its own, by an ordinary user: root could
# write beside the program, where a family's account cannot.
entry=/usr/share/applications/org.rentabo.Rentabo.desktop
exec_line=$(sed -n 's/^Exec=//p' "$entry")
home=$work/home
mkdir -p "$home/run" && chmod 700 "$home/run"
as_user=()
if [ "$(id -u)" -eq 0 ]; then
  chmod 755 "$work"
  chown -R nobody "$home"
  as_user=(runuser -u nobody --)
fi
"${as_user[@]}" env HOME="$home" XDG_RUNTIME_DIR="$home/run" XDG_CONFIG_HOME="$home/.config" \
  xvfb-run -a -s "-screen 0 1280x1024x24" sh -c "
  $exec_line & pid=\$!
  timeout 60 xdotool search --sync --onlyvisible --name 'Speak&Hear' > /dev/null || { kill \$pid; exit 3; }
  kill -0 \$pid || exit 4
  # Ended from outside (a log-out): the program saves the records before it goes.
  kill -TERM \$pid; wait \$pid" || { echo "test-deb: the installed program did not start" >&2; exit 1; }
records=$home/.config/rentabo/RentaboV24.ini
[ -s "$records" ] || { echo "test-deb: no records in $records" >&2; exit 1; }

echo "test-deb: apt-get remove rentabo"
"${sudo[@]}" apt-get remove -y -qq rentabo
[ ! -e /usr/lib/rentabo/rentabo ] || { echo "test-deb: the program is still installed" >&2; exit 1; }
[ -s "$records" ] || { echo "test-deb: removing the package removed the records" >&2; exit 1; }
echo "test-deb: built, lintian-clean, installed, started, removed; the records stay"
