#!/usr/bin/env python3
"""Draws the program's bitmap resources into resources/bitmaps/ (their output is committed).

The message box glyphs are 16 x 16, 16 colours (4 bits per pixel, the standard 16-colour
palette); the bottom-left pixel carries the background colour that the button makes transparent.
Run: python3 resources/make_bitmaps.py [--preview preview.png], then list new names in bitmaps.qrc.
"""
import math
import os
import struct
import sys
import zlib

PALETTE = [
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
]
BLACK, MAROON, GREEN, OLIVE, NAVY, PURPLE, TEAL, SILVER = range(8)
GREY, RED, LIME, YELLOW, BLUE, FUCHSIA, AQUA, WHITE = range(8, 16)
BACKGROUND = FUCHSIA


class Glyph:
    def __init__(self, size=16):
        self.size = size
        self.px = [[BACKGROUND] * size for _ in range(size)]

    def paint(self, inside, colour):
        """Sets every pixel whose centre the shape holds."""
        for y in range(self.size):
            for x in range(self.size):
                if inside(x + 0.5, y + 0.5):
                    self.px[y][x] = colour

    def disc(self, cx, cy, r, colour):
        self.paint(lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r, colour)

    def line(self, points, width, colour):
        segs = list(zip(points, points[1:]))
        self.paint(lambda x, y: any(seg_dist(x, y, a, b) <= width / 2 for a, b in segs), colour)

    def polygon(self, pts, colour):
        self.paint(lambda x, y: in_polygon(x, y, pts), colour)

    def ring(self, cx, cy, r, width, colour, gap=None):
        def inside(x, y):
            d = math.hypot(x - cx, y - cy)
            if abs(d - r) > width / 2:
                return False
            if gap:
                a = math.degrees(math.atan2(cy - y, x - cx)) % 360
                lo, hi = gap
                if lo <= a <= hi:
                    return False
            return True
        self.paint(inside, colour)

    def pattern(self, x0, y0, rows, colour):
        for dy, row in enumerate(rows):
            for dx, ch in enumerate(row):
                if ch == '#':
                    self.px[y0 + dy][x0 + dx] = colour


def seg_dist(x, y, a, b):
    (ax, ay), (bx, by) = a, b
    dx, dy = bx - ax, by - ay
    t = max(0.0, min(1.0, ((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy)))
    return math.hypot(x - ax - t * dx, y - ay - t * dy)


def in_polygon(x, y, pts):
    inside = False
    j = len(pts) - 1
    for i in range(len(pts)):
        xi, yi = pts[i]
        xj, yj = pts[j]
        if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
            inside = not inside
        j = i
    return inside


def octagon(cx, cy, r):
    return [(cx + r * math.cos(math.radians(22.5 + 45 * k)), cy + r * math.sin(math.radians(22.5 + 45 * k)))
            for k in range(8)]


def check(g, pts, width, colour):
    g.line(pts, width, colour)


def glyph_ok():
    g = Glyph()
    check(g, [(2.5, 8.5), (6.0, 12.0), (13.5, 3.5)], 2.8, GREEN)
    return g


def glyph_yes():
    g = Glyph()
    g.disc(8, 8, 7.2, GREEN)
    check(g, [(4.3, 8.2), (7.0, 11.0), (11.8, 5.0)], 2.0, WHITE)
    return g


def glyph_no():
    g = Glyph()
    g.disc(8, 8, 7.2, MAROON)
    g.disc(8, 8, 6.2, RED)
    g.paint(lambda x, y: 3.2 <= x <= 12.8 and 6.6 <= y <= 9.4, WHITE)
    return g


def glyph_cancel():
    g = Glyph()
    g.line([(3.0, 3.0), (13.0, 13.0)], 3.0, RED)
    g.line([(13.0, 3.0), (3.0, 13.0)], 3.0, RED)
    return g


def glyph_abort():
    g = Glyph()
    g.polygon(octagon(8, 8, 7.9), MAROON)
    g.polygon(octagon(8, 8, 6.9), RED)
    g.paint(lambda x, y: 6.8 <= x <= 9.2 and 4.6 <= y <= 9.0, WHITE)
    g.paint(lambda x, y: 6.8 <= x <= 9.2 and 10.2 <= y <= 11.6, WHITE)
    return g


def glyph_retry():
    g = Glyph()
    g.ring(8, 9, 5.0, 2.2, BLUE, gap=(25, 90))
    g.polygon([(7.6, 0.6), (12.4, 4.0), (7.6, 7.4)], BLUE)
    return g


def glyph_ignore():
    g = Glyph()
    g.polygon([(1.5, 3.5), (7.5, 8.0), (1.5, 12.5)], TEAL)
    g.polygon([(7.0, 3.5), (13.0, 8.0), (7.0, 12.5)], TEAL)
    g.paint(lambda x, y: 12.6 <= x <= 14.8 and 3.5 <= y <= 12.5, NAVY)
    return g


def glyph_all():
    g = Glyph()
    check(g, [(0.8, 8.0), (3.6, 11.5), (8.2, 4.0)], 2.2, GREEN)
    check(g, [(6.2, 8.0), (9.0, 11.5), (15.0, 3.0)], 2.2, GREEN)
    return g


def glyph_all_yes():
    g = Glyph()
    g.disc(10.4, 5.6, 4.9, GREEN)
    g.disc(6.2, 9.8, 5.6, WHITE)
    g.disc(6.2, 9.8, 5.0, GREEN)
    check(g, [(3.4, 9.8), (5.6, 12.2), (9.0, 7.6)], 1.8, WHITE)
    return g


def glyph_all_no():
    g = Glyph()
    g.disc(10.4, 5.6, 4.9, MAROON)
    g.disc(10.4, 5.6, 3.9, RED)
    g.disc(6.2, 9.8, 5.6, WHITE)
    g.disc(6.2, 9.8, 5.0, RED)
    g.paint(lambda x, y: 2.6 <= x <= 9.8 and 8.6 <= y <= 11.0, WHITE)
    return g


def glyph_help():
    g = Glyph()
    g.disc(8, 8, 7.2, BLUE)
    g.pattern(6, 3, [
        ".###.",
        "#...#",
        "....#",
        "...#.",
        "..#..",
        "..#..",
        ".....",
        "..#..",
    ], WHITE)
    g.pattern(7, 3, ["###"], WHITE)
    return g


GLYPHS = {
    "BTN_YES": glyph_yes, "BTN_NO": glyph_no, "BTN_OK": glyph_ok, "BTN_CANCEL": glyph_cancel,
    "BTN_ABORT": glyph_abort, "BTN_RETRY": glyph_retry, "BTN_IGNORE": glyph_ignore,
    "BTN_ALL": glyph_all, "BTN_ALL_NO": glyph_all_no, "BTN_ALL_YES": glyph_all_yes,
    "BTN_HELP": glyph_help,
}


def bmp4(glyph):
    """An uncompressed 4-bit BMP, rows bottom-up, each padded to 4 bytes."""
    w = h = glyph.size
    row_bytes = ((w * 4 + 31) // 32) * 4
    pixels = bytearray()
    for y in reversed(range(h)):
        row = bytearray()
        for x in range(0, w, 2):
            hi = glyph.px[y][x]
            lo = glyph.px[y][x + 1] if x + 1 < w else 0
            row.append((hi << 4) | lo)
        row += bytes(row_bytes - len(row))
        pixels += row
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    offset = 14 + 40 + len(palette)
    header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 4, 0, len(pixels), 2835, 2835, 16, 16)
    return header + info + palette + bytes(pixels)


def png(rows):
    """A plain RGB PNG of the given rows of (r, g, b) tuples."""
    h, w = len(rows), len(rows[0])
    raw = b"".join(b"\x00" + bytes(c for px in row for c in px) for row in rows)

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, 2, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b""))


def preview(glyphs, path, scale=8):
    """All glyphs side by side, enlarged, the background shown light grey."""
    names = list(glyphs)
    width = len(names) * (16 * scale + scale)
    rows = []
    for y in range(16 * scale):
        row = []
        for n in names:
            g = glyphs[n]
            for x in range(16 * scale):
                c = g.px[y // scale][x // scale]
                row.append((0xE0, 0xE0, 0xE0) if c == BACKGROUND else PALETTE[c])
            row += [(0xFF, 0xFF, 0xFF)] * scale
        rows.append(row[:width])
    with open(path, "wb") as f:
        f.write(png(rows))


def main():
    out = os.path.join(os.path.dirname(os.path.abspath(__file__)), "bitmaps")
    os.makedirs(out, exist_ok=True)
    glyphs = {name: make() for name, make in GLYPHS.items()}
    for name, g in glyphs.items():
        assert g.px[g.size - 1][0] == BACKGROUND, name
        with open(os.path.join(out, name + ".bmp"), "wb") as f:
            f.write(bmp4(g))
    if len(sys.argv) == 3 and sys.argv[1] == "--preview":
        preview(glyphs, sys.argv[2])


if __name__ == "__main__":
    main()
