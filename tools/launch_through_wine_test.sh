#!/usr/bin/env bash
# End to end: the Linux program's launch (the core's launch test of the Linux build, on the POSIX backend)
# starts the Windows stand-in game through the installed Wine, and the game reports the mods it loaded.
# Usage: launch_through_wine_test.sh <Linux vx_core_tests> <Windows stand-in Vexmoor.exe>
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
log=$(mktemp)
# The Windows tests' prefix and settings; wine-run.sh makes the prefix on first use and keeps its server up a few
# seconds, so the game does not wait for Wine's start. The server goes with the test.
export WINEPREFIX="${WINEPREFIX:-$root/build/wineprefix}" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEARCH=win32
trap 'wineserver -k 2>/dev/null || true; rm -f "$log"' EXIT
"$root/scripts/wine-run.sh" cmd /c exit 0
# Output goes to a file, not a pipe: Wine's helpers may hold on to the game's and keep a pipe open.
VX_LAUNCHED_GAME="$(realpath "$2")" timeout 120 "$1" --gtest_filter=CommandsTest.LaunchStartsTheGamesProgramFile \
    </dev/null >"$log" 2>&1 && grep -q '^\[  PASSED  \] 1 test' "$log" ||
    { cat "$log" >&2; echo "FAIL: the Linux program did not start the Windows game through Wine" >&2; exit 1; }
echo "launch through Wine: the Windows game started and reported its mods"
