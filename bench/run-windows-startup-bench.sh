#!/usr/bin/env bash
# Builds the Windows program and its startup benchmark if needed, makes two
# game directories (0 and 32,767 mods) in a temporary directory, and runs the
# benchmark under Wine on a fresh Xvfb: it times the program from
# CreateProcess to its window shown. Arguments go to the benchmark: [runs].
set -euo pipefail
cd "$(dirname "$0")/.."

build=${VX_BUILD_DIR:-build/windows}
[[ -f "$build/build.ninja" ]] || cmake --preset windows -B "$build"
cmake --build "$build" --target deDidAzorovo vx_windows_startup_bench
bench=$build/bench/vx_windows_startup_bench.exe

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
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
xvfb-run -a -s '-screen 0 1280x1024x24' scripts/wine-run.sh "$bench" \
  "$(windows_path "$work/game-0/deDidAzorovo.exe")" "$(windows_path "$work/game-32767/deDidAzorovo.exe")" "$@"
