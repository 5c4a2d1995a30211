#!/usr/bin/env bash
# Checks the installer SETUP under Wine in a scratch prefix, silently: what it installs and
# registers, that the settings land in the 32-bit registry view (WOW6432Node on 64-bit Windows),
# that the installed program changes them there, that an install meets a running program that
# does not close with a clear failure, and that uninstalling keeps the settings unless asked.
# Run by package-windows.sh, which chooses Wine: $TAVREL_WINE and $TAVREL_WINEARCH for the
# programs (wine-run.sh), $WINE64 for 64-bit reg.exe where the prefix has two views ("": one).
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
setup="$1"

work=$(mktemp -d)
export TAVREL_WINEPREFIX="$work/prefix"
# The program needs a display for its windows: a private Xvfb.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
xvfb=$!
trap 'WINEPREFIX="$TAVREL_WINEPREFIX" wineserver -k >/dev/null 2>&1; kill $xvfb; rm -rf "$work"' EXIT
for _ in $(seq 50); do
  [ -s "$work/display" ] && break
  sleep 0.1
done
export DISPLAY=":$(cat "$work/display")"
fail() {
  echo "check-windows-installer.sh: $*" >&2
  exit 1
}
in_wine() { timeout 300 "$here/wine-run.sh" "$@" </dev/null; }
# reg.exe that sees both views, each named explicitly.
reg() { TAVREL_WINE="${WINE64:-${TAVREL_WINE:-wine}}" in_wine reg "$@"; }
# value VIEW KEY NAME: the value's data as reg.exe prints it, or nothing.
value() {
  reg query "HKLM\\$2" /v "$3" "/reg:$1" 2>/dev/null | sed -n "s/^ *$3 *REG_[A-Z_]* *//p" | tr -d '\r'
}
settings='Software\Morvane\Tavrel'
run='Software\Microsoft\Windows\CurrentVersion\Run'
uninstall='Software\Microsoft\Windows\CurrentVersion\Uninstall\Tavrel'
views() { [ -n "${WINE64:-}" ]; }
# in_32bit_view_only KEY NAME WHAT
in_32bit_view_only() {
  [ -n "$(value 32 "$1" "$2")" ] || fail "$3 is not in the 32-bit view"
  if views && [ -n "$(value 64 "$1" "$2")" ]; then fail "$3 is in the 64-bit view too"; fi
}

in_wine "$setup" /S || fail "the silent install failed"
location=$(value 32 "$uninstall" InstallLocation)
[ -n "$location" ] || fail "no InstallLocation"
installed=$(WINEPREFIX="$TAVREL_WINEPREFIX" winepath -u "$location" 2>/dev/null)
for f in tavrel.exe uninstall.exe README.md tavrel-defaults.reg; do
  [ -f "$installed/$f" ] || fail "the installer left no $f"
done
shortcut="$TAVREL_WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Tavrel.lnk"
[ -f "$shortcut" ] || fail "no Start-menu shortcut"
value 32 "$run" Tavrel | grep -q 'tavrel.exe' || fail "no Run entry"
in_32bit_view_only "$run" Tavrel "the Run entry"
value 32 "$uninstall" DisplayIcon | grep -q 'tavrel.exe' || fail "no DisplayIcon"
[ $(($(value 32 "$uninstall" EstimatedSize))) -gt 0 ] || fail "no EstimatedSize"
[ "$(value 32 "$settings" 'Serial Port')" = 0x5 ] || fail "the defaults were not imported"
in_32bit_view_only "$settings" 'Serial Port' "the settings"

# The installed program stores into the same view: every start writes the factory corners.
reg add "HKLM\\$settings" /v 'Click Value Left Top X' /t REG_DWORD /d 999 /f /reg:32 >/dev/null
in_wine "$installed/tavrel.exe" >/dev/null 2>&1 &
program=$!
for _ in $(seq 60); do
  [ "$(value 32 "$settings" 'Click Value Left Top X')" = 0x6f ] && break
  sleep 1
done
[ "$(value 32 "$settings" 'Click Value Left Top X')" = 0x6f ] ||
  fail "the installed program did not change its settings"
# Without a controller it waits in its "Failed checking" box, where a close request cannot end
# it: an install now stops with status 2 and leaves the program alone.
status=0
in_wine "$setup" /S || status=$?
[ "$status" = 2 ] || fail "an install over a program that would not close ended with $status"
WINEPREFIX="$TAVREL_WINEPREFIX" wineserver -k >/dev/null 2>&1 || true
wait $program || true

# The uninstaller runs from a copy of itself in the temporary folder and returns at once: wait
# for it to remove the folder.
uninstall_and_wait() {
  in_wine "$installed/uninstall.exe" /S "$@"
  for _ in $(seq 60); do
    [ -e "$installed" ] || break
    sleep 1
  done
  [ ! -e "$installed" ] || fail "uninstall left $installed"
}
uninstall_and_wait
[ ! -e "$shortcut" ] || fail "uninstall left the shortcut"
[ -z "$(value 32 "$run" Tavrel)" ] || fail "uninstall left the Run entry"
[ -z "$(value 32 "$uninstall" DisplayName)" ] || fail "uninstall left its own entry"
[ "$(value 32 "$settings" 'Serial Port')" = 0x5 ] || fail "uninstall removed the settings"
in_wine "$setup" /S || fail "the reinstall failed"
uninstall_and_wait /REMOVESETTINGS
[ -z "$(value 32 "$settings" 'Serial Port')" ] || fail "/REMOVESETTINGS kept the settings"

if views; then
  echo "check-windows-installer.sh: checked under Wine in a 64-bit prefix: install, shortcut," \
    "Run and uninstall entries and settings in the 32-bit view only, the program storing there," \
    "a running program stopping the install, uninstall keeping the settings unless asked"
else
  echo "check-windows-installer.sh: checked under Wine in a 32-bit prefix (one registry view:" \
    "the 32-bit view could not be told apart): install, shortcut, entries, settings, the" \
    "program storing there, a running program stopping the install, uninstall"
fi
