#!/usr/bin/env bash
# Builds the Windows program and its startup benchmark if needed, makes two
# game directories (0 and 32,767 mods) in a temporary directory, and runs the
# benchmark under Wine: it times the program from CreateProcess to its window
# shown. Arguments go to the benchmark: [runs]. Needs no display of its own.
#
# Every Wine use here runs on one Xvfb that the script starts, in a Wine
# prefix of the benchmark's own (build/windows/wineprefix-bench). Wine keeps
# its server, and the desktop it made, for a while after a program ends, and
# a server started without a display (or on an X server that is gone) cannot
# show windows later; so the prefix's server is stopped before the runs and
# again before the X server ends, and never shared with the tests.
set -euo pipefail
cd "$(dirname "$0")/.."

build=${VX_BUILD_DIR:-build/windows}
if [ -z "${VX_BENCH_ON_XVFB:-}" ]; then
  [[ -f "$build/build.ninja" ]] || cmake --preset windows -B "$build"
  cmake --build "$build" --target deDidAzorovo vx_windows_startup_bench
  VX_BENCH_ON_XVFB=1 exec xvfb-run -a -s '-screen 0 1280x1024x24' "$0" "$@"
fi

bench=$build/bench/vx_windows_startup_bench.exe
export WINEPREFIX="$PWD/$build/wineprefix-bench"
export WINEARCH=win32
stop_wine() { [ -f "$WINEPREFIX/system.reg" ] && wineserver -k >/dev/null 2>&1 || true; }
work=$(mktemp -d)
trap 'stop_wine; rm -rf "$work"' EXIT
stop_wine

for mods in 0 32767; do
  game="$work/game-$mods"
  mkdir -p "$game/base.rte"
  : >"$game/Vexmoor.exe"
  cp "$build/deDidAzorovo.exe" "$game/"
  if [ "$mods" -gt 0 ]; then
    scripts/wine-run.sh "$bench" --names "$mods" | tr -d '\r' | (cd "$game" && xargs -d '\n' mkdir --)
  fi
done

# Wine's drive Z: is the Linux root.
windows_path() { local path="Z:$1"; echo "${path//\//\\}"; }
scripts/wine-run.sh "$bench" \
  "$(windows_path "$work/game-0/deDidAzorovo.exe")" "$(windows_path "$work/game-32767/deDidAzorovo.exe")" "$@"
