#!/usr/bin/env bash
# The Linux program in a game folder holding what a mod could carry to take it over: Qt plugins in the
# folders Qt searches beside a program (an icon engine for the program's ".ico" icon and an image format,
# both noting in a file when they are loaded), and a qt.conf and qt6.conf that point Qt's plugins into the
# game folder. The program must start, load none of them, and list and toggle those folders as plain mods.
# Usage: game_folder_test.sh <program> <stand-in game> <icon engine plugin> <image format plugin>;
# needs an X display.
set -euo pipefail
work=$(mktemp -d)
game=$work/game
program=
trap '[ -z "$program" ] || kill "$program" 2>/dev/null || true; rm -rf "$work"' EXIT
fail() { cat "$work/output" >&2; echo "FAIL: $1" >&2; exit 1; }

mkdir -p "$game/base.rte"
cp "$1" "$game/" && cp "$2" "$game/Vexmoor.exe"
for folder in iconengines imageformats evil/iconengines evil/imageformats; do
    mkdir -p "$game/$folder"
    cp "$3" "$game/$folder/" && cp "$4" "$game/$folder/"
done
printf '[Paths]\nPlugins = evil\n' | tee "$game/qt.conf" >"$game/qt6.conf"

(cd "$game" && VX_PLUGIN_MARKER=$work/marker exec env -u QT_PLUGIN_PATH "./$(basename "$1")" \
    </dev/null >"$work/output" 2>&1) &
program=$!
for _ in $(seq 150); do
    window=$(xdotool search --onlyvisible --name '^deDidAzorovo$' | head -n 1) && [ -n "$window" ] && break || sleep 0.2
done
[ -n "$window" ] || fail "the program's window did not appear"
# The rows in order: evil, iconengines, imageformats; each is enabled with Space.
xdotool windowfocus --sync "$window" key --clearmodifiers --delay 100 Home space Down space Down space
for _ in $(seq 50); do [ -d "$game/imageformats.rte" ] && break || sleep 0.2; done
for folder in evil iconengines imageformats; do
    [ -d "$game/$folder.rte" ] && [ ! -e "$game/$folder" ] || fail "$folder was not listed and toggled as a mod"
done
[ ! -e "$work/marker" ] || fail "a plugin from the game folder was loaded: $(tr '\n' ' ' <"$work/marker")"
kill -0 "$program" 2>/dev/null || fail "the program did not keep running"
echo "game folder: no plugin or qt.conf from it was used, and its folders are plain mods"
