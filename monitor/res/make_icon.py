#!/usr/bin/env python3
"""Draws Tarvex.ico: a jog handwheel, 32x32 and 16x16, 16 colours each."""
import math
import struct
import sys

# The classic 16-colour palette (R, G, B).
PALETTE = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
           (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0),
           (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255)]
BLACK, DARK_GREY, LIGHT_GREY, RED, WHITE, CYAN = 0, 8, 7, 9, 15, 6


def pixel(size, x, y):
    """Colour index at pixel centre (x, y), or None for transparent."""
    c = (size - 1) / 2.0
    s = size / 32.0
    dx, dy = x - c, y - c
    r = math.hypot(dx, dy)
    # Knob of the crank handle, upper right on the rim.
    kx, ky = c + 9.5 * s, c - 9.5 * s
    if math.hypot(x - kx, y - ky) <= 3.2 * s:
        return RED if math.hypot(x - kx, y - ky) > 1.2 * s else WHITE
    if r > 15.5 * s:
        return None
    if r > 13.5 * s:
        return BLACK
    if r > 11.0 * s:
        return DARK_GREY if dy > 0 else LIGHT_GREY
    if r <= 3.5 * s:
        return BLACK if r > 2.5 * s else CYAN
    # Three spokes, 120 degrees apart.
    angle = math.atan2(dy, dx)
    for k in range(3):
        a = math.radians(90 + 120 * k)
        if abs(math.sin(angle - a)) * r <= 1.3 * s and math.cos(angle - a) > 0:
            return DARK_GREY
    # Graduation marks between rim and hub.
    return WHITE if r < 10.0 * s else LIGHT_GREY


def image(size):
    rows_xor, rows_and = [], []
    for y in reversed(range(size)):  # bottom-up
        xor_row, and_bits = bytearray(), []
        for x in range(0, size, 2):
            pair = [pixel(size, x, y), pixel(size, x + 1, y)]
            xor_row.append(((pair[0] or 0) << 4) | (pair[1] or 0))
            and_bits += [1 if p is None else 0 for p in pair]
        xor_row += b"\0" * (-len(xor_row) % 4)
        and_row = bytearray()
        for i in range(0, size, 8):
            and_row.append(sum(b << (7 - j) for j, b in enumerate(and_bits[i:i + 8])))
        and_row += b"\0" * (-len(and_row) % 4)
        rows_xor.append(bytes(xor_row))
        rows_and.append(bytes(and_row))
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 4, 0, 0, 0, 0, 16, 0)
    palette = b"".join(struct.pack("BBBB", b, g, r, 0) for r, g, b in PALETTE)
    return header + palette + b"".join(rows_xor) + b"".join(rows_and)


def main(path):
    images = [image(32), image(16)]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, data in zip((32, 16), images):
        out += struct.pack("<BBBBHHII", size, size, 16, 0, 1, 4, len(data), offset)
        offset += len(data)
    with open(path, "wb") as f:
        f.write(out + b"".join(images))


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "Tarvex.ico")
