#!/usr/bin/env python3
"""Draws the banner of the main trunk dialog: a 331 x 63 pixel, 16-colour
(4 bits per pixel) Windows bitmap, the same bytes on every run.

    make_bitmap.py OUTPUT.bmp

Left: the maker's name and the product line over a dithered blue gradient.
Right: four ports whose lines join into one trunk.
Only Python's standard library is used.
"""
import struct
import sys

WIDTH, HEIGHT = 331, 63

# The standard 16-colour palette, as (red, green, blue).
PALETTE = [
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
]
BLACK, GREEN, NAVY, TEAL, SILVER, GREY, LIME, YELLOW, BLUE, AQUA, WHITE = 0, 2, 4, 6, 7, 8, 10, 11, 12, 14, 15

# 5 x 7 glyphs of the letters the banner uses.
GLYPHS = {
    "A": ["01110", "10001", "10001", "11111", "10001", "10001", "10001"],
    "E": ["11111", "10000", "10000", "11110", "10000", "10000", "11111"],
    "G": ["01110", "10001", "10000", "10111", "10001", "10001", "01111"],
    "I": ["11111", "00100", "00100", "00100", "00100", "00100", "11111"],
    "K": ["10001", "10010", "10100", "11000", "10100", "10010", "10001"],
    "L": ["10000", "10000", "10000", "10000", "10000", "10000", "11111"],
    "M": ["10001", "11011", "10101", "10101", "10001", "10001", "10001"],
    "N": ["10001", "11001", "10101", "10011", "10001", "10001", "10001"],
    "O": ["01110", "10001", "10001", "10001", "10001", "10001", "01110"],
    "P": ["11110", "10001", "10001", "11110", "10000", "10000", "10000"],
    "R": ["11110", "10001", "10001", "11110", "10100", "10010", "10001"],
    "T": ["11111", "00100", "00100", "00100", "00100", "00100", "00100"],
    "X": ["10001", "10001", "01010", "00100", "01010", "10001", "10001"],
    " ": ["00000"] * 7,
}

# 4 x 4 ordered dither thresholds (0..15).
BAYER = [[0, 8, 2, 10], [12, 4, 14, 6], [3, 11, 1, 9], [15, 7, 13, 5]]


def new_canvas():
    return [[NAVY] * WIDTH for _ in range(HEIGHT)]


def put(canvas, x, y, colour):
    if 0 <= x < WIDTH and 0 <= y < HEIGHT:
        canvas[y][x] = colour


def fill(canvas, x0, y0, x1, y1, colour):
    for y in range(y0, y1):
        for x in range(x0, x1):
            put(canvas, x, y, colour)


def frame(canvas, x0, y0, x1, y1, colour):
    for x in range(x0, x1):
        put(canvas, x, y0, colour)
        put(canvas, x, y1 - 1, colour)
    for y in range(y0, y1):
        put(canvas, x0, y, colour)
        put(canvas, x1 - 1, y, colour)


def line(canvas, x0, y0, x1, y1, colour, thickness=1):
    steps = max(abs(x1 - x0), abs(y1 - y0), 1)
    for i in range(steps + 1):
        x = x0 + (x1 - x0) * i // steps
        y = y0 + (y1 - y0) * i // steps
        for d in range(thickness):
            put(canvas, x, y + d - thickness // 2, colour)


def gradient(canvas):
    """Navy on the left turning to blue on the right, dithered."""
    for y in range(HEIGHT):
        for x in range(WIDTH):
            level = x * 16 // WIDTH
            canvas[y][x] = BLUE if level > BAYER[y % 4][x % 4] else NAVY


def text(canvas, x, y, string, scale, colour, shadow=None):
    for offset, colours in ((1, shadow), (0, colour)):
        if colours is None:
            continue
        cx = x + offset
        for letter in string:
            for row, bits in enumerate(GLYPHS[letter]):
                for col, bit in enumerate(bits):
                    if bit == "1":
                        fill(canvas, cx + col * scale, y + offset + row * scale,
                             cx + (col + 1) * scale, y + offset + (row + 1) * scale, colours)
            cx += 6 * scale


def trunk_diagram(canvas):
    """Four ports on the left, their links meeting in one trunk on the right."""
    join_x, join_y = 268, 31
    for i in range(4):
        top = 6 + i * 14
        fill(canvas, 222, top, 236, top + 9, LIME)
        frame(canvas, 221, top - 1, 237, top + 10, BLACK)
        fill(canvas, 225, top + 2, 233, top + 4, GREEN)
        line(canvas, 237, top + 4, join_x, join_y, YELLOW)
    line(canvas, join_x, join_y, 290, join_y, YELLOW, thickness=5)
    fill(canvas, 290, 19, 322, 44, AQUA)
    frame(canvas, 289, 18, 323, 45, BLACK)
    fill(canvas, 293, 22, 319, 41, TEAL)
    text(canvas, 295, 25, "L", 2, WHITE)
    text(canvas, 307, 25, "K", 2, WHITE)


def draw():
    canvas = new_canvas()
    gradient(canvas)
    text(canvas, 10, 5, "TAMRIX", 4, YELLOW, shadow=BLACK)
    text(canvas, 11, 42, "PORT AGGREGATION", 2, WHITE, shadow=BLACK)
    fill(canvas, 10, 38, 203, 39, SILVER)
    trunk_diagram(canvas)
    frame(canvas, 0, 0, WIDTH, HEIGHT, GREY)
    return canvas


def bmp_bytes(canvas):
    row_bytes = ((WIDTH * 4 + 31) // 32) * 4
    pixels = bytearray()
    for row in reversed(canvas):  # bottom-up
        packed = bytearray()
        for x in range(0, WIDTH, 2):
            high = row[x]
            low = row[x + 1] if x + 1 < WIDTH else 0
            packed.append(high << 4 | low)
        packed.extend(b"\0" * (row_bytes - len(packed)))
        pixels += packed
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    offset = 14 + 40 + len(palette)
    info = struct.pack("<IiiHHIIiiII", 40, WIDTH, HEIGHT, 1, 4, 0, len(pixels), 2835, 2835, 16, 16)
    header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    return header + info + palette + bytes(pixels)


def main(argv):
    if len(argv) != 2:
        sys.stderr.write("usage: make_bitmap.py OUTPUT.bmp\n")
        return 2
    with open(argv[1], "wb") as out:
        out.write(bmp_bytes(draw()))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
