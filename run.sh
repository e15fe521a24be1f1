#!/usr/bin/env bash
# Installs what the build needs, builds, and opens the program on a demo game
# in build/demo/ (made once; later runs keep the mods as you left them).
#   ./run.sh          opens the window on your display
#   ./run.sh --xvfb   runs it on a virtual display when there is none
set -euo pipefail
cd "$(dirname "$0")"

scripts/ensure-packages.sh $(grep -v '^#' scripts/packages.txt)
cmake --preset linux >/dev/null
cmake --build --preset linux --target deDidAzorovo vx_stand_in_game

demo=build/demo
scripts/make-demo-game.sh "$demo" build/linux/tools/Vexmoor.exe
cp build/linux/deDidAzorovo "$demo/deDidAzorovo"

if [ "${1:-}" = "--xvfb" ]; then
  exec xvfb-run -a "$demo/deDidAzorovo"
elif [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec "$demo/deDidAzorovo"
else
  cat >&2 <<MSG
There is no display to open the window on. Either run this from a desktop session (or with ssh -X),
or run it on a virtual display with:  ./run.sh --xvfb
The demo game is in $demo; the program is $demo/deDidAzorovo.
MSG
  exit 1
fi
