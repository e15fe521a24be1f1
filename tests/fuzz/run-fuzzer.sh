#!/bin/sh
# Runs a fuzz target for six seconds from its committed corpus, without
# adding to it: new inputs go to a scratch directory.
#   run-fuzzer.sh FUZZER CORPUS ARTIFACT_PREFIX [libFuzzer options...]
# A longer search, keeping what it finds:
#   build/fuzz/tests/fuzz/vx_fuzz_scan -dict=tests/fuzz/names.dict -max_total_time=600 NEW_DIR tests/fuzz/corpus/scan
set -eu
fuzzer=$1 corpus=$2 artifacts=$3
shift 3
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
"$fuzzer" -max_total_time=6 -timeout=5 -print_final_stats=1 -artifact_prefix="$artifacts" \
  -dict="$(dirname "$0")/names.dict" "$@" "$scratch" "$corpus"
