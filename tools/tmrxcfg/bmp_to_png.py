#!/usr/bin/env python3
"""Turns the pictures tmrxcfg saves (32-bit BI_RGB bitmaps) into PNG files.

    bmp_to_png.py DIR      every DIR/*.bmp becomes DIR/*.png; the BMP goes

Only Python's standard library is used.
"""
import os
import struct
import sys
import zlib


def read_bmp(path):
    with open(path, "rb") as f:
        data = f.read()
    if data[:2] != b"BM":
        raise ValueError(f"{path}: not a bitmap")
    offset = struct.unpack_from("<I", data, 10)[0]
    width, height, _, bits, compression = struct.unpack_from("<iiHHI", data, 18)
    if bits != 32 or compression != 0 or width <= 0 or height == 0:
        raise ValueError(f"{path}: want a 32-bit uncompressed bitmap")
    rows = []
    for y in range(abs(height)):
        start = offset + y * width * 4
        bgrx = data[start:start + width * 4]
        rgb = bytearray(width * 3)
        rgb[0::3] = bgrx[2::4]
        rgb[1::3] = bgrx[1::4]
        rgb[2::3] = bgrx[0::4]
        rows.append(bytes(rgb))
    if height > 0:
        rows.reverse()  # bottom-up
    return width, abs(height), rows


def png_bytes(width, height, rows):
    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))

    raw = b"".join(b"\0" + row for row in rows)
    return (b"\x89PNG\r\n\x1a\n"
            + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw, 9))
            + chunk(b"IEND", b""))


def main(argv):
    if len(argv) != 2 or not os.path.isdir(argv[1]):
        sys.stderr.write("usage: bmp_to_png.py DIR\n")
        return 2
    for name in sorted(os.listdir(argv[1])):
        if not name.lower().endswith(".bmp"):
            continue
        path = os.path.join(argv[1], name)
        try:
            picture = png_bytes(*read_bmp(path))
        except (OSError, ValueError) as error:
            sys.stderr.write(f"bmp_to_png.py: {error}\n")
            return 1
        with open(path[:-4] + ".png", "wb") as out:
            out.write(picture)
        os.remove(path)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
