#!/usr/bin/env bash
# Clears export address slots of a 32-bit Windows module, in place, so that the module no longer
# exports those ordinals: a host module that lacks a service, made from the simulated one.
#
#   scripts/pe-clear-export.sh MODULE ORDINAL...
set -euo pipefail
[ $# -ge 2 ] || { echo "usage: pe-clear-export.sh MODULE ORDINAL..." >&2; exit 2; }
file=$1
shift
u16() { od -An -tu2 --endian=little -j "$1" -N 2 "$file" | tr -d ' '; }
u32() { od -An -tu4 --endian=little -j "$1" -N 4 "$file" | tr -d ' '; }

pe=$(u32 60)
sections=$(u16 $((pe + 6)))
optional=$((pe + 24))
table=$((optional + $(u16 $((pe + 20)))))
# The file offset of an address inside the image, through the section table.
offset_of() {
  local i at address raw_size raw_offset
  for ((i = 0; i < sections; i++)); do
    at=$((table + 40 * i))
    address=$(u32 $((at + 12)))
    raw_size=$(u32 $((at + 16)))
    raw_offset=$(u32 $((at + 20)))
    if [ "$1" -ge "$address" ] && [ "$1" -lt $((address + raw_size)) ]; then
      echo $(($1 - address + raw_offset))
      return
    fi
  done
  echo "pe-clear-export: $file: address $1 lies in no section" >&2
  exit 1
}
directory=$(offset_of "$(u32 $((optional + 96)))")
base=$(u32 $((directory + 16)))
count=$(u32 $((directory + 20)))
functions=$(offset_of "$(u32 $((directory + 28)))")
for ordinal in "$@"; do
  if [ "$ordinal" -lt "$base" ] || [ "$ordinal" -ge $((base + count)) ]; then
    echo "pe-clear-export: $file exports no ordinal $ordinal" >&2
    exit 1
  fi
  head -c 4 /dev/zero | dd of="$file" bs=1 seek=$((functions + 4 * (ordinal - base))) \
    conv=notrunc status=none
done
