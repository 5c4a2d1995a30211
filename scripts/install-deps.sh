#!/usr/bin/env bash
# Installs the Debian packages a make target needs, and only those. Usage:
#   install-deps.sh [--dry-run] SET...
# SET: run (building and running the Linux program: make build, run, bench), test (the Linux
# tests), windows (the Windows build and its tests under Wine), windows64 (the 64-bit Windows
# build those tests fall back on), package (the Debian package), package-windows (the Windows
# packages), fuzz (the fuzz targets).
#
# As root it runs apt-get; otherwise it prints the command for someone who may. A package index
# that fails to update is reported and the install goes on from the lists as they are; only a
# needed package that cannot be installed fails, naming the package and what needs it.
# 32-bit Wine is asked for only where the kernel runs 32-bit programs, and is optional: without
# it the Windows tests run a 64-bit build under 64-bit Wine.
#
# --dry-run: changes nothing (apt-get simulates the install, the i386 architecture is not added)
# and runs as any user; the tests use it with stand-ins for apt-get and dpkg-query.
set -uo pipefail
here="$(cd "$(dirname "$0")" && pwd)"

dry_run=false
if [ "${1:-}" = --dry-run ]; then
  dry_run=true
  shift
fi
[ $# -gt 0 ] || set -- run

declare -A needed_by=()
required=()
optional=()
# need WHAT PACKAGE...: PACKAGE is required, and WHAT is what needs it.
need() {
  local what=$1 p
  shift
  for p in "$@"; do
    [ -n "${needed_by[$p]:-}" ] && continue
    needed_by[$p]=$what
    required+=("$p")
  done
}

run_set() {
  need "building and running tavrel" cmake g++ make pkg-config \
    libgtest-dev libgmock-dev libbenchmark-dev qt6-base-dev libgl-dev \
    libx11-dev libxtst-dev libxrandr-dev libxkbcommon-dev libxi-dev libasound2-dev libevdev-dev \
    xvfb trayer imagemagick fonts-liberation
}
test_set() {
  run_set
  need "the Linux tests" x11-apps x11-xkb-utils xdotool openbox desktop-file-utils
  # A real kernel with /dev/uinput under emulation, for the virtual input devices' test.
  need "the Linux tests" qemu-system-x86 linux-image-amd64 busybox-static
}
windows64_set() {
  need "the 64-bit Windows tests" g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev wine64
}
windows_set() {
  [ -n "${needed_by[wine]:-}" ] && return 0
  need "the Windows build and its tests" g++-mingw-w64-i686-posix mingw-w64-i686-dev googletest \
    wine
  if "$here/kernel-runs-32bit.sh"; then
    optional+=(wine32:i386)
  else
    echo "This kernel runs no 32-bit programs: the Windows tests will use 64-bit Wine"
    windows64_set
  fi
}

for set in "$@"; do
  case "$set" in
    run) run_set ;;
    test) test_set ;;
    windows) windows_set ;;
    windows64) windows64_set ;;
    package) run_set && need "the Debian package" dpkg-dev lintian ;;
    package-windows) windows_set && need "the Windows packages" zip nsis wine64 xvfb ;;
    fuzz) need "the fuzz targets" clang libclang-rt-14-dev ;;
    *)
      echo "install-deps.sh: unknown set '$set' (run, test, windows, windows64, package, package-windows, fuzz)" >&2
      exit 2
      ;;
  esac
done

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }
missing_of() {
  local p
  for p in "$@"; do installed "$p" || echo "$p"; done
}
mapfile -t missing < <(missing_of "${required[@]}")
mapfile -t missing_optional < <(missing_of "${optional[@]}")
[ ${#missing[@]} -eq 0 ] && [ ${#missing_optional[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ] && ! $dry_run; then
  echo "Missing build dependencies. Install them with:" >&2
  [ ${#missing_optional[@]} -eq 0 ] || echo "  sudo dpkg --add-architecture i386" >&2
  echo "  sudo apt-get update && sudo apt-get install -y ${missing[*]} ${missing_optional[*]}" >&2
  exit 1
fi

export DEBIAN_FRONTEND=noninteractive
simulate=()
$dry_run && simulate=(--simulate)
apt_install() { apt-get install -y -q --no-install-recommends "${simulate[@]}" "$@"; }

# The i386 architecture only for 32-bit Wine; taken away again if that cannot be installed, so
# that a broken i386 index troubles no later update.
added_i386=false
if [ ${#missing_optional[@]} -gt 0 ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  if $dry_run; then
    echo "Would add the i386 architecture for ${missing_optional[*]}"
  else
    dpkg --add-architecture i386 && added_i386=true
  fi
fi

echo "Installing: ${missing[*]} ${missing_optional[*]}"
if ! apt-get update -q >/dev/null 2>&1; then
  echo "apt-get update reported errors (a mirror out of step?): installing from the package lists as they are"
fi

failed=()
# Installs what is missing of the packages given; where that fails, one at a time, to name
# what cannot be had.
install_missing() {
  local p
  mapfile -t todo < <(missing_of "$@")
  [ ${#todo[@]} -eq 0 ] && return 0
  apt_install "${todo[@]}" && return 0
  for p in "${todo[@]}"; do
    apt_install "$p" >/dev/null 2>&1 || failed+=("$p")
  done
}
install_missing "${missing[@]}"
for p in "${missing_optional[@]}"; do
  if ! apt_install "$p"; then
    echo "$p cannot be installed: the Windows tests will use 64-bit Wine"
    $added_i386 && dpkg --remove-architecture i386
    required=()
    windows64_set
    install_missing "${required[@]}"
  fi
done

for p in "${failed[@]}"; do
  echo "$p cannot be installed: ${needed_by[$p]} need it" >&2
done
[ ${#failed[@]} -eq 0 ]
