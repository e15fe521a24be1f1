#!/usr/bin/env bash
# Installs what the build needs, builds, and runs every test: the Linux
# program's whole suite, the core's tests again under AddressSanitizer and
# UBSan, then the Windows program's suite under Wine (with an X server of its
# own for the window tests), and last the fuzz targets for a short while each.
set -euo pipefail
cd "$(dirname "$0")"

scripts/ensure-packages.sh $(grep -v '^#' scripts/packages.txt)

cmake --workflow --preset linux
cmake --workflow --preset linux-asan
xvfb-run -a -s "-screen 0 1280x1024x24" cmake --workflow --preset windows
cmake --workflow --preset fuzz
