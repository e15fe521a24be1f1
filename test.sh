#!/usr/bin/env bash
# Installs what the build needs, builds, and runs every test: the Linux
# program's whole suite, the core's tests again under AddressSanitizer and
# UBSan, then the Windows program's suite under Wine (with an X server of its
# own for the window tests), then the Linux program starting the Windows game
# through Wine (it needs both builds), builds the release twice to check that
# it comes out byte for byte the same, installs and starts the release's Linux
# program here and in a Debian 13 root (made once under build/), and last runs
# the fuzz targets for a short while each.
set -euo pipefail
cd "$(dirname "$0")"

scripts/ensure-packages.sh $(grep -hv '^#' scripts/packages.txt scripts/packages-windows.txt scripts/packages-test.txt)

cmake --workflow --preset linux
cmake --workflow --preset linux-asan
xvfb-run -a -s "-screen 0 1280x1024x24" cmake --workflow --preset windows
xvfb-run -a tools/launch_through_wine_test.sh build/linux/deDidAzorovo build/windows/tools/Vexmoor.exe
tests/release/reproducible_test.sh
scripts/release.sh build/dist >/dev/null
xvfb-run -a tests/release/distributions_test.sh \
  "build/dist/deDidAzorovo-$(cmake -P cmake/version.cmake)-linux-$(uname -m).tar.gz"
cmake --workflow --preset fuzz
