#!/usr/bin/env bash
# Packs the Windows build (default build-win32/) into tavrel-<version>-win32.zip (tavrel.exe
# stripped of its debugging sections, the README, the registry defaults) and, where makensis is
# installed, tavrel-<version>-setup.exe. Checks the zip's file list, then the installer under Wine
# (check-windows-installer.sh) in a 64-bit prefix, where the 32-bit installer and program run as
# on 64-bit Windows. Where 32-bit Wine cannot run (wine-flavour.sh), that check runs an installer
# of the 64-bit build, made the same way, under 64-bit Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
here="$PWD"
source scripts/wine-flavour.sh
win="$(cd "${1:-build-win32}" && pwd)"
version=$(sed -n 's/^project(tavrel VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)

# stripped TREE: the tree's tavrel.exe without its debugging sections, as shipped.
stripped() {
  local strip
  strip=$(sed -n 's/^CMAKE_STRIP:FILEPATH=//p' "$1/CMakeCache.txt")
  mkdir -p "$1/package"
  "$strip" -o "$1/package/tavrel.exe" "$1/tavrel.exe"
  if "${strip%strip}objdump" -h "$1/package/tavrel.exe" | grep -q '\.debug'; then
    echo "package-windows.sh: $1/package/tavrel.exe still has debugging sections" >&2
    return 1
  fi
  echo "$1/package/tavrel.exe"
}
files=("$(stripped "$win")" "$here/README.md" "$here/packaging/windows/tavrel-defaults.reg")

zip="$win/tavrel-$version-win32.zip"
rm -f "$zip"
zip -q -j -X "$zip" "${files[@]}"
listed=$(zipinfo -1 "$zip" | sort)
expected=$(printf '%s\n' README.md tavrel-defaults.reg tavrel.exe)
if [ "$listed" != "$expected" ]; then
  echo "package-windows.sh: the zip holds:" $listed >&2
  exit 1
fi
echo "$zip"
zipinfo "$zip"

if ! command -v makensis >/dev/null; then
  echo "package-windows.sh: makensis not found (Debian package nsis): no installer"
  exit 0
fi
# installer TREE OUTFILE [TARGET]: the installer of the Windows build in TREE.
installer() {
  makensis -V2 -DVERSION="$version" -DOUTFILE="$2" -DEXE="$(stripped "$1")" \
    -DREADME="${files[1]}" -DDEFAULTS="${files[2]}" -DICON="$here/resources/tavrel.ico" \
    ${3:+-DTARGET="$3"} packaging/windows/tavrel.nsi
}
setup="$win/tavrel-$version-setup.exe"
installer "$win" "$setup"
echo "$setup"

why64=$(why_64bit_wine)
wine64=/usr/lib/wine/wine64
if [ -n "$why64" ]; then
  echo "package-windows.sh: the installer is checked as a 64-bit build under 64-bit Wine, since" \
    "$why64: the 32-bit program could not be run; the 64-bit one reaches the 32-bit registry view" \
    "through the same access flags"
  win64=$(build_64bit_windows "$win")
  setup="$win64/tavrel-$version-setup-check.exe"
  installer "$win64" "$setup" amd64-unicode
  export TAVREL_WINE=$wine64 TAVREL_WINEARCH=win64
elif [ -x "$wine64" ]; then
  # As on 64-bit Windows: the 32-bit installer and program under WoW64, two registry views.
  echo "package-windows.sh: the installer is checked in a 64-bit prefix (32-bit programs, WoW64)"
  export TAVREL_WINEARCH=win64
else
  echo "package-windows.sh: no 64-bit Wine: checked in a 32-bit prefix, whose one registry view" \
    "cannot show that the 32-bit view is the one used"
  wine64=
fi
export WINE64="$wine64"
exec scripts/check-windows-installer.sh "$setup"
