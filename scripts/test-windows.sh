#!/usr/bin/env bash
# Runs the Windows build's tests under Wine: the test programs of the Windows build (the core's and
# the Win32 back ends') through its ctest, then the host tests that drive the Windows programs
# against the emulator on Xvfb (label "wine" in the Linux build). Usage: test-windows.sh HOST WIN32
#
# Where 32-bit Wine cannot run, a 64-bit build under 64-bit Wine (wine-flavour.sh).
set -uo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
host="$(cd "${1:-build}" && pwd)"
win="$(cd "${2:-build-win32}" && pwd)"
source "$here/wine-flavour.sh"

why64=$(why_64bit_wine)
if [ -n "$why64" ]; then
  echo "Windows tests: 64-bit build under 64-bit Wine, since $why64; the 32-bit build is compiled, not run"
  win=$(build_64bit_windows "$win") || exit 1
  export TAVREL_WINE=/usr/lib/wine/wine64 TAVREL_WINEARCH=win64
else
  echo "Windows tests: 32-bit build under 32-bit Wine, since this kernel runs 32-bit programs and wine32:i386 is installed"
fi
export TAVREL_WINEPREFIX="$win/wine-prefix" TAVREL_WINDOWS_BUILD="$win"

# The prefix and the Wine server, once, before any test runs.
(cd "$win" && timeout 300 "$here/wine-run.sh" cmd /c exit) </dev/null >/dev/null 2>&1

failed=()
(cd "$win" && ctest --output-on-failure -j2 --timeout 300) || failed+=("Windows test programs")
(cd "$host" && ctest --output-on-failure --timeout 300 -L wine) || failed+=("Windows programs on Xvfb")
WINEPREFIX="$TAVREL_WINEPREFIX" timeout 30 wineserver -k >/dev/null 2>&1

if [ ${#failed[@]} -eq 0 ]; then
  echo "Windows tests under Wine ($(basename "$win")): all passed"
else
  echo "Windows tests under Wine ($(basename "$win")): FAILED: ${failed[*]}"
  exit 1
fi
