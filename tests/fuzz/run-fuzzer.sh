#!/bin/sh
# Runs a fuzz target for ten seconds, starting from its committed corpus
# without adding to it.
#   run-fuzzer.sh FUZZER CORPUS ARTIFACT_PREFIX [libFuzzer options...]
set -eu
fuzzer=$1 corpus=$2 artifacts=$3
shift 3
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
"$fuzzer" -max_total_time=10 -timeout=5 -print_final_stats=1 -artifact_prefix="$artifacts" "$@" \
  "$scratch" "$corpus"
