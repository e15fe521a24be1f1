#!/usr/bin/env bash
# Installs what the build needs, builds, and opens the program on a demo game
# (made once; later runs keep the mods as you left them).
#   ./run.sh                    the Linux program on build/demo/, on your display
#   ./run.sh --windows          the Windows program under Wine on build/demo-windows/
#                               (only this installs Wine, the i386 architecture and the cross compiler)
#   add --xvfb to either        runs it on a virtual display of its own when there is none
#   add --reset to either       starts the demo game afresh (all mods as first made)
set -euo pipefail
cd "$(dirname "$0")"

windows=no
xvfb=no
reset=no
for arg in "$@"; do
  case "$arg" in
    --windows) windows=yes ;;
    --xvfb) xvfb=yes ;;
    --reset) reset=yes ;;
    *) echo "usage: ./run.sh [--windows] [--xvfb] [--reset]" >&2; exit 2 ;;
  esac
done

lists=(scripts/packages.txt)
[ "$windows" = yes ] && lists+=(scripts/packages-windows.txt)
scripts/ensure-packages.sh $(grep -hv '^#' "${lists[@]}")
if [ "$windows" = yes ]; then
  preset=windows
  demo=build/demo-windows
  copy=$demo/deDidAzorovo.exe
  program=(scripts/wine-run.sh "$copy")
else
  preset=linux
  demo=build/demo
  copy=$demo/deDidAzorovo
  program=("$copy")
fi
cmake --preset $preset >/dev/null
cmake --build --preset $preset --target deDidAzorovo vx_stand_in_game
[ "$reset" = yes ] && rm -rf "$demo"
scripts/make-demo-game.sh "$demo" build/$preset/tools/Vexmoor.exe
# Copy under a temporary name and rename it over the old copy, so a program
# still open from an earlier run keeps its file ("Text file busy" otherwise).
cp "build/$preset/$(basename "$copy")" "$copy.new"
mv -f "$copy.new" "$copy"

if [ "$xvfb" = yes ]; then
  # An X server of our own on a display number it picks itself and reports
  # once it is ready; it goes when the program ends or this script is stopped.
  ready=$(mktemp)
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$ready" 2>/dev/null &
  server=$!
  trap 'kill "$server" 2>/dev/null || true; rm -f "$ready"' EXIT
  for _ in $(seq 100); do
    [ -s "$ready" ] && break
    kill -0 "$server" 2>/dev/null || { echo "Xvfb did not start" >&2; exit 1; }
    sleep 0.1
  done
  display=$(head -n 1 "$ready")
  [ -n "$display" ] || { echo "Xvfb did not report its display" >&2; exit 1; }
  DISPLAY=:$display "${program[@]}" &
  running=$!
  trap 'kill "$running" 2>/dev/null || true; exit 130' INT
  trap 'kill "$running" 2>/dev/null || true; exit 143' TERM
  echo "Running on virtual display :$display; stop with Ctrl+C or kill $$"
  echo "(to look at it: import -display :$display -window root screen.png)"
  wait "$running" || true
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
