#!/usr/bin/env python3
"""Draws Kestrin's program icon: a falcon's eye over a pulse line, as one .ico holding the classic
16-colour 32x32 and 16x16 images and smooth 32-bit images with alpha at 16, 20, 24, 32 and 40
pixels, and 48, 64 and 256 pixels stored as PNG (which Windows reads in icons since Vista), so every
window and scale picks an image of its own size and the exe stays small.

Run it to regenerate src/app/icon/kestrin.ico; the output is byte-for-byte repeatable.
"""
import math
import struct
import sys
import zlib
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


def colour_at(cx, cy):
    """The palette index at a point of the 32-unit design, or None outside the disc."""
    d = math.hypot(cx - 16, cy - 16)
    if d > 15.5:
        return TRANSPARENT
    colour = DARK_BLUE if d > 14 else GREY if d > 13 else WHITE
    # The pulse line across the middle: flat, a sharp peak, flat again.
    if d <= 13 and distance_to_pulse(cx, cy) <= 1.2:
        colour = GREEN
    # The eye of the falcon watching it, top left.
    if math.hypot(cx - 10, cy - 10) <= 3.2 and d <= 13:
        colour = YELLOW if math.hypot(cx - 10, cy - 10) > 1.6 else BLACK
    return colour


def draw(size):
    """Returns rows (top first) of palette indexes or None for transparent pixels."""
    s = size / 32.0
    return [[colour_at((x + 0.5) / s, (y + 0.5) / s) for x in range(size)] for y in range(size)]


def draw_smooth(size, samples=4):
    """Returns rows (top first) of (B, G, R, A), each pixel the average of samples x samples points."""
    s = size / 32.0
    rows = []
    for y in range(size):
        row = []
        for x in range(size):
            total = [0, 0, 0, 0]
            for sy in range(samples):
                for sx in range(samples):
                    index = colour_at((x + (sx + 0.5) / samples) / s, (y + (sy + 0.5) / samples) / s)
                    if index is None:
                        continue
                    r, g, b = PALETTE[index]
                    total[0] += b
                    total[1] += g
                    total[2] += r
                    total[3] += 1
            n = total[3]
            row.append((0, 0, 0, 0) if n == 0 else
                       (round(total[0] / n), round(total[1] / n), round(total[2] / n), round(255 * n / samples ** 2)))
        rows.append(row)
    return rows


def image_argb(size):
    """A 32-bit DIB with alpha, and the AND mask older code still reads."""
    pixels = draw_smooth(size)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    and_stride = ((size + 31) // 32) * 4
    xor, and_mask = b"", b""
    for row in reversed(pixels):
        xor += b"".join(bytes(p) for p in row)
        mask = bytearray(and_stride)
        for i, p in enumerate(row):
            if p[3] == 0:
                mask[i // 8] |= 0x80 >> (i % 8)
        and_mask += bytes(mask)
    return header + xor + and_mask


def image_png(size):
    pixels = draw_smooth(size)
    raw = b"".join(b"\0" + b"".join(bytes((r, g, b, a)) for b, g, r, a in row) for row in pixels)

    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))

    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


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
    # (size, colours, bits, image): the classic 16-colour pair first, then the true-colour set.
    images = [(32, 16, 4, image(32)), (16, 16, 4, image(16))]
    images += [(size, 0, 32, image_argb(size)) for size in (16, 20, 24, 32, 40)]
    images += [(size, 0, 32, image_png(size)) for size in (48, 64, 256)]
    data = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, colours, bits, img in images:
        data += struct.pack("<BBBBHHII", size % 256, size % 256, colours, 0, 1, bits, len(img), offset)
        offset += len(img)
    out.write_bytes(data + b"".join(img for _, _, _, img in images))


if __name__ == "__main__":
    main()
