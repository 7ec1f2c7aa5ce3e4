#!/usr/bin/env python3
"""Reads and patches the headers of a PE image (a .sys, .dll or .exe).

  pe-image.py checksum IMAGE              print the stored and the true checksum;
                                          exit 1 when they differ
  pe-image.py checksum --write IMAGE      store the true checksum
  pe-image.py characteristics IMAGE NAME  print section NAME's characteristics (hex)
  pe-image.py discard IMAGE NAME          mark section NAME discardable

The true checksum is the one the loader computes: the image as 16-bit
little-endian words, with the checksum field itself taken as zero, summed
with the carry folded back after every addition, plus the file length.
A file that is not a PE image is refused with exit status 2.
"""
import struct
import sys

IMAGE_SCN_MEM_DISCARDABLE = 0x02000000


class NotAnImage(Exception):
    pass


def _u16(data, offset):
    if offset + 2 > len(data):
        raise NotAnImage("truncated at offset 0x%x" % offset)
    return struct.unpack_from("<H", data, offset)[0]


def _u32(data, offset):
    if offset + 4 > len(data):
        raise NotAnImage("truncated at offset 0x%x" % offset)
    return struct.unpack_from("<I", data, offset)[0]


def headers(data):
    """Offsets of the checksum field and of the section table, and the section count."""
    if data[:2] != b"MZ":
        raise NotAnImage("no MZ header")
    pe = _u32(data, 0x3C)
    if data[pe:pe + 4] != b"PE\0\0":
        raise NotAnImage("no PE signature")
    sections = _u16(data, pe + 6)
    optional_size = _u16(data, pe + 20)
    optional = pe + 24
    if _u16(data, optional) not in (0x10B, 0x20B):
        raise NotAnImage("unknown optional header magic")
    # CheckSum sits at the same offset in the PE32 and PE32+ optional headers.
    checksum_offset = optional + 64
    table = optional + optional_size
    if table + 40 * sections > len(data) or checksum_offset + 4 > len(data):
        raise NotAnImage("section table beyond the end of the file")
    return checksum_offset, table, sections


def true_checksum(data):
    checksum_offset, _, _ = headers(data)
    padded = bytes(data) + (b"\0" if len(data) % 2 else b"")
    words = list(struct.unpack("<%dH" % (len(padded) // 2), padded))
    words[checksum_offset // 2] = 0
    words[checksum_offset // 2 + 1] = 0
    total = 0
    for word in words:
        total += word
        total = (total & 0xFFFF) + (total >> 16)
    return ((total & 0xFFFF) + (total >> 16) + len(data)) & 0xFFFFFFFF


def section_header(data, name):
    """Offset of section NAME's header (names longer than 8 bytes are not looked up)."""
    _, table, count = headers(data)
    wanted = name.encode("ascii")
    for i in range(count):
        entry = table + 40 * i
        if data[entry:entry + 8].rstrip(b"\0") == wanted:
            return entry
    raise NotAnImage("no section named %s" % name)


def main(argv):
    usage = __doc__.split("\n\n")[1]
    args = argv[1:]
    write = "--write" in args
    args = [a for a in args if a != "--write"]
    if len(args) < 2 or args[0] not in ("checksum", "characteristics", "discard") \
            or (args[0] == "checksum") != (len(args) == 2) or (write and args[0] != "checksum"):
        sys.stderr.write(usage + "\n")
        return 2
    command, path = args[0], args[1]
    try:
        with open(path, "rb") as f:
            data = bytearray(f.read())
        if command == "checksum":
            checksum_offset, _, _ = headers(data)
            stored = _u32(data, checksum_offset)
            computed = true_checksum(data)
            if write:
                struct.pack_into("<I", data, checksum_offset, computed)
                with open(path, "wb") as f:
                    f.write(data)
                print("%s: checksum 0x%08x" % (path, computed))
                return 0
            print("%s: stored 0x%08x, true 0x%08x" % (path, stored, computed))
            return 0 if stored == computed else 1
        entry = section_header(data, args[2])
        flags = _u32(data, entry + 36)
        if command == "characteristics":
            print("0x%08x" % flags)
            return 0
        struct.pack_into("<I", data, entry + 36, flags | IMAGE_SCN_MEM_DISCARDABLE)
        with open(path, "wb") as f:
            f.write(data)
        return 0
    except OSError as e:
        sys.stderr.write("pe-image.py: %s\n" % e)
        return 2
    except NotAnImage as e:
        sys.stderr.write("pe-image.py: %s: not a usable PE image: %s\n" % (path, e))
        return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
