#!/usr/bin/env bash
# Installs what the build needs, builds, and runs every test: the whole suite,
# then the core's tests again under AddressSanitizer and UBSan.
set -euo pipefail
cd "$(dirname "$0")"

scripts/ensure-packages.sh $(grep -v '^#' scripts/packages.txt)

cmake --workflow --preset linux
cmake --workflow --preset linux-asan
