#!/usr/bin/env bash
# Prints "yes" when this machine runs 32-bit x86 programs, "no" when it does not.
# What is installed says nothing: a kernel built or booted without IA-32 emulation refuses
# every i386 program (even a static one) with "Exec format error", wine32's loader included.
# So a tiny i386 program is run: an ELF header, one program header and exit(42) through
# int 0x80, 96 bytes written here, needing no 32-bit libraries.
set -u
tmp=$(mktemp "${TMPDIR:-/tmp}/trx-i386.XXXXXX") || exit 2
trap 'rm -f "$tmp"' EXIT
printf '%b' \
  '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00' \
  '\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00' \
  '\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00' \
  '\x00\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08' \
  '\x00\x80\x04\x08\x60\x00\x00\x00\x60\x00\x00\x00\x05\x00\x00\x00' \
  '\x00\x10\x00\x00\xb8\x01\x00\x00\x00\xbb\x2a\x00\x00\x00\xcd\x80' >"$tmp"
chmod +x "$tmp"
"$tmp" 2>/dev/null
if [ $? -eq 42 ]; then echo yes; else echo no; fi
