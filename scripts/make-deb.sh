#!/bin/bash
# Builds the Debian package rentabo_VERSION_amd64.deb from the repository's files, in a
# temporary copy (dpkg-buildpackage writes beside the source folder), and puts it in the folder
# given as the first argument (the repository's root by default).
# With RENTABO_PREBUILT_MODEL naming an adapted model folder, the package build copies it instead
# of adapting the model again.
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
out=$(cd "${1:-$here}" && pwd)

version=$(dpkg-parsechangelog -l "$here/debian/changelog" -S Version)
project=$(sed -n 's/^project(Rentabo VERSION \([0-9.]*\).*/\1/p' "$here/CMakeLists.txt")
if [ "$version" != "$project" ]; then
  echo "make-deb: debian/changelog says $version but CMakeLists.txt says $project" >&2
  exit 1
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/rentabo-$version"
# The files git knows (new ones not yet committed included), never build folders.
(cd "$here" && git ls-files -z --cached --others --exclude-standard |
  while IFS= read -r -d '' f; do [ -e "$f" ] && printf '%s\0' "$f"; done |
  tar --null -T - -cf -) | tar -xf - -C "$work/rentabo-$version"
(cd "$work/rentabo-$version" && dpkg-buildpackage -us -uc -b)
cp "$work/rentabo_${version}_amd64.deb" "$out/"
echo "make-deb: $out/rentabo_${version}_amd64.deb"
