# Sourced by test-windows.sh and package-windows.sh: which Wine runs the Windows programs here.
# 32-bit Wine is itself a 32-bit Linux program. Where the kernel runs none, or 32-bit Wine could
# not be installed, the same sources are built for 64-bit Windows (build-win64 beside the 32-bit
# tree) and run under 64-bit Wine: the 32-bit build then only shows that it compiles.

# Why this machine needs the 64-bit build, or nothing when 32-bit Wine runs here.
why_64bit_wine() {
  if ! "$(dirname "${BASH_SOURCE[0]}")/kernel-runs-32bit.sh"; then
    echo "this kernel runs no 32-bit programs"
  elif ! dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q 'install ok installed'; then
    echo "32-bit Wine (wine32:i386) is not installed"
  fi
}

# Builds the 64-bit tree beside the 32-bit one ($1), chooses 64-bit Wine for wine-run.sh, and
# prints the tree's path.
build_64bit_windows() {
  local scripts win64
  scripts="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
  win64="$(dirname "$1")/build-win64"
  "$scripts/install-deps.sh" windows64 >&2 || return 1
  cmake -S "$scripts/.." -B "$win64" -DCMAKE_TOOLCHAIN_FILE="$scripts/../cmake/mingw-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTAVREL_WERROR=ON >/dev/null || return 1
  cmake --build "$win64" -j"${JOBS:-$(nproc)}" >&2 || return 1
  echo "$win64"
}
