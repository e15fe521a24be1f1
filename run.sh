#!/usr/bin/env bash
# Installs what the build needs, builds, and opens the program on a demo game.
set -euo pipefail
cd "$(dirname "$0")"

scripts/ensure-packages.sh $(grep -v '^#' scripts/packages.txt)
cmake --preset linux
cmake --build --preset linux

echo "The window arrives with the Linux desktop front end; until then the core is built and tested by ./test.sh."
