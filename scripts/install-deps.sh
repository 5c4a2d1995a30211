#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and `make run` need, once.
# As root it runs apt-get; otherwise it prints the command for someone who may.
set -euo pipefail

packages=(
  cmake g++ make pkg-config clang libclang-rt-14-dev clang-format
  libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev libgl-dev
  libx11-dev libxtst-dev libxrandr-dev libxkbcommon-dev libxi-dev
  libasound2-dev
  xvfb xdotool trayer openbox x11-apps x11-utils x11-xkb-utils xinput imagemagick
  fonts-liberation
)
# The install tests validate the desktop entries; `install-deps.sh package` adds what building
# and checking the Debian package needs.
packages+=(desktop-file-utils)
# The Windows build (make windows, make test-windows): the MinGW-w64 cross compiler with POSIX
# threads, GoogleTest's sources to build for it, and 32-bit Wine to run what it builds.
packages+=(g++-mingw-w64-i686-posix mingw-w64-i686-dev googletest wine wine32:i386)
if [ "${1:-}" = package ]; then
  packages+=(dpkg-dev lintian)
fi
# `install-deps.sh windows64`: where the kernel runs no 32-bit programs (32-bit Wine is one),
# test-windows.sh tests a 64-bit Windows build under 64-bit Wine instead.
if [ "${1:-}" = windows64 ]; then
  packages+=(g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev wine64)
fi
# `install-deps.sh package-windows`: the zip and the NSIS installer of the Windows build.
if [ "${1:-}" = package-windows ]; then
  packages+=(zip nsis)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
  echo "Missing build dependencies. Install them with:" >&2
  echo "  sudo apt-get update && sudo apt-get install -y ${missing[*]}" >&2
  exit 1
fi

echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
# wine32 is an i386 package.
dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
apt-get update -q
apt-get install -y -q --no-install-recommends "${missing[@]}"
