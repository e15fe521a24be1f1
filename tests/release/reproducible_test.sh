#!/usr/bin/env bash
# Builds the release twice and checks that the same commit gives the same bytes. The second build
# recompiles the programs' main files and links both programs again, so time stamps written by the
# compiler, the resource compiler, the linker or the packing would show. Also checks what the archives
# hold, their checksums, and that no build path is left in the programs. Run by ./test.sh (it needs both
# tool chains). Usage: tests/release/reproducible_test.sh
set -euo pipefail
cd "$(dirname "$0")/../.."

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

scripts/release.sh "$work/first" >/dev/null
rm -rf build/release-linux/deDidAzorovo build/release-linux/src/CMakeFiles/deDidAzorovo.dir \
       build/release-windows/deDidAzorovo.exe build/release-windows/src/CMakeFiles/deDidAzorovo.dir
scripts/release.sh "$work/second" >/dev/null

version=$(cmake -P cmake/version.cmake)
linux=deDidAzorovo-$version-linux-$(uname -m)
windows=deDidAzorovo-$version-windows
[[ "$(ls "$work/first")" == "$(printf '%s\n' SHA256SUMS "$linux.tar.gz" "$windows.zip")" ]] ||
    fail "the release holds $(ls "$work/first" | tr '\n' ' ')"
for file in "$linux.tar.gz" "$windows.zip" SHA256SUMS; do
    cmp -s "$work/first/$file" "$work/second/$file" || fail "$file differs between two builds"
done
(cd "$work/first" && sha256sum --quiet -c SHA256SUMS) || fail "SHA256SUMS does not match"

want=$(printf "$linux/%s\n" "" README.txt deDidAzorovo deDidAzorovo.desktop.in icons/ icons/128.png \
    icons/16.png icons/256.png icons/32.png icons/48.png icons/64.png install.sh)
[[ "$(tar -tzf "$work/first/$linux.tar.gz")" == "$want" ]] || fail "the tarball holds $(tar -tzf "$work/first/$linux.tar.gz")"
[[ "$(zip -sf "$work/first/$windows.zip" | sed -n 's/^  //p')" == $'deDidAzorovo.exe\nREADME.txt' ]] ||
    fail "the zip holds $(zip -sf "$work/first/$windows.zip")"

for program in build/release-linux/deDidAzorovo build/release-windows/deDidAzorovo.exe; do
    if LC_ALL=C grep -qaF "$PWD" "$program"; then fail "$program holds the build path $PWD"; fi
done
[[ "$(nm build/release-linux/deDidAzorovo 2>&1)" == *"no symbols"* ]] || fail "the Linux program is not stripped"

if ((failures)); then echo "$failures check(s) failed" >&2; exit 1; fi
echo "release: two builds give the same bytes"
