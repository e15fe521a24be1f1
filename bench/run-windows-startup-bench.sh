#!/usr/bin/env bash
# Builds the Windows program and its startup benchmark if needed, then runs
# the benchmark under Wine on a fresh Xvfb: it times the program from
# CreateProcess to its window shown, with 0 and with 32,767 mods.
# Arguments go to the benchmark: [runs].
set -euo pipefail
cd "$(dirname "$0")/.."

[[ -f build/windows/build.ninja ]] || cmake --preset windows
cmake --build build/windows --target deDidAzorovo vx_windows_startup_bench
# Wine's drive Z: is the Linux root.
exe="Z:$(pwd -P)/build/windows/deDidAzorovo.exe"
exe=${exe//\//\\}
exec xvfb-run -a -s '-screen 0 1280x1024x24' \
  scripts/wine-run.sh build/windows/bench/vx_windows_startup_bench.exe "$exe" "$@"
