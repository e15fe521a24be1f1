#!/usr/bin/env bash
# End to end: the Linux program, started from another folder as a menu entry starts it, launches the Windows
# stand-in game through the installed Wine (Alt+L on its window), and the game reports the mods it loaded.
# Usage: launch_through_wine_test.sh <Linux deDidAzorovo> <Windows stand-in Vexmoor.exe>; needs an X display.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
work=$(mktemp -d)
game="$work/a 'game'; \$HOME & (1)"  # shell-hostile, yet a name Windows (and so Wine) accepts
program=
fail() { cat "$work/output" >&2; echo "FAIL: $1" >&2; exit 1; }
# The Windows tests' prefix and settings; wine-run.sh makes the prefix on first use and keeps its server up a
# few seconds, so the game does not wait for Wine's start. The server goes with the test.
export WINEPREFIX="${WINEPREFIX:-$root/build/wineprefix}" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEARCH=win32
trap '[ -z "$program" ] || kill "$program" 2>/dev/null; wineserver -k 2>/dev/null || true; rm -rf "$work"' EXIT
"$root/scripts/wine-run.sh" cmd /c exit 0
mkdir -p "$game/base.rte" "$game/Alpha.rte" "$game/Beta" "$work/home"
cp "$1" "$game/" && cp "$2" "$game/Vexmoor.exe"
# Output goes to a file, not a pipe: Wine's helpers may hold on to the game's. The game leaves without a window.
(cd "$work/home" && VEXMOOR_STAND_IN_HEADLESS=1 exec env -u QT_QPA_PLATFORM "$game/$(basename "$1")" \
    </dev/null >"$work/output" 2>&1) &
program=$!
for _ in $(seq 150); do
    window=$(xdotool search --onlyvisible --name '^deDidAzorovo$' | head -n 1) && [ -n "$window" ] && break || sleep 0.2
done
[ -n "$window" ] || fail "the program's window did not appear"
xdotool windowfocus --sync "$window" key --clearmodifiers alt+l
for _ in $(seq 300); do [ -s "$game/Vexmoor.loaded-mods.txt" ] && break || sleep 0.2; done
[ "$(cat "$game/Vexmoor.loaded-mods.txt" 2>/dev/null)" = Alpha.rte ] || fail "the Windows game did not start through Wine"
echo "launch through Wine: the Windows game started and reported its mods"
