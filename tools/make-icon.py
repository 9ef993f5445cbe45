#!/usr/bin/env python3
"""Draws the program's icon (a disc with a slanted "C" cut). The 32x32 and 16x16 images, in 16
colours, are written as XPM (compiled into the program) and PNG; the launcher sizes 48 to 256 as
smoothed PNG, and the same drawing as scalable SVG, for the desktop's icon theme.
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


def smooth_pixels(size, samples=4):
    """RGBA rows for the large sizes: each pixel averages samples x samples points of the drawing,
    so the rings' edges are smooth rather than stepped."""
    grid = size * samples
    rows = []
    for y in range(size):
        row = []
        for x in range(size):
            total = [0, 0, 0]
            opaque = 0
            for sy in range(samples):
                for sx in range(samples):
                    rgb = PALETTE[pixel(x * samples + sx, y * samples + sy, grid)]
                    if rgb is not None:
                        opaque += 1
                        for i in range(3):
                            total[i] += rgb[i]
            if opaque == 0:
                row.append((0, 0, 0, 0))
            else:
                alpha = round(255 * opaque / (samples * samples))
                row.append(tuple(round(t / opaque) for t in total) + (alpha,))
        rows.append(row)
    return rows


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


def palette_rows(rows):
    return [[(0, 0, 0, 0) if PALETTE[ch] is None else PALETTE[ch] + (255,) for ch in row] for row in rows]


def write_png(rgba_rows, size, path):
    raw = b""
    for row in rgba_rows:
        raw += b"\0" + b"".join(bytes(p) for p in row)

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    png = b"\x89PNG\r\n\x1a\n"
    png += chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(raw, 9))
    png += chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(png)


def ring_path(outer, inner, half=None):
    """A disc of radius outer with a hole of radius inner, or only its lower (half="lower", angles
    0 to 180) or upper half, in a 2 x 2 box centred on 0."""
    if half == "lower":
        return sector_path(inner, outer, 0, 180)
    if half == "upper":
        return sector_path(inner, outer, -180, 0)
    return sector_path(inner, outer, 0, 180) + " " + sector_path(inner, outer, 180, 360)


def sector_path(inner, outer, a1, a2):
    """The part of a ring between two angles in degrees (y grows downwards, as in the pixels)."""
    def point(r, a):
        return r * math.cos(math.radians(a)), r * math.sin(math.radians(a))

    large = 1 if a2 - a1 > 180 else 0
    return "M%.4f %.4f A%g %g 0 %d 1 %.4f %.4f L%.4f %.4f A%g %g 0 %d 0 %.4f %.4f Z" % (
        point(outer, a1) + (outer, outer, large) + point(outer, a2) + point(inner, a2) +
        (inner, inner, large) + point(inner, a1))


def write_svg(path):
    """The pixel drawing's regions as shapes, painted back to front; every shape leaves the centre
    hole open, so no mask is needed."""
    hole = 0.16
    colour = {ch: "#%02X%02X%02X" % rgb for ch, rgb in PALETTE.items() if rgb is not None}
    shapes = [
        ("k", ring_path(1.0, hole)),
        ("l", ring_path(0.92, hole)),
        ("B", ring_path(0.78, hole)),
        ("b", ring_path(0.55, hole, "lower")),
        ("g", ring_path(0.55, hole, "upper")),
        ("c", sector_path(0.5, 0.92, -40, -28)),
        ("r", sector_path(0.34, 0.92, -28, 28)),
        ("k", sector_path(0.30, 0.34, -28, 28)),
        ("w", ring_path(0.30, hole)),
        ("l", ring_path(0.24, hole)),
    ]
    with open(path, "w") as f:
        f.write('<svg xmlns="http://www.w3.org/2000/svg" width="256" height="256" viewBox="-1 -1 2 2">\n')
        for ch, d in shapes:
            f.write('<path fill="%s" d="%s"/>\n' % (colour[ch], d))
        f.write("</svg>\n")


for size in (32, 16):
    rows = draw(size)
    write_xpm(rows, size, "data/cartovex-%d.xpm" % size)
    write_png(palette_rows(rows), size, "data/cartovex-%d.png" % size)
for size in (48, 64, 128, 256):
    write_png(smooth_pixels(size), size, "data/cartovex-%d.png" % size)
write_svg("data/cartovex.svg")
