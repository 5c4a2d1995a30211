#!/usr/bin/env bash
# Boots the distribution's kernel under QEMU with an initramfs made here (busybox, evdev.ko,
# uinput.ko, the test program, the program and every library they load, the keyboard layouts),
# runs the test program inside and reads its results from the serial console. Fails, never
# skips, when QEMU or the kernel is missing. Usage: qemu_test.sh GUEST_TEST PROGRAM
set -uo pipefail
guest_test=$1
program=$2
here="$(cd "$(dirname "$0")" && pwd)"
fail() {
  echo "FAIL: $*" >&2
  exit 1
}

qemu=$(command -v qemu-system-x86_64) ||
  fail "qemu-system-x86_64 is missing (package qemu-system-x86: scripts/install-deps.sh test)"
busybox=$(command -v busybox) || fail "busybox is missing (package busybox-static)"
# The installed distribution kernel: a version under /lib/modules with its image in /boot (the
# running kernel may be another one, without either).
kernel=""
for dir in /lib/modules/*/; do
  version=$(basename "$dir")
  input="$dir/kernel/drivers/input"
  if [ -r "/boot/vmlinuz-$version" ] && [ -f "$input/evdev.ko" ] && [ -f "$input/misc/uinput.ko" ]; then
    kernel=/boot/vmlinuz-$version
    modules=$input
  fi
done
[ -n "$kernel" ] || fail "no kernel image in /boot with evdev.ko and uinput.ko (package linux-image-amd64)"

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
mkdir -p "$root"/{bin,modules,proc,sys,dev,tmp}
# A file and, for a program, the libraries it loads, at their own paths.
copy_with_libraries() {
  local file=$1 target=$2 lib
  cp -L "$file" "$root$target"
  for lib in $(ldd "$file" 2>/dev/null | grep -oE '/[^ ]+'); do
    [ -e "$root$lib" ] || cp -L --parents "$lib" "$root"
  done
}
copy_with_libraries "$busybox" /bin/busybox
copy_with_libraries "$guest_test" /bin/uinput_guest_test
copy_with_libraries "$program" /bin/tavrel
cp "$modules/evdev.ko" "$modules/misc/uinput.ko" "$root/modules/"
cp --parents -r /usr/share/X11/xkb "$root"
cp "$here/guest_init.sh" "$root/init"
chmod +x "$root/init"
(cd "$root" && find . | busybox cpio -o -H newc >"$root.cpio" 2>/dev/null) || fail "cpio failed"
trap 'rm -rf "$root" "$root.cpio"' EXIT

console="$root.console"
trap 'rm -rf "$root" "$root.cpio" "$console"' EXIT
start=$(date +%s%N)
timeout 100 "$qemu" -nographic -no-reboot -m 512 -kernel "$kernel" -initrd "$root.cpio" \
  -append "console=ttyS0 quiet panic=-1" </dev/null >"$console" 2>&1
qemu_status=$?
tenths=$((($(date +%s%N) - start) / 100000000))
tr -d '\r' <"$console"
echo "QEMU ran $((tenths / 10)).$((tenths % 10)) s (status $qemu_status) with $kernel"
grep -q 'TAVREL-GUEST-STATUS 0' "$console" || fail "the tests inside the guest did not pass"
