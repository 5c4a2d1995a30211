#!/usr/bin/env bash
# The build keeps the core's layers: each core library compiles against only the folders below
# it (cmake/layers.cmake), so an include running back up fails to compile. This checks what the
# compiler cannot see: that every core library is built that way, that no include escapes
# through a relative path, and that only the program's own main files and the back ends reach
# Qt, X11, ALSA, termios or the Windows API, whose headers every target could find.
set -euo pipefail
cd "$(dirname "$0")/.."

core="settings touch link resources dialogs keyboard calibration setup app"

status=0
complain() {
  echo "$1: $2" >&2
  status=1
}

for folder in $core; do
  libraries=$(grep -c '^add_library(' "$folder/CMakeLists.txt" || true)
  layered=$(grep -c '^tavrel_layer(' "$folder/CMakeLists.txt" || true)
  [ "$libraries" = "$layered" ] || complain "$folder/CMakeLists.txt" "a library without tavrel_layer"
done

# The program's main files wire the back ends in; the back ends and fakes are not core.
files=$(git ls-files $(for f in $core; do echo "$f/*.h $f/*.cpp"; done) |
  grep -v -E '^app/main(_win32)?\.cpp$' || true)
files+=" $(git ls-files 'platform/*.h' 'platform/*.cpp' | grep -E '^platform/[^/]+$' || true)"
for file in $files; do
  while IFS= read -r line; do
    case "$line" in
      '#include <'*)
        header=${line#\#include <}
        header=${header%%>*}
        # The standard C++ library's headers have no extension and no folder.
        [[ "$header" == */* || "$header" == *.* || "$header" == Q* ]] && complain "$file" "$line"
        ;;
      '#include "'*../*)
        complain "$file" "$line"
        ;;
    esac
  done < <(grep -E '^#include' "$file")
done
# Test support stays out of everything that ships or runs against real hardware.
while IFS= read -r hit; do
  complain "${hit%%:*}" "${hit#*:}"
done < <(git grep -E '^#include "(testing|tests)/' -- app platform resources tools/sim tools/probe \
  settings touch link keyboard calibration setup dialogs || true)
[ $status = 0 ] && echo "layering: every core include is in its place"
exit $status
