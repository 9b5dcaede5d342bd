#!/usr/bin/env python3
"""Writes the seed bitmaps of the bitmap-reader fuzz target into corpus/: small uncompressed
device-independent bitmap files of every depth the reader takes (1, 4, 8, 24 and 32 bits per
pixel), bottom-up and top-down, built field by field with struct."""
import os
import struct

here = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus")
os.makedirs(here, exist_ok=True)


def bmp(name, width, height, bits, pixel, colors=0, top_down=False):
    """pixel(x, y) gives an index (bits <= 8) or a (b, g, r) triple; y counts from the top."""
    stride = ((width * bits + 31) // 32) * 4
    rows = []
    for y in range(height):
        row = bytearray(stride)
        for x in range(width):
            v = pixel(x, y)
            if bits <= 8:
                bit = x * bits
                row[bit // 8] |= v << (8 - bits - bit % 8)
            else:
                off = x * bits // 8
                row[off:off + 3] = bytes(v)
        rows.append(bytes(row))
    if not top_down:
        rows.reverse()
    palette = b"".join(struct.pack("<BBBB", i * 37 % 256, i * 91 % 256, i * 53 % 256, 0) for i in range(colors))
    data = b"".join(rows)
    offset = 14 + 40 + len(palette)
    header = struct.pack("<2sIHHI", b"BM", offset + len(data), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, width, -height if top_down else height, 1, bits, 0, len(data),
                       2835, 2835, colors, 0)
    with open(os.path.join(here, name), "wb") as f:
        f.write(header + info + palette + data)


bmp("mono1_5x3.bmp", 5, 3, 1, lambda x, y: (x + y) & 1, colors=2)
bmp("pal4_5x3.bmp", 5, 3, 4, lambda x, y: (x * 3 + y) % 16, colors=16)
bmp("pal8_5x3.bmp", 5, 3, 8, lambda x, y: x * 40 + y, colors=256)
bmp("rgb24_5x3.bmp", 5, 3, 24, lambda x, y: (x * 50, y * 100, 255 - x * 40))
bmp("rgb32_5x3_topdown.bmp", 5, 3, 32, lambda x, y: (x * 50, y * 100, 7), top_down=True)
bmp("rgb24_1x1.bmp", 1, 1, 24, lambda x, y: (1, 2, 3))
