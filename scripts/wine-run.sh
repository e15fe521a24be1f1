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

exec wine "$@"
