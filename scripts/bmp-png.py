#!/usr/bin/env python3
"""A 24-bit BMP (as tests/cenyzak-setup/drive/drive_win32.cpp writes it) as a PNG, with nothing
but the standard library:

    scripts/bmp-png.py IN.bmp OUT.png

A picture of at most 256 colours (a dialog window usually is) becomes a palette PNG, the smallest
for a screen picture; any other an RGB one. The PNG carries no time or text chunk, so the same
pixels give the same file.
"""
import struct
import sys
import zlib


def read_bmp(path):
    data = open(path, "rb").read()
    if data[:2] != b"BM":
        sys.exit(f"bmp-png: {path} is not a BMP file")
    offset = struct.unpack_from("<I", data, 10)[0]
    width, height, _, bits, compression = struct.unpack_from("<iiHHI", data, 18)
    if bits != 24 or compression != 0:
        sys.exit(f"bmp-png: {path}: only uncompressed 24-bit BMP is read, not {bits}-bit")
    stride = (width * 3 + 3) & ~3
    rows = []
    for y in range(abs(height)):
        # A positive height is stored bottom-up.
        line = height - 1 - y if height > 0 else y
        start = offset + line * stride
        bgr = data[start:start + width * 3]
        rgb = bytearray(width * 3)
        rgb[0::3], rgb[1::3], rgb[2::3] = bgr[2::3], bgr[1::3], bgr[0::3]
        rows.append(bytes(rgb))
    return width, abs(height), rows


def chunk(kind, body):
    return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))


def write_png(path, width, height, rows):
    colours = {}
    for row in rows:
        for i in range(0, len(row), 3):
            colours.setdefault(row[i:i + 3], len(colours))
            if len(colours) > 256:
                break
        if len(colours) > 256:
            break
    if len(colours) <= 256:
        header = struct.pack(">IIBBBBB", width, height, 8, 3, 0, 0, 0)
        palette = b"".join(sorted(colours, key=colours.get))
        raw = b"".join(b"\0" + bytes(colours[row[i:i + 3]] for i in range(0, len(row), 3))
                       for row in rows)
        extra = chunk(b"PLTE", palette)
    else:
        header = struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)
        raw = b"".join(b"\0" + row for row in rows)
        extra = b""
    with open(path, "wb") as out:
        out.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + extra +
                  chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit("usage: bmp-png.py IN.bmp OUT.png")
    write_png(sys.argv[2], *read_bmp(sys.argv[1]))
