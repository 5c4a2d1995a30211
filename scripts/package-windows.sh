#!/usr/bin/env bash
# Packs the Windows build (default build-win32/) into tavrel-<version>-win32.zip (tavrel.exe, the
# README, the registry defaults) and, where makensis is installed, tavrel-<version>-setup.exe.
# Checks the zip's file list, then installs, imports the defaults and uninstalls silently under
# Wine in a scratch prefix. Where 32-bit Wine cannot run (wine-flavour.sh), that check runs an
# installer of the 64-bit build, made the same way, under 64-bit Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
here="$PWD"
source scripts/wine-flavour.sh
win="$(cd "${1:-build-win32}" && pwd)"
version=$(sed -n 's/^project(tavrel VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
files=("$win/tavrel.exe" "$here/README.md" "$here/packaging/windows/tavrel-defaults.reg")

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
  makensis -V2 -DVERSION="$version" -DOUTFILE="$2" -DEXE="$1/tavrel.exe" -DREADME="${files[1]}" \
    -DDEFAULTS="${files[2]}" ${3:+-DTARGET="$3"} packaging/windows/tavrel.nsi
}
setup="$win/tavrel-$version-setup.exe"
installer "$win" "$setup"
echo "$setup"

why64=$(why_64bit_wine)
if [ -n "$why64" ]; then
  echo "package-windows.sh: the installer is checked as a 64-bit build under 64-bit Wine, since $why64"
  win64=$(build_64bit_windows "$win")
  setup="$win64/tavrel-$version-setup-check.exe"
  installer "$win64" "$setup" amd64-unicode
  export TAVREL_WINE=/usr/lib/wine/wine64 TAVREL_WINEARCH=win64
fi

work=$(mktemp -d)
export TAVREL_WINEPREFIX="$work/prefix"
trap 'WINEPREFIX="$TAVREL_WINEPREFIX" wineserver -k >/dev/null 2>&1; rm -rf "$work"' EXIT
in_wine() { timeout 300 "$here/scripts/wine-run.sh" "$@" </dev/null; }
run_value() { in_wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Run' /v Tavrel; }
port_value() { in_wine reg query 'HKLM\Software\Morvane\Tavrel' /v 'Serial Port'; }
installed="$TAVREL_WINEPREFIX/drive_c/Program Files/Tavrel"

in_wine "$setup" /S
for f in tavrel.exe uninstall.exe README.md tavrel-defaults.reg; do
  [ -f "$installed/$f" ] || { echo "package-windows.sh: installer left no $f" >&2; exit 1; }
done
run_value | grep -q 'tavrel.exe' || { echo "package-windows.sh: no Run entry" >&2; exit 1; }
# The defaults import as settings, which uninstalling keeps.
in_wine regedit /S 'C:\Program Files\Tavrel\tavrel-defaults.reg'
port_value | grep -q '0x5' || { echo "package-windows.sh: the defaults did not import" >&2; exit 1; }
# The uninstaller runs from a copy of itself in the temporary folder and returns at once: wait
# for it to remove the folder.
in_wine "$installed/uninstall.exe" /S
for _ in $(seq 60); do
  [ -e "$installed" ] || break
  sleep 1
done
[ ! -e "$installed" ] || { echo "package-windows.sh: uninstall left $installed" >&2; exit 1; }
if run_value >/dev/null 2>&1; then
  echo "package-windows.sh: uninstall left the Run entry" >&2
  exit 1
fi
port_value >/dev/null || { echo "package-windows.sh: uninstall removed the settings" >&2; exit 1; }
echo "package-windows.sh: installer checked under Wine (install, Run entry, defaults import, uninstall)"
