#!/usr/bin/env python3
"""Draws the program's icon (a disc with a slanted "C" cut) at 32x32 and 16x16 in 16 colours and
writes each size as XPM (compiled into the program) and PNG (for the desktop entry).
Run from the repository root: tools/make-icon.py"""
import math
import struct
import zlib

PALETTE = {
    ".": None,            # transparent
    "k": (0, 0, 0),
    "w": (255, 255, 255),
    "l": (192, 192, 192),
    "g": (128, 128, 128),
    "b": (0, 0, 128),
    "B": (0, 0, 255),
    "c": (0, 255, 255),
    "r": (255, 0, 0),
}


def pixel(x, y, size):
    c = (size - 1) / 2.0
    dx, dy = (x - c) / (size / 2.0), (y - c) / (size / 2.0)
    r = math.hypot(dx, dy)
    angle = math.degrees(math.atan2(dy, dx))
    if r > 1.0:
        return "."
    if r > 0.92:
        return "k"
    if r < 0.16:
        return "."
    if r < 0.30:
        return "w" if r > 0.24 else "l"
    # The opening of the "C": a wedge on the right, outlined in red.
    if -28 < angle < 28:
        return "r" if r > 0.34 else "k"
    if -40 < angle < -20 and r > 0.5:
        return "c"
    if r > 0.78:
        return "l"
    if r > 0.55:
        return "B"
    return "b" if angle > 0 else "g"


def draw(size):
    return ["".join(pixel(x, y, size) for x in range(size)) for y in range(size)]


def write_xpm(rows, size, path):
    used = sorted({ch for row in rows for ch in row})
    name = "cartovex_%d_xpm" % size
    with open(path, "w") as f:
        f.write("/* XPM */\nstatic const char *const %s[] = {\n" % name)
        f.write('"%d %d %d 1",\n' % (size, size, len(used)))
        for ch in used:
            rgb = PALETTE[ch]
            colour = "None" if rgb is None else "#%02X%02X%02X" % rgb
            f.write('"%s c %s",\n' % (ch, colour))
        f.write(",\n".join('"%s"' % row for row in rows))
        f.write("};\n")


def write_png(rows, size, path):
    raw = b""
    for row in rows:
        raw += b"\0"
        for ch in row:
            rgb = PALETTE[ch]
            raw += bytes((0, 0, 0, 0)) if rgb is None else bytes(rgb + (255,))

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    png = b"\x89PNG\r\n\x1a\n"
    png += chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(raw, 9))
    png += chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(png)


for size in (32, 16):
    rows = draw(size)
    write_xpm(rows, size, "data/cartovex-%d.xpm" % size)
    write_png(rows, size, "data/cartovex-%d.png" % size)
