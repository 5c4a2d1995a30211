#!/bin/busybox sh
# The guest's first process: a kernel with evdev and uinput, then the tests, whose status ends
# up on the serial console for the host to read.
/bin/busybox --install -s /bin
export PATH=/bin
mount -t proc proc /proc
mount -t sysfs sys /sys
mount -t devtmpfs dev /dev
mkdir -p /dev/pts /tmp
mount -t devpts devpts /dev/pts
mount -t tmpfs tmp /tmp
insmod /modules/evdev.ko
insmod /modules/uinput.ko
tries=0
while [ ! -e /dev/uinput ] && [ $tries -lt 100 ]; do
  sleep 0.1
  tries=$((tries + 1))
done
echo "guest up after $(cut -d' ' -f1 /proc/uptime) s"
TAVREL_PROGRAM=/bin/tavrel /bin/uinput_guest_test --gtest_color=no
echo "TAVREL-GUEST-STATUS $?"
poweroff -f
