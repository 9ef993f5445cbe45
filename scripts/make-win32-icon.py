#!/usr/bin/env python3
"""Draws the Windows program's icon: a compact disc with a red ring, as a 32 x 32 and a 16 x 16
image of 16 colours each, and writes them as one .ico file.

    scripts/make-win32-icon.py [OUTPUT]   (default src/programs/desktop-win32/cartovex.ico)
"""
import math
import struct
import sys

# The standard 16-colour palette, as the 4-bit icons of the desktop use it.
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, DARK_GREY, LIGHT_GREY, RED, CYAN, WHITE = 0, 8, 7, 9, 14, 15
TRANSPARENT = None


def pixel(size, x, y):
    """The colour index at (x, y) of a disc filling the square, or TRANSPARENT outside it."""
    centre = (size - 1) / 2
    r = math.hypot(x - centre, y - centre) / (size / 2)
    angle = math.atan2(y - centre, x - centre)
    if r > 1.0:
        return TRANSPARENT
    if r > 0.93:
        return DARK_GREY  # the rim
    if r < 0.16:
        return TRANSPARENT  # the centre hole
    if r < 0.30:
        return WHITE  # the clamping area
    if 0.52 < r < 0.66:
        return RED  # the label ring
    # The data side: a light sweep across the upper left catches the eye as a reflection.
    if -2.6 < angle < -1.9 or 0.55 < angle < 1.2:
        return CYAN
    return LIGHT_GREY


def image(size):
    """BITMAPINFOHEADER, palette, 4-bit colour rows and 1-bit mask rows, bottom row first."""
    colour_row = (size * 4 + 31) // 32 * 4
    mask_row = (size + 31) // 32 * 4
    colours = bytearray()
    mask = bytearray()
    for y in reversed(range(size)):
        row = bytearray(colour_row)
        bits = bytearray(mask_row)
        for x in range(size):
            p = pixel(size, x, y)
            if p is TRANSPARENT:
                bits[x // 8] |= 0x80 >> (x % 8)
                p = BLACK
            row[x // 2] |= p << (4 if x % 2 == 0 else 0)
        colours += row
        mask += bits
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 4, 0, len(colours) + len(mask), 0, 0, 16, 0)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in PALETTE)
    return header + palette + bytes(colours) + bytes(mask)


def main():
    output = sys.argv[1] if len(sys.argv) > 1 else "src/programs/desktop-win32/cartovex.ico"
    images = [image(32), image(16)]
    data = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, body in zip((32, 16), images):
        data += struct.pack("<BBBBHHII", size, size, 16, 0, 1, 4, len(body), offset)
        offset += len(body)
    data += b"".join(images)
    with open(output, "wb") as f:
        f.write(data)


if __name__ == "__main__":
    main()
