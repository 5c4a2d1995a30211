#!/usr/bin/env bash
# Checks the layering that the build relies on: the core folders include only the standard
# library, their own layer and the layers below, and the platform interfaces; only the program's
# own main files and the back ends reach Qt, X11, ALSA, termios or the Windows API.
set -euo pipefail
cd "$(dirname "$0")/.."

# folder: the folders its quoted includes may name (platform: the interfaces in platform/ only).
declare -A allowed=(
  [resources]="resources"
  [settings]="settings platform"
  [touch]="touch settings platform"
  [link]="link touch settings platform"
  [keyboard]="keyboard app/dialog.h resources platform"
  [calibration]="calibration app/dialog.h link touch settings resources platform"
  [setup]="setup app/dialog.h link touch settings resources platform"
  [app]="app keyboard calibration setup link touch settings resources platform"
  [platform]="platform resources/menu_entry.h"
)

status=0
complain() {
  echo "$1: $2" >&2
  status=1
}

for folder in "${!allowed[@]}"; do
  files=$(git ls-files "$folder/*.h" "$folder/*.cpp")
  # The program's main files wire the back ends in; the back ends and fakes are not core.
  [ "$folder" = platform ] && files=$(git ls-files 'platform/*.h' 'platform/*.cpp' | grep -E '^platform/[^/]+$' || true)
  for file in $files; do
    [ "$file" = app/main.cpp ] && continue
    [ "$file" = app/main_win32.cpp ] && continue
    while IFS= read -r line; do
      case "$line" in
        '#include <'*)
          header=${line#\#include <}
          header=${header%%>*}
          # The standard C++ library's headers have no extension and no folder.
          [[ "$header" == */* || "$header" == *.* || "$header" == Q* ]] && complain "$file" "$line"
          ;;
        '#include "'*)
          header=${line#\#include \"}
          header=${header%%\"*}
          [ "$header" = tavrel_version.h ] && continue
          ok=0
          for prefix in ${allowed[$folder]}; do
            if [ "$prefix" = platform ]; then
              [[ "$header" =~ ^platform/[^/]+\.h$ ]] && ok=1
            elif [[ "$header" == "$prefix" || "$header" == "$prefix"/* ]]; then
              ok=1
            fi
          done
          [ $ok = 1 ] || complain "$file" "$line"
          ;;
      esac
    done < <(grep -E '^#include' "$file")
  done
done
# Test support stays out of everything that ships or runs against real hardware.
while IFS= read -r hit; do
  complain "${hit%%:*}" "${hit#*:}"
done < <(git grep -E '^#include "(testing|tests)/' -- app platform resources tools/sim tools/probe \
  settings touch link keyboard calibration setup || true)
[ $status = 0 ] && echo "layering: every core include is in its place"
exit $status
