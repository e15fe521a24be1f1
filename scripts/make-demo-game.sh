#!/usr/bin/env bash
# Makes a demo game directory: the stand-in "Vexmoor.exe", the base data
# folder "base.rte" and a handful of enabled and disabled mods. An existing
# demo is left as it is, so the folder states a user left survive a re-run.
# Usage: scripts/make-demo-game.sh DIRECTORY STAND_IN_GAME
set -euo pipefail
demo=$1
stand_in=$2

if [ ! -d "$demo/base.rte" ]; then
  mkdir -p "$demo/base.rte"
  for mod in "Weapons Pack.rte" "armour.RTE" "Vehicles" "maps.rte" "Ärger Ωmega" "Sound FX" "tools.Rte" "old_ui"; do
    mkdir -p "$demo/$mod"
  done
fi
install -m 0755 "$stand_in" "$demo/Vexmoor.exe"
