#!/usr/bin/env python3
"""Checks that the 32-bit build produced what the 64-bit build did.

  same_outputs.py WIN64_PATH WIN32_PATH

A file is compared as text, line by line; a folder by its PNG pictures
(subfolders included), pixel for pixel, and both must hold the same ones.
The 64-bit outputs come from that build's own test run (ctest --preset
win64, which ./test.sh runs first). Exit status 0 when all are the same, 1
at a difference (each is named), 2 when an output is missing."""
import difflib
import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent.parent / "dialogs"))
from check_pictures import read_png  # noqa: E402


def missing(path, build):
    print(f"same_outputs.py: no {path}: run the {build} build's tests first "
          f"(ctest --preset {build})", file=sys.stderr)
    return 2


def same_text(wide, narrow):
    left = wide.read_text(encoding="utf-8").splitlines(keepends=True)
    right = narrow.read_text(encoding="utf-8").splitlines(keepends=True)
    if left == right:
        print(f"{narrow.name}: {len(right)} lines, the same in both builds")
        return 0
    sys.stdout.writelines(difflib.unified_diff(left, right, str(wide), str(narrow)))
    return 1


def picture_difference(wide, narrow):
    """None when the pictures are the same, else what differs."""
    width, height, rows = read_png(wide)
    width32, height32, rows32 = read_png(narrow)
    if (width, height) != (width32, height32):
        return f"{width} x {height} in the 64-bit build, {width32} x {height32} in the 32-bit one"
    differing = [(x, y) for y in range(height) for x in range(width) if rows[y][x] != rows32[y][x]]
    if not differing:
        return None
    x, y = differing[0]
    return (f"{len(differing)} of {width * height} pixels differ, the first at ({x}, {y}): "
            f"{rows[y][x]} in the 64-bit build, {rows32[y][x]} in the 32-bit one")


def same_pictures(wide, narrow):
    names = sorted(p.relative_to(wide) for p in wide.rglob("*.png"))
    names32 = sorted(p.relative_to(narrow) for p in narrow.rglob("*.png"))
    if not names:
        return missing(wide / "*.png", "win64")
    status = 0
    for name in sorted(set(names) ^ set(names32)):
        print(f"{name}: only in the {'64' if name in names else '32'}-bit build")
        status = 1
    for name in sorted(set(names) & set(names32)):
        difference = picture_difference(wide / name, narrow / name)
        print(f"{name}: {difference or 'the same in both builds'}")
        status = 1 if difference else status
    return status


def main(argv):
    if len(argv) != 3:
        print(__doc__, file=sys.stderr)
        return 2
    wide, narrow = Path(argv[1]), Path(argv[2])
    if not wide.exists():
        return missing(wide, "win64")
    if not narrow.exists():
        return missing(narrow, "win32")
    return same_pictures(wide, narrow) if wide.is_dir() else same_text(wide, narrow)


if __name__ == "__main__":
    sys.exit(main(sys.argv))
