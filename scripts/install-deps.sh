#!/bin/bash
# Installs every Debian package Rentabo needs to build, run, test and benchmark.
# Safe to run again: it installs only what is missing. Uses sudo when not root.
set -eu

if [ "$(id -u)" -eq 0 ]; then sudo=(); else sudo=(sudo); fi
export DEBIAN_FRONTEND=noninteractive

packages=(
  # build and test
  build-essential cmake ninja-build pkg-config ccache
  libgtest-dev libgmock-dev libbenchmark-dev clang libclang-rt-14-dev clang-format
  # the Debian package and its check
  debhelper dpkg-dev lintian
  # Qt 6 widgets, multimedia, SVG, printing
  qt6-base-dev qt6-base-dev-tools qt6-multimedia-dev qt6-svg-dev qt6-image-formats-plugins
  # Qt's own dialogs and buttons in Japanese
  qt6-translations-l10n
  libqt6svg6 libgl-dev libxkbcommon-dev
  # the learner's answer history (SQLite through Qt SQL)
  libqt6sql6-sqlite
  # pictures, text and settings
  libjpeg62-turbo-dev libsimpleini-dev libexpat1-dev
  # Japanese fonts for the captions, titles and certificates
  fonts-ipafont fonts-ipaexfont fonts-konatu fonts-aoyagi-kouzan-t
  # voice and listening
  open-jtalk open-jtalk-mecab-naist-jdic
  libespeak-ng-dev espeak-ng espeak-ng-data
  libmecab-dev mecab mecab-ipadic-utf8
  libpocketsphinx-dev libsphinxbase-dev pocketsphinx-en-us
  # adapting the acoustic model to Japanese speech at build time
  sphinxtrain sphinxbase-utils pocketsphinx
  # audio tools for the phrase recordings and the benchmarks; a display for headless runs
  sox xvfb xauth openbox xdotool
  # a private sound server for the spoken tests through a real speaker and microphone path:
  # PulseAudio, and PipeWire with its session manager and PulseAudio server (on a message bus of
  # their own), as Debian's desktop runs them
  pulseaudio pulseaudio-utils
  pipewire pipewire-bin wireplumber pipewire-pulse dbus-daemon
  # a headless Wayland compositor and Qt's Wayland plugin for the window tests on Wayland
  weston qt6-wayland
  # rendering printed pages in the tests
  poppler-utils
  # help file and desktop integration
  fp-utils xchm desktop-file-utils appstream xdg-utils
)
# In Debian's contrib component; the program works without it (espeak-ng then speaks).
optional=(hts-voice-nitech-jp-atr503-m001)

missing() {
  local p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || echo "$p"
  done
}

need=$(missing "${packages[@]}" "${optional[@]}")
if [ -z "$need" ]; then
  echo "install-deps: every package is installed"
  exit 0
fi

"${sudo[@]}" apt-get update -qq

has_candidate() {
  apt-cache policy "$1" 2>/dev/null | grep -q 'Candidate: [^(]'
}

enable_contrib() {
  local f changed=0
  for f in /etc/apt/sources.list.d/*.sources; do
    [ -e "$f" ] || continue
    if grep -q '^Components:' "$f" && ! grep -q '^Components:.*contrib' "$f"; then
      "${sudo[@]}" sed -i '/^Components:/ s/$/ contrib/' "$f"
      changed=1
    fi
  done
  if [ -f /etc/apt/sources.list ] && grep -qE '^deb .*debian' /etc/apt/sources.list \
     && ! grep -qE '^deb .*debian.* contrib' /etc/apt/sources.list; then
    "${sudo[@]}" sed -i -E '/^deb .*debian/ s/$/ contrib/' /etc/apt/sources.list
    changed=1
  fi
  if [ "$changed" -eq 1 ]; then
    echo "install-deps: enabled Debian's contrib component for the voice hts-voice-nitech-jp-atr503-m001"
    "${sudo[@]}" apt-get update -qq
  fi
}

if ! has_candidate hts-voice-nitech-jp-atr503-m001; then
  enable_contrib
fi

install=($(missing "${packages[@]}"))
for p in "${optional[@]}"; do
  if [ -n "$(missing "$p")" ]; then
    if has_candidate "$p"; then
      install+=("$p")
    else
      echo "install-deps: $p is not available; going on without it (the voice falls back to espeak-ng)"
    fi
  fi
done
if [ "${#install[@]}" -gt 0 ]; then
  "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${install[@]}"
fi
echo "install-deps: done"
