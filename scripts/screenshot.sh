#!/usr/bin/env bash
# Takes the README's screenshot: opens the program on the demo game on a
# virtual display and saves the window as docs/screenshot.png.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/ensure-packages.sh xvfb xauth xdotool imagemagick
cmake --preset linux >/dev/null
cmake --build --preset linux --target deDidAzorovo vx_stand_in_game

shot=$(mktemp -d)
trap 'rm -rf "$shot"' EXIT
scripts/make-demo-game.sh "$shot/game" build/linux/tools/Vexmoor.exe
cp build/linux/deDidAzorovo "$shot/game/"
mkdir -p docs

xvfb-run -a -s '-screen 0 640x520x24' bash -c '
  "$1/game/deDidAzorovo" 2>/dev/null &
  program=$!
  window=
  for _ in $(seq 150); do
    window=$(xdotool search --onlyvisible --name "^deDidAzorovo$" 2>/dev/null | head -n 1) || true
    [ -n "$window" ] && break
    sleep 0.2
  done
  [ -n "$window" ] || { echo "the window did not appear" >&2; kill "$program"; exit 1; }
  sleep 1.5
  eval "$(xdotool getwindowgeometry --shell "$window")"
  /usr/bin/import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$2"
  kill "$program"
' _ "$shot" docs/screenshot.png
echo "docs/screenshot.png"
