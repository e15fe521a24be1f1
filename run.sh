#!/usr/bin/env bash
# Installs what the build needs, builds, and opens the program on a demo game
# (made once; later runs keep the mods as you left them).
#   ./run.sh                    the Linux program on build/demo/, on your display
#   ./run.sh --windows          the Windows program under Wine on build/demo-windows/
#   add --xvfb to either        runs it on a virtual display when there is none
set -euo pipefail
cd "$(dirname "$0")"

windows=no
xvfb=no
for arg in "$@"; do
  case "$arg" in
    --windows) windows=yes ;;
    --xvfb) xvfb=yes ;;
    *) echo "usage: ./run.sh [--windows] [--xvfb]" >&2; exit 2 ;;
  esac
done

scripts/ensure-packages.sh $(grep -v '^#' scripts/packages.txt)
if [ "$windows" = yes ]; then
  cmake --preset windows >/dev/null
  cmake --build --preset windows --target deDidAzorovo vx_stand_in_game
  demo=build/demo-windows
  scripts/make-demo-game.sh "$demo" build/windows/tools/Vexmoor.exe
  cp build/windows/deDidAzorovo.exe "$demo/deDidAzorovo.exe"
  program=(scripts/wine-run.sh "$demo/deDidAzorovo.exe")
else
  cmake --preset linux >/dev/null
  cmake --build --preset linux --target deDidAzorovo vx_stand_in_game
  demo=build/demo
  scripts/make-demo-game.sh "$demo" build/linux/tools/Vexmoor.exe
  cp build/linux/deDidAzorovo "$demo/deDidAzorovo"
  program=("$demo/deDidAzorovo")
fi

if [ "$xvfb" = yes ]; then
  exec xvfb-run -a "${program[@]}"
elif [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec "${program[@]}"
else
  cat >&2 <<MSG
There is no display to open the window on. Either run this from a desktop session (or with ssh -X),
or run it on a virtual display with:  ./run.sh $* --xvfb
The demo game is in $demo; the program is ${program[*]}.
MSG
  exit 1
fi
