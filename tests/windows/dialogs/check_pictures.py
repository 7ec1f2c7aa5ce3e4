#!/usr/bin/env python3
"""Checks the dialog pictures that take_screenshots.sh saved: each is the
dialog's window, sized as its template says, with its controls drawn.

  check_pictures.py PICTURE_DIR
  check_pictures.py --sheet PICTURE


Every picture is a dialog window: its client area in dialog units (from the
templates) at the dialog font's base units, plus the window frame; the base
units and the frame are whatever this display gives, but dialogs whose
templates name one font share their base units, and every dialog has the
same frame. Inside, the client area and the OK button are drawn (a button
face, its edges and its caption: three colours at least), and the main trunk
dialog shows its bitmap (331 x 63 pixels).

With --sheet, PICTURE is the notify object's property sheet: larger than the
page it hosts (the main trunk dialog's template at the base units of the
sheet's own font, MS Shell Dlg, on the test display: 6 x 13) and not blank."""
import struct
import sys
import zlib
from pathlib import Path

# name: (client width, client height, OK button x, y, width, height), in dialog
# units, and the font the template names.
DIALOGS = {
    "main-trunk-dialog": (392, 253, (69, 228, 54, 17), "MS Serif"),   # bitmap at 82, 4
    "set-trunk-name": (210, 108, (31, 70, 50, 14), "MS Shell Dlg"),
    "advanced-group-features": (285, 183, (216, 43, 50, 14), "MS Shell Dlg"),
    "speed-and-duplex-settings": (374, 189, (128, 153, 50, 14), "MS Shell Dlg"),
    "priority-trunking-setup": (327, 199, (107, 169, 50, 14), "MS Shell Dlg"),
    "priority-trunk-entry-particulars": (328, 238, (102, 217, 50, 14), "MS Shell Dlg"),
}
SHEET_BASE_UNITS = (6, 13)


def read_png(path):
    """Width, height and rows of RGB tuples of an 8-bit RGB or RGBA PNG."""
    data = path.read_bytes()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise ValueError("not a PNG")
    position, idat, header = 8, b"", None
    while position < len(data):
        length, kind = struct.unpack(">I4s", data[position:position + 8])
        body = data[position + 8:position + 8 + length]
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            idat += body
        position += 12 + length
    width, height, depth, colour, _, _, interlace = header
    if depth != 8 or colour not in (2, 6) or interlace:
        raise ValueError("not an 8-bit RGB picture")
    step = 3 if colour == 2 else 4
    raw = zlib.decompress(idat)
    stride = width * step
    rows, previous = [], bytearray(stride)
    for y in range(height):
        kind = raw[y * (stride + 1)]
        line = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            left = line[i - step] if i >= step else 0
            up = previous[i]
            up_left = previous[i - step] if i >= step else 0
            if kind == 1:
                line[i] = (line[i] + left) & 0xFF
            elif kind == 2:
                line[i] = (line[i] + up) & 0xFF
            elif kind == 3:
                line[i] = (line[i] + (left + up) // 2) & 0xFF
            elif kind == 4:
                guess = left + up - up_left
                best = min((abs(guess - left), 0, left), (abs(guess - up), 1, up), (abs(guess - up_left), 2, up_left))
                line[i] = (line[i] + best[2]) & 0xFF
        rows.append([tuple(line[x:x + 3]) for x in range(0, stride, step)])
        previous = line
    return width, height, rows


def mul_div(value, base, divisor):
    """The dialog manager's rounding of dialog units into pixels."""
    return (value * base + divisor // 2) // divisor


def colours(rows, left, top, width, height):
    return {rows[y][x] for y in range(top, top + height) for x in range(left, left + width)}


def check_sheet(path):
    try:
        width, height, rows = read_png(Path(path))
    except (OSError, ValueError, TypeError, zlib.error) as error:
        print(f"check_pictures.py: {path}: {error}", file=sys.stderr)
        return 1
    cx, cy, _, _ = DIALOGS["main-trunk-dialog"]
    page = (mul_div(cx, SHEET_BASE_UNITS[0], 4), mul_div(cy, SHEET_BASE_UNITS[1], 8))
    if width <= page[0] or height <= page[1]:
        print(f"check_pictures.py: {path}: {width}x{height} cannot hold the {page[0]}x{page[1]} page", file=sys.stderr)
        return 1
    if len(colours(rows, 0, 0, width, height)) < 3:
        print(f"check_pictures.py: {path}: blank", file=sys.stderr)
        return 1
    print(f"check_pictures.py: the property sheet ({width}x{height}) holds the page")
    return 0


def main():
    if len(sys.argv) == 3 and sys.argv[1] == "--sheet":
        return check_sheet(sys.argv[2])
    if len(sys.argv) != 2:
        print(__doc__, file=sys.stderr)
        return 2
    folder = Path(sys.argv[1])
    pictures, failures = {}, []
    for name in DIALOGS:
        path = folder / f"{name}.png"
        try:
            pictures[name] = read_png(path)
        except (OSError, ValueError, TypeError, zlib.error) as error:
            failures.append(f"{path}: {error}")
    if failures:
        print("\n".join(failures), file=sys.stderr)
        return 1

    # One set of base units per font and one frame must account for every size.
    fonts = sorted({font for _, _, _, font in DIALOGS.values()})
    fits = {}   # font: {frame: [base units]}
    for font in fonts:
        fits[font] = {}
        for base_x in range(4, 17):
            for base_y in range(8, 33):
                frames = {(w - mul_div(cx, base_x, 4), h - mul_div(cy, base_y, 8))
                          for (w, h, _), (cx, cy, _, f) in ((pictures[n], DIALOGS[n]) for n in DIALOGS)
                          if f == font}
                frame = frames.pop()
                if not frames and 0 <= frame[0] <= 40 and 0 <= frame[1] <= 80:
                    fits[font].setdefault(frame, []).append((base_x, base_y))
    shared = set.intersection(*(set(fits[font]) for font in fonts))
    if len(shared) != 1 or any(len(fits[font][frame]) != 1 for font in fonts for frame in shared):
        sizes = ", ".join(f"{n} {pictures[n][0]}x{pictures[n][1]}" for n in DIALOGS)
        print("check_pictures.py: no single frame and one base unit per font give the template sizes: "
              f"{sizes}", file=sys.stderr)
        return 1
    frame_x, frame_y = shared.pop()
    base_units = {font: fits[font][(frame_x, frame_y)][0] for font in fonts}
    border = frame_x // 2
    caption = frame_y - border   # title bar and top border

    for name, (cx, cy, (bx, by, bw, bh), font) in DIALOGS.items():
        _, _, rows = pictures[name]
        base_x, base_y = base_units[font]
        client = colours(rows, border, caption, mul_div(cx, base_x, 4), mul_div(cy, base_y, 8))
        if len(client) < 3:
            failures.append(f"{name}: the client area holds {len(client)} colour(s)")
        button = colours(rows, border + mul_div(bx, base_x, 4), caption + mul_div(by, base_y, 8),
                         mul_div(bw, base_x, 4), mul_div(bh, base_y, 8))
        if len(button) < 3:
            failures.append(f"{name}: the OK button's place holds {len(button)} colour(s), not a drawn button")
    _, _, rows = pictures["main-trunk-dialog"]
    base_x, base_y = base_units[DIALOGS["main-trunk-dialog"][3]]
    bitmap = colours(rows, border + mul_div(82, base_x, 4), caption + mul_div(4, base_y, 8), 331, 63)
    if len(bitmap) < 3:
        failures.append(f"main-trunk-dialog: the bitmap's place holds {len(bitmap)} colour(s)")
    if failures:
        print("\n".join(f"check_pictures.py: {f}" for f in failures), file=sys.stderr)
        return 1
    units = ", ".join(f"{font} {x}x{y}" for font, (x, y) in base_units.items())
    print(f"check_pictures.py: {len(DIALOGS)} dialogs drawn at their template sizes "
          f"(base units {units}; frame {frame_x}x{frame_y})")
    return 0


if __name__ == "__main__":
    sys.exit(main())
