#!/usr/bin/env python3
"""Draws the program's icon (resource 101) and writes it as a multi-size .ico.

The drawing: a violet tile like the window's header band, a light drive with a green activity
light, and three rising bars for the measurement. Shapes are in unit coordinates and rendered with
4x4 supersampling, so every size is drawn, not scaled from a bitmap.

Usage: make-icon.py OUTPUT.ico
"""
import os
import struct
import sys
import zlib

VIOLET = (48, 32, 85)
CYAN = (135, 211, 229)
WHITE = (255, 255, 255)
GREEN = (20, 150, 55)
SIZES = (16, 24, 32, 48, 64, 256)
SAMPLES = 4


def rounded_rect(x0, y0, x1, y1, radius):
    def inside(x, y):
        if x < x0 or x > x1 or y < y0 or y > y1:
            return False
        cx = min(max(x, x0 + radius), x1 - radius)
        cy = min(max(y, y0 + radius), y1 - radius)
        return (x - cx) ** 2 + (y - cy) ** 2 <= radius ** 2
    return inside


def circle(cx, cy, r):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r


DRAWING = [
    (rounded_rect(0.03, 0.03, 0.97, 0.97, 0.20), VIOLET),
    (rounded_rect(0.22, 0.44, 0.34, 0.56, 0.03), WHITE),
    (rounded_rect(0.42, 0.32, 0.54, 0.56, 0.03), WHITE),
    (rounded_rect(0.62, 0.18, 0.74, 0.56, 0.03), WHITE),
    (rounded_rect(0.14, 0.63, 0.86, 0.85, 0.06), CYAN),
    (circle(0.75, 0.74, 0.05), GREEN),
]


def render(size):
    """Rows of (r, g, b, a), top row first, straight (not premultiplied) alpha."""
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            r = g = b = a = 0.0
            for shape, color in DRAWING:
                hits = 0
                for sy in range(SAMPLES):
                    for sx in range(SAMPLES):
                        x = (px + (sx + 0.5) / SAMPLES) / size
                        y = (py + (sy + 0.5) / SAMPLES) / size
                        hits += shape(x, y)
                cover = hits / (SAMPLES * SAMPLES)
                if cover == 0:
                    continue
                # Premultiplied "over" for compositing, straightened at the end.
                r = color[0] * cover + r * (1 - cover)
                g = color[1] * cover + g * (1 - cover)
                b = color[2] * cover + b * (1 - cover)
                a = cover + a * (1 - cover)
            if a > 0:
                row.append((round(r / a), round(g / a), round(b / a), round(a * 255)))
            else:
                row.append((0, 0, 0, 0))
        rows.append(row)
    return rows


def png(rows):
    size = len(rows)
    raw = b"".join(b"\0" + bytes(c for pixel in row for c in pixel) for row in rows)

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
            chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def dib(rows):
    """32-bit BGRA bitmap, bottom row first, followed by the 1-bit AND mask."""
    size = len(rows)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = b"".join(bytes((p[2], p[1], p[0], p[3])) for row in reversed(rows) for p in row)
    mask_stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(rows):
        bits = bytearray(mask_stride)
        for x, pixel in enumerate(row):
            if pixel[3] == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    return header + pixels + bytes(mask)


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    images = [(size, png(render(size)) if size >= 256 else dib(render(size))) for size in SIZES]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, data in images:
        edge = 0 if size >= 256 else size
        out += struct.pack("<BBBBHHII", edge, edge, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    out += b"".join(data for _, data in images)
    with open(sys.argv[1] + ".tmp", "wb") as f:
        f.write(out)
    os.replace(sys.argv[1] + ".tmp", sys.argv[1])


if __name__ == "__main__":
    main()
