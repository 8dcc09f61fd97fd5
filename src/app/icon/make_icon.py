#!/usr/bin/env python3
"""Draws Kestrin's program icon: a 16-colour 32x32 (and 16x16) .ico of a falcon's eye over a pulse line.

Run it to regenerate src/app/icon/kestrin.ico; the output is byte-for-byte repeatable.
"""
import math
import struct
import sys
from pathlib import Path

# The standard 16-colour palette, as (R, G, B).
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128), (0, 128, 128),
    (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0), (0, 0, 255),
    (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, DARK_BLUE, GREY, WHITE, YELLOW, GREEN = 0, 4, 8, 15, 11, 10
TRANSPARENT = None


PULSE = [(2, 20), (10, 20), (13, 8), (17, 24), (19, 20), (30, 20)]


def distance_to_pulse(x, y):
    best = float("inf")
    for (ax, ay), (bx, by) in zip(PULSE, PULSE[1:]):
        dx, dy = bx - ax, by - ay
        t = max(0.0, min(1.0, ((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy)))
        best = min(best, math.hypot(x - ax - t * dx, y - ay - t * dy))
    return best


def draw(size):
    """Returns rows (top first) of palette indexes or None for transparent pixels."""
    s = size / 32.0
    rows = []
    for y in range(size):
        row = []
        for x in range(size):
            cx, cy = (x + 0.5) / s, (y + 0.5) / s  # in 32-pixel design units
            d = math.hypot(cx - 16, cy - 16)
            if d > 15.5:
                row.append(TRANSPARENT)
                continue
            colour = DARK_BLUE if d > 14 else GREY if d > 13 else WHITE
            # The pulse line across the middle: flat, a sharp peak, flat again.
            if d <= 13 and distance_to_pulse(cx, cy) <= 1.2:
                colour = GREEN
            # The eye of the falcon watching it, top left.
            if math.hypot(cx - 10, cy - 10) <= 3.2 and d <= 13:
                colour = YELLOW if math.hypot(cx - 10, cy - 10) > 1.6 else BLACK
            row.append(colour)
        rows.append(row)
    return rows


def image(size):
    pixels = draw(size)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 4, 0, 0, 0, 0, 16, 0)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    xor = b""
    and_mask = b""
    and_stride = ((size + 31) // 32) * 4
    xor_stride = ((size * 4 + 31) // 32) * 4
    for row in reversed(pixels):  # DIBs are stored bottom-up
        nibbles = [0 if p is None else p for p in row]
        line = bytes((nibbles[i] << 4) | nibbles[i + 1] for i in range(0, size, 2))
        xor += line.ljust(xor_stride, b"\0")
        mask = bytearray(and_stride)
        for i, p in enumerate(row):
            if p is None:
                mask[i // 8] |= 0x80 >> (i % 8)
        and_mask += bytes(mask)
    return header + palette + xor + and_mask


def main():
    out = Path(sys.argv[1]) if len(sys.argv) > 1 else Path(__file__).with_name("kestrin.ico")
    images = [image(32), image(16)]
    data = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, img in zip((32, 16), images):
        data += struct.pack("<BBBBHHII", size, size, 16, 0, 1, 4, len(img), offset)
        offset += len(img)
    out.write_bytes(data + b"".join(images))


if __name__ == "__main__":
    main()
