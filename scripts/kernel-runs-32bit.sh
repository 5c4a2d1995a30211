#!/usr/bin/env bash
# Exits 0 when this machine's kernel runs 32-bit x86 programs (32-bit Wine is one), by running
# the smallest such program: a static ELF that only exits. It needs no 32-bit library, so it
# answers before anything i386 is installed. TAVREL_KERNEL_RUNS_32BIT=0|1 answers for it (tests).
set -u
case "${TAVREL_KERNEL_RUNS_32BIT:-}" in
  0) exit 1 ;;
  1) exit 0 ;;
esac
probe=$(mktemp) || exit 1
trap 'rm -f "$probe"' EXIT
# ELF header, one loadable segment at 0x08048000, then: xor ebx,ebx; xor eax,eax; inc eax;
# int 0x80 (exit with status 0).
printf '\x7fELF\x01\x01\x01\0\0\0\0\0\0\0\0\0\x02\0\x03\0\x01\0\0\0\x54\x80\x04\x08\x34\0\0\0' >"$probe"
printf '\0\0\0\0\0\0\0\0\x34\0\x20\0\x01\0\0\0\0\0\0\0' >>"$probe"
printf '\x01\0\0\0\0\0\0\0\0\x80\x04\x08\0\x80\x04\x08\x5b\0\0\0\x5b\0\0\0\x05\0\0\0\0\x10\0\0' >>"$probe"
printf '\x31\xdb\x31\xc0\x40\xcd\x80' >>"$probe"
chmod +x "$probe"
"$probe" 2>/dev/null
