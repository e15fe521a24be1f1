#!/usr/bin/env bash
# Takes the README's screenshots: opens the program on the demo game on a
# virtual display under the openbox window manager and saves the window with
# its frame and title bar as docs/screenshot.png; with --windows, the Windows
# program's as well.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/ensure-packages.sh xvfb xauth xdotool x11-utils imagemagick openbox
cmake --preset linux >/dev/null
cmake --build --preset linux --target deDidAzorovo vx_stand_in_game

shot=$(mktemp -d)
trap 'rm -rf "$shot"' EXIT
scripts/make-demo-game.sh "$shot/game" build/linux/tools/Vexmoor.exe
cp build/linux/deDidAzorovo "$shot/game/"
mkdir -p docs

xvfb-run -a -s '-screen 0 640x520x24' bash -c '
  openbox --sm-disable >/dev/null 2>&1 &
  manager=$!
  for _ in $(seq 50); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id" && break
    sleep 0.1
  done
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
  /usr/bin/import -window "$window" -frame "$2"
  kill "$program" "$manager"
' _ "$shot" docs/screenshot.png
echo "docs/screenshot.png"

# The Windows program under Wine, in a Wine desktop of its own, which draws
# the window's frame and title bar: docs/screenshot-windows.png.
if [ "${1:-}" = "--windows" ]; then
  cmake --preset windows >/dev/null
  cmake --build --preset windows --target deDidAzorovo vx_stand_in_game
  scripts/make-demo-game.sh "$shot/wgame" build/windows/tools/Vexmoor.exe
  cp build/windows/deDidAzorovo.exe "$shot/wgame/"
  exe="Z:$shot/wgame/deDidAzorovo.exe"
  xvfb-run -a -s '-screen 0 640x520x24' bash -c '
    scripts/wine-run.sh explorer /desktop=shot,640x520 "$1" &
    sleep 15
    /usr/bin/import -window root -crop 450x450+94+34 +repage "$2"
    WINEPREFIX="${WINEPREFIX:-$PWD/build/wineprefix}" wineserver -k
  ' _ "${exe//\//\\}" docs/screenshot-windows.png
  echo "docs/screenshot-windows.png"
fi
