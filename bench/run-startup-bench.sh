#!/usr/bin/env bash
# Builds the program and the startup benchmark if needed, then runs the
# benchmark under a fresh Xvfb with no window manager: it times the program
# from fork to its main window being mapped, with 0 and with 32,767 mods.
# Arguments go to the benchmark: [path/to/deDidAzorovo [runs]].
set -euo pipefail
cd "$(dirname "$0")/.."

[[ -f build/linux/build.ninja ]] || cmake --preset linux
cmake --build build/linux --target deDidAzorovo vx_startup_bench
exec xvfb-run -a -s '-screen 0 1280x1024x24' build/linux/bench/vx_startup_bench "$@"
