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
"$package/install.sh" "$game" >/dev/null || fail "install.sh failed on a valid game folder"
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

if ((failures)); then echo "$failures check(s) failed" >&2; exit 1; fi
echo "install.sh: all checks passed"
