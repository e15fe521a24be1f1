#!/usr/bin/env bash
# Builds the release of both programs and packs what a player downloads:
#   scripts/release.sh [OUTPUT_DIR]       (default: dist/)
# writes
#   deDidAzorovo-<version>-linux-<arch>.tar.gz  the program, install.sh, the
#                                               menu entry template, icons, README.txt
#   deDidAzorovo-<version>-windows.zip          deDidAzorovo.exe and README.txt
#   SHA256SUMS
# <version> is the program's own (resources/version.h, e.g. 1.1.0.0). The same
# commit always gives the same bytes: the archives carry the commit's time and
# no owners, and the programs carry no build paths or link time stamps.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

out=${1:-dist}
mkdir -p "$out"
out=$(cd "$out" && pwd)

packages() { grep -hv '^#' "$@"; }
scripts/ensure-packages.sh $(packages scripts/packages.txt scripts/packages-windows.txt)

version=$(cmake -P cmake/version.cmake)
SOURCE_DATE_EPOCH=$(git log -1 --format=%ct)
if [ -n "$(git status --porcelain --untracked-files=no)" ]; then
  echo "Note: the working tree has changes that are not committed; this release holds them." >&2
fi
export SOURCE_DATE_EPOCH
arch=$(uname -m)

cmake --preset release-linux >/dev/null
cmake --build --preset release-linux
cmake --preset release-windows >/dev/null
cmake --build --preset release-windows

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT

# Every packed file gets fixed permissions and the commit's time.
settle() {
  find "$1" -type d -exec chmod 0755 {} +
  find "$1" -type f -exec chmod 0644 {} +
  chmod 0755 "${@:2}"
  find "$1" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +
}

linux=deDidAzorovo-$version-linux-$arch
mkdir -p "$stage/$linux/icons"
cp build/release-linux/deDidAzorovo resources/install.sh resources/deDidAzorovo.desktop.in "$stage/$linux/"
cp resources/icons/*.png "$stage/$linux/icons/"
sed "s/@VERSION@/$version/" resources/release/README-linux.txt >"$stage/$linux/README.txt"
settle "$stage/$linux" "$stage/$linux/deDidAzorovo" "$stage/$linux/install.sh"
tar -C "$stage" --format=gnu --sort=name --mtime="@$SOURCE_DATE_EPOCH" --owner=0 --group=0 --numeric-owner \
  -cf - "$linux" | gzip -9 -n >"$stage/$linux.tar.gz"

windows=deDidAzorovo-$version-windows
mkdir -p "$stage/$windows"
cp build/release-windows/deDidAzorovo.exe "$stage/$windows/"
sed -e "s/@VERSION@/$version/" -e 's/$/\r/' resources/release/README-windows.txt >"$stage/$windows/README.txt"
settle "$stage/$windows" "$stage/$windows/deDidAzorovo.exe"
# zip stores local times: pin the zone. -X leaves out owners and extra time
# fields, -D directory entries; the files go in in the order named.
(cd "$stage/$windows" && TZ=UTC zip -q -X -D -9 "$stage/$windows.zip" deDidAzorovo.exe README.txt)

mv -f "$stage/$linux.tar.gz" "$stage/$windows.zip" "$out/"
(cd "$out" && sha256sum "$linux.tar.gz" "$windows.zip" >SHA256SUMS)
echo "Release $version (commit time $SOURCE_DATE_EPOCH) in ${out#"$root"/}:"
(cd "$out" && ls -l "$linux.tar.gz" "$windows.zip" SHA256SUMS && cat SHA256SUMS)
