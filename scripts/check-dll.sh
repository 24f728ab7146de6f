#!/usr/bin/env bash
# Checks the built DLL's binary interface: exports exactly the ordinals 30001, 30008 and 30009, by
# ordinal only; imports nothing but KERNEL32.dll, USER32.dll and msvcrt.dll; 32 KiB or less.
set -euo pipefail
dll=${1:?usage: check-dll.sh path/to/cenyzak.dll}
dump=$(i686-w64-mingw32-objdump -p "$dll")
fail=0

exports=$(awk '/^Export Address Table/{on=1;next} on&&/^\[Ordinal\/Name Pointer\]/{on=0} on' <<<"$dump" |
  grep -E 'Export RVA' | sed -E 's/.*\+base\[ *([0-9]+)\].*/\1/' | tr '\n' ' ')
if [ "$exports" != "30001 30008 30009 " ]; then
  echo "cenyzak.dll exports ordinals [$exports], expected [30001 30008 30009 ]"; fail=1
fi
names=$(awk '/^\[Ordinal\/Name Pointer\] Table/{on=1;next} on&&/^$/{on=0} on' <<<"$dump" | grep -c '\[' || true)
if [ "$names" != "0" ]; then echo "cenyzak.dll exports $names name(s); it must export none"; fail=1; fi

imports=$(grep -E '^\s*DLL Name:' <<<"$dump" | awk '{print $3}' | sort | tr '\n' ' ')
if [ "$imports" != "KERNEL32.dll USER32.dll msvcrt.dll " ]; then
  echo "cenyzak.dll imports [$imports], expected [KERNEL32.dll USER32.dll msvcrt.dll ]"; fail=1
fi

size=$(stat -c %s "$dll")
if [ "$size" -gt 32768 ]; then echo "cenyzak.dll is $size bytes, over 32 KiB"; fail=1; fi

if [ $fail -eq 0 ]; then
  echo "cenyzak.dll: exports 30001 30008 30009 by ordinal only; imports $imports; $size bytes"
  echo "1 passed, 0 failed"
else
  echo "0 passed, 1 failed"
  exit 1
fi
