#!/usr/bin/env bash
# Ends a Windows image on an 8-byte boundary and writes its PE checksum, in place:
#
#   scripts/pe-pad.sh FILE...
#
# Authenticode signing (osslsigncode, signtool) pads an image with zero bytes to a multiple of 8
# before it appends the signature, and removing the signature keeps that padding and writes the
# checksum anew. An image that already ends on the boundary, with its checksum right, is therefore
# exactly what remains when the signature of its signed copy is removed: the signed file is the
# reproducible build plus its signature, and ./release checks that it is. The checksum is the one
# Windows computes (the 16-bit one's-complement sum of the file with the checksum field taken as 0,
# plus the file's length); a file already padded and summed is left byte for byte as it is.
set -euo pipefail
for file in "$@"; do
  size=$(stat -c %s "$file")
  pad=$(((8 - size % 8) % 8))
  [ $pad -gt 0 ] && head -c $pad /dev/zero >>"$file"
  size=$((size + pad))
  # The checksum field: 88 bytes into the PE header (its signature, the file header of 20 bytes,
  # then 64 bytes of the optional header).
  pe=$(od -An -tu4 --endian=little -j 60 -N 4 "$file" | tr -d ' ')
  field=$((pe + 88))
  [ "$(head -c $((pe + 2)) "$file" | tail -c 2)" = "PE" ] ||
    { echo "pe-pad: $file is not a Windows image" >&2; exit 1; }
  sum=$(od -An -v -tu2 --endian=little -w2 "$file" | awk -v skip=$((field / 2)) '
    NR - 1 == skip || NR - 1 == skip + 1 { next }
    { s += $1; s = (s % 65536) + int(s / 65536) }
    END { printf "%d", (s % 65536) + int(s / 65536) }')
  sum=$((sum + size))
  printf "$(printf '\\x%02x\\x%02x\\x%02x\\x%02x' $((sum & 255)) $((sum >> 8 & 255)) \
    $((sum >> 16 & 255)) $((sum >> 24 & 255)))" |
    dd of="$file" bs=1 seek=$field conv=notrunc status=none
done
