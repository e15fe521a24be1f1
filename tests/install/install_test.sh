#!/usr/bin/env bash
# The release's install.sh, run as a player would: unpacked beside the built program, installing into a game
# folder whose path needs quoting, for a user whose home is a temporary folder.
# Usage: install_test.sh <resources folder> <built program>
set -euo pipefail

resources=${1:?usage: install_test.sh <resources folder> <program>}
built=${2:?usage: install_test.sh <resources folder> <program>}
work=$(mktemp -d)
trap 'kill "${busy:-}" 2>/dev/null || true; rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

package=$work/package
mkdir -p "$package/icons"
cp "$resources/install.sh" "$resources/deDidAzorovo.desktop.in" "$built" "$package/"
cp "$resources"/icons/*.png "$package/icons/"
export HOME=$work/home
unset XDG_DATA_HOME
menu=$HOME/.local/share/applications/deDidAzorovo.desktop

# Folders that are not the game are refused, and nothing is copied or added.
mkdir -p "$work/no-exe/base.rte" "$work/no-base"
touch "$work/no-base/Vexmoor.exe"
for folder in no-exe no-base; do
    if "$package/install.sh" "$work/$folder" >/dev/null 2>"$work/stderr"; then fail "installed into $folder"; fi
    grep -q "does not look like Vexmoor's main directory" "$work/stderr" || fail "$folder: no clear refusal"
    [[ ! -e "$work/$folder/deDidAzorovo" && ! -e $menu ]] || fail "$folder: files written despite the refusal"
done

# A game whose path has spaces, quotes and a dollar sign, with its base folder in capitals, and an older copy
# of the program running there (a plain copy over it would fail with "Text file busy").
game="$work/My \"Games\" \$HOME/Vexmoor"
mkdir -p "$game/BASE.RTE"
touch "$game/Vexmoor.exe"
cp "$(command -v sleep)" "$game/deDidAzorovo"
"$game/deDidAzorovo" 30 &
busy=$!
env -u WAYLAND_DISPLAY XDG_SESSION_TYPE=x11 "$package/install.sh" "$game" >/dev/null 2>"$work/stderr" ||
    fail "install.sh failed on a valid game folder"
grep -q "Not installed" "$work/stderr" && fail "install.sh finds something missing here: $(cat "$work/stderr")"
cmp -s "$built" "$game/deDidAzorovo" || fail "the program in the game folder is not the built one"
[[ -x "$game/deDidAzorovo" ]] || fail "the installed program is not executable"
compgen -G "$game/.deDidAzorovo.*" >/dev/null && fail "a temporary copy was left in the game folder"

desktop-file-validate "$menu" || fail "the menu entry does not validate"
grep -qxF "Exec=\"$work"'/My \\"Games\\" \\$HOME/Vexmoor/deDidAzorovo"' "$menu" || fail "Exec= is wrong: $(grep ^Exec= "$menu")"
grep -qxF "Path=$game" "$menu" || fail "Path= is not the game folder: $(grep ^Path= "$menu")"

# Each icon is a PNG of its size (the width sits in the header at byte 16).
for size in 16 32 48 64 128 256; do
    icon=$HOME/.local/share/icons/hicolor/${size}x$size/apps/deDidAzorovo.png
    width=$(od -An -tu4 --endian=big -j16 -N4 "$icon" 2>/dev/null | tr -d ' ') || true
    [[ "$width" == "$size" ]] || fail "icon $icon: width [$width], expected $size"
done

# A Wayland session on a system whose Qt has the X11 plugin only (as ldd, standing in, tells where Qt is): the
# installer names the package that brings the Wayland plugin, and installs the program all the same.
mkdir -p "$work/bin" "$work/qt/lib/qt6/plugins/platforms" "$work/wayland"
touch "$work/qt/lib/qt6/plugins/platforms/libqxcb.so"
printf '#!/bin/sh\necho "\tlibQt6Core.so.6 => %s/qt/lib/libQt6Core.so.6 (0x00007f0000000000)"\n' "$work" >"$work/bin/ldd"
chmod +x "$work/bin/ldd"
mkdir -p "$work/wayland/base.rte" && touch "$work/wayland/Vexmoor.exe"
PATH=$work/bin:$PATH WAYLAND_DISPLAY=wayland-0 "$package/install.sh" "$work/wayland" >/dev/null 2>"$work/stderr" ||
    fail "install.sh failed where Qt's Wayland plugin is missing"
grep -Eq "Wayland plugin.*install it with.* qt6-(qt)?wayland$" "$work/stderr" ||
    fail "a missing Wayland plugin is not named by its package: $(cat "$work/stderr")"
cmp -s "$built" "$work/wayland/deDidAzorovo" || fail "the program was not installed where the Wayland plugin is missing"

if ((failures)); then echo "$failures check(s) failed" >&2; exit 1; fi
echo "install.sh: all checks passed"
