#!/usr/bin/env bash
# Runs a Windows program under Wine, headless and quiet, in a throw-away prefix
# ($TAVREL_WINEPREFIX, default: wine-prefix in the current build folder), created on first use.
# $TAVREL_WINE and $TAVREL_WINEARCH choose 64-bit Wine for the 64-bit build (test-windows.sh).
set -euo pipefail
wine="${TAVREL_WINE:-wine}"
export WINEPREFIX="${TAVREL_WINEPREFIX:-${WINEPREFIX:-$PWD/wine-prefix}}"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH="${TAVREL_WINEARCH:-win32}"
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  # One creator at a time: ctest may start several programs at once.
  mkdir -p "$(dirname "$WINEPREFIX")"
  exec 9>"$WINEPREFIX.lock"
  flock 9
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    timeout 180 "$wine" wineboot -i >/dev/null 2>&1 || true
    timeout 60 wineserver -w || true
  fi
  flock -u 9
fi
# A server that outlives each program by a minute: every start would otherwise bring up Wine's
# services again, which takes seconds. They are brought up here, away from the program's output:
# whoever reads that (ctest) would otherwise wait for them to end.
wineserver -p60 </dev/null >/dev/null 2>&1 || true
"$wine" cmd /c exit </dev/null >/dev/null 2>&1 || true
exec "$wine" "$@"
