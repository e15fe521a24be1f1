#!/usr/bin/env bash
# Runs a Windows program under Wine for the build's tests and benchmarks.
#
# The Wine prefix lives under build/ (WINEPREFIX, default build/wineprefix)
# and is created once, on first use, under a lock, so parallel tests share it
# and only the first pays Wine's start-up cost. Wine's own debug output and
# its offers to install Mono and Gecko are switched off.
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
export WINEPREFIX="${WINEPREFIX:-$root/build/wineprefix}"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
export WINEARCH=win32

if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$(dirname "$WINEPREFIX")"
  (
    flock 9
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
      wineboot --init >/dev/null 2>&1 || true
      wineserver --wait || true
    fi
  ) 9>"$WINEPREFIX.lock"
fi

# Wine starts helper processes (services, devices, the desktop) that live as
# long as its server and inherit the output of whichever program came first.
# CTest waits until a test's output pipes are closed, so the program writes to
# files that are copied out when it ends, and the server is started here with
# no pipes at all and kept for a few seconds between programs.
wineserver -p10 </dev/null >/dev/null 2>&1 || true
out=$(mktemp)
err=$(mktemp)
trap 'rm -f "$out" "$err"' EXIT
status=0
wine "$@" >"$out" 2>"$err" || status=$?
cat "$out"
cat "$err" >&2
exit "$status"
