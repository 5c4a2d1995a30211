#!/usr/bin/env bash
# Builds the Debian package in a Release tree (default build-package/) and checks it: the same
# files as `cmake --install`, the unpacked programs answer --version, and lintian finds no error.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-package}
jobs=${JOBS:-2}

# Debian's flags with all its hardening; no compiler banner in the binaries. Warnings stay
# warnings here (TAVREL_WERROR is off), as in any packager's build.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cxxflags="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS) -fno-ident"
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
  -DTAVREL_WITH_BENCH=OFF -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON \
  -DCMAKE_CXX_FLAGS="$cxxflags" -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" \
  >/dev/null
cmake --build "$build" -j"$jobs" --target tavrel tavrel-sim tavrel-link-probe tavrel_install_files
rm -f "$build"/tavrel_*.deb
(cd "$build" && cpack -G DEB)
deb=$(ls "$build"/tavrel_*.deb)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
DESTDIR="$work/installed" cmake --install "$build" >/dev/null
(cd "$work/installed" && find . ! -type d | sort) >"$work/installed.list"
dpkg-deb -x "$deb" "$work/unpacked"
(cd "$work/unpacked" && find . ! -type d | sort) >"$work/unpacked.list"
if ! diff -u "$work/installed.list" "$work/unpacked.list"; then
  echo "package.sh: the package's files differ from the install rules'" >&2
  exit 1
fi
for program in tavrel tavrel-sim tavrel-link-probe; do
  env -u DISPLAY "$work/unpacked/usr/bin/$program" --version
done

# lintian warns against running as root: as root, it checks a copy as nobody.
if [ "$(id -u)" -eq 0 ] && id nobody >/dev/null 2>&1; then
  chmod 755 "$work"
  install -m 644 "$deb" "$work/check.deb"
  runuser -u nobody -- env HOME=/tmp TMPDIR=/tmp lintian --fail-on error --display-info \
    "$work/check.deb"
else
  lintian --fail-on error --display-info "$deb"
fi
echo "$deb"
dpkg-deb --info "$deb" | sed -n '/Package:/,$p'
dpkg-deb --contents "$deb"
