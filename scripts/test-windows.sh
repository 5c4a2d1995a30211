#!/usr/bin/env bash
# Runs the Windows build's tests under Wine: the test programs of the Windows build (the core's and
# the Win32 back ends') through its ctest, then the host tests that drive the Windows programs
# against the emulator on Xvfb (label "wine" in the Linux build). Usage: test-windows.sh HOST WIN32
#
# 32-bit Wine is itself a 32-bit Linux program. Where the kernel runs none, or 32-bit Wine could
# not be installed, the same sources are built for 64-bit Windows next to WIN32 (build-win64) and
# tested under 64-bit Wine: the 32-bit build then only shows that it compiles.
set -uo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
host="$(cd "${1:-build}" && pwd)"
win="$(cd "${2:-build-win32}" && pwd)"

why64=""
if ! "$here/kernel-runs-32bit.sh"; then
  why64="this kernel runs no 32-bit programs"
elif ! dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q 'install ok installed'; then
  why64="32-bit Wine (wine32:i386) is not installed"
fi
if [ -n "$why64" ]; then
  echo "Windows tests: 64-bit build under 64-bit Wine, since $why64; the 32-bit build is compiled, not run"
  "$here/install-deps.sh" windows64 || exit 1
  win="$(dirname "$win")/build-win64"
  cmake -S "$here/.." -B "$win" -DCMAKE_TOOLCHAIN_FILE="$here/../cmake/mingw-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTAVREL_WERROR=ON >/dev/null || exit 1
  cmake --build "$win" -j"${JOBS:-$(nproc)}" || exit 1
  export TAVREL_WINE=/usr/lib/wine/wine64 TAVREL_WINEARCH=win64
else
  echo "Windows tests: 32-bit build under 32-bit Wine"
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
