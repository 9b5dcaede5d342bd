#!/usr/bin/env python3
"""Draws the program's bitmap resources into resources/bitmaps/ (their output is committed).

The message box glyphs are 16 x 16, 16 colours (4 bits per pixel, the standard 16-colour
palette); the bottom-left pixel carries the background colour that the button makes transparent.
The pieces of the skinned tab, button and folder bar, the contact card's pieces and marks, and
the images of the main window and the settings page are 24-bit. A piece shown transparent
carries its see-through colour in its bottom-left pixel (magenta, except the stretched middles
"TABBG1" and "TABBG2", whose bottom row is a line that also looks right when drawn opaque).
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


class Pixels:
    """A w x h grid of colours (palette indices or RGB triples), rows top-down."""

    def __init__(self, w, h, fill):
        self.w, self.h = w, h
        self.px = [[fill] * w for _ in range(h)]

    def paint(self, inside, colour):
        """Sets every pixel whose centre the shape holds."""
        for y in range(self.h):
            for x in range(self.w):
                if inside(x + 0.5, y + 0.5):
                    self.px[y][x] = colour

    def disc(self, cx, cy, r, colour):
        self.paint(lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r, colour)

    def line(self, points, width, colour):
        segs = list(zip(points, points[1:]))
        self.paint(lambda x, y: any(seg_dist(x, y, a, b) <= width / 2 for a, b in segs), colour)

    def polygon(self, pts, colour):
        self.paint(lambda x, y: in_polygon(x, y, pts), colour)


class Glyph(Pixels):
    def __init__(self, size=16):
        super().__init__(size, size, BACKGROUND)
        self.size = size

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


# ---------------------------------------------------------------------------------------------
# 24-bit pieces.

KEY = (255, 0, 255)
WHITE24 = (255, 255, 255)
LINE = (160, 160, 164)       # the card's frame lines
TITLE = (102, 204, 153)      # the card's title bar


class Canvas(Pixels):
    def __init__(self, w, h, fill=KEY):
        super().__init__(w, h, fill)

    def rect(self, x0, y0, x1, y1, colour):
        """Fills the pixels x0..x1, y0..y1 (inclusive)."""
        for y in range(max(0, y0), min(self.h, y1 + 1)):
            for x in range(max(0, x0), min(self.w, x1 + 1)):
                self.px[y][x] = colour

    def text(self, x0, y0, word, colour):
        """Capitals of a 3 x 5 pixel font, one blank column between letters."""
        x = x0
        for ch in word:
            rows = FONT[ch]
            for dy, row in enumerate(rows):
                for dx, c in enumerate(row):
                    if c == "#" and 0 <= x + dx < self.w and 0 <= y0 + dy < self.h:
                        self.px[y0 + dy][x + dx] = colour
            x += len(rows[0]) + 1


FONT = {
    "А": [".#.", "#.#", "###", "#.#", "#.#"],
    "Н": ["#.#", "#.#", "###", "#.#", "#.#"],
    "К": ["#.#", "##.", "#..", "##.", "#.#"],
    "Е": ["###", "#..", "##.", "#..", "###"],
    "Т": ["###", ".#.", ".#.", ".#.", ".#."],
    "V": ["#.#", "#.#", "#.#", "#.#", ".#."],
    "I": ["###", ".#.", ".#.", ".#.", "###"],
    "P": ["##.", "#.#", "##.", "#..", "#.."],
}


def mix(a, b, t):
    return tuple(round(a[i] + (b[i] - a[i]) * t) for i in range(3))


# The tab and button faces: row 0 is the top edge, rows 1..20 a gradient, row 21 a line.
FACES = {
    "1": {"edge": (140, 140, 144), "top": (252, 252, 252), "bottom": (206, 206, 210), "base": (128, 128, 132)},
    "2": {"edge": (46, 140, 96), "top": (206, 242, 224), "bottom": (102, 204, 153), "base": (38, 112, 78)},
}


def face_row(face, y):
    if y == 0:
        return face["edge"]
    if y >= 21:
        return face["base"]
    return mix(face["top"], face["bottom"], (y - 1) / 19)


def tab_middle(n):
    face = FACES[n]
    c = Canvas(50, 22)
    for y in range(22):
        c.rect(0, y, 49, y, face_row(face, y))
    return c


def rounded_end(w, n, left, bottom_round, outside, r=6.0):
    """An end piece of a face: the corner(s) on the outer side rounded; outside them `outside`.
    With bottom_round the body ends at row 20 and row 21 is outside (the button); else the body
    runs over all 22 rows with the base line at the bottom (the tab)."""
    face = FACES[n]
    c = Canvas(w, 22, outside)
    last = 20 if bottom_round else 21
    for y in range(last + 1):
        for x in range(w):
            # distance from the outer edge, mirrored for a right end
            ox = x if left else w - 1 - x
            px, py = ox + 0.5, y + 0.5
            colour = face_row(face, y) if not (bottom_round and y == last) else face["edge"]
            d = None
            if px < r and py < r:
                d = math.hypot(px - r, py - r)
            elif bottom_round and px < r and py > last + 1 - r:
                d = math.hypot(px - r, py - (last + 1 - r))
            if d is not None:
                if d > r:
                    continue
                if d > r - 1.2:
                    colour = face["edge"]
            elif ox == 0:
                colour = face["edge"] if (bottom_round or y < 21) else face["base"]
            c.px[y][x] = colour
    return c


def tab_left(n):
    return rounded_end(18, n, True, False, WHITE24)


def tab_right(n):
    return rounded_end(8, n, False, False, WHITE24)


def btn_left(n):
    return rounded_end(8, n, True, True, KEY)


def btn_right(n):
    return rounded_end(8, n, False, True, KEY)


def person(c, cx, top, fill, outline, scale=1.0):
    """A head and shoulders, outline first."""
    c.disc(cx, top + 3.2 * scale, 3.4 * scale, outline)
    c.paint(lambda x, y: y >= top + 7.0 * scale and (x - cx) ** 2 / (6.2 * scale) ** 2 +
            (y - (top + 13.5 * scale)) ** 2 / (6.0 * scale) ** 2 <= 1 and y <= top + 13.8 * scale, outline)
    c.disc(cx, top + 3.2 * scale, 2.4 * scale, fill)
    c.paint(lambda x, y: y >= top + 8.0 * scale and (x - cx) ** 2 / (5.2 * scale) ** 2 +
            (y - (top + 13.5 * scale)) ** 2 / (5.0 * scale) ** 2 <= 1 and y <= top + 12.9 * scale, fill)


STATE = {
    "ABSENT": ((176, 176, 180), (104, 104, 108)),
    "CONNECTED": ((40, 190, 80), (0, 110, 40)),
    "ABSENTSELECTED": ((200, 200, 204), WHITE24),
    "CONNECTEDSELECTED": ((120, 255, 140), WHITE24),
}


def state_icon(name):
    c = Canvas(16, 16)
    fill, outline = STATE[name]
    person(c, 8, 1, fill, outline)
    return c


def card_corner(w, h, line_pts, arc_centre, r, title=None, outside=WHITE24):
    """A corner of the card's frame: white, a grey arc of radius r about arc_centre joining the
    straight lines, and optionally the green title bar inside it."""
    c = Canvas(w, h, outside)
    cx, cy = arc_centre
    if title:
        tx0, ty0, tx1, ty1, inner = title
        def in_title(x, y):
            if not (tx0 <= x < tx1 and ty0 <= y < ty1):
                return False
            # inside the rounding: keep one white pixel between the line and the bar
            if (x - cx) * inner[0] > 0 and (y - cy) * inner[1] > 0:
                return math.hypot(x - cx, y - cy) <= r - 1.5
            return True
        c.paint(in_title, TITLE)
    quad_x, quad_y = line_pts
    def on_arc(x, y):
        if (x - cx) * quad_x < 0 or (y - cy) * quad_y < 0:
            return False
        return abs(math.hypot(x - cx, y - cy) - r) <= 0.5
    c.paint(on_arc, LINE)
    return c


def top_left(state):
    # frame: top line at row 1 from x = 8, left line at column 1 from row 8; bar from row 3.
    c = card_corner(18, 23, (-1, -1), (8.5, 8.5), 7, title=(3, 3, 18, 23, (-1, -1)))
    c.rect(8, 1, 17, 1, LINE)
    c.rect(1, 8, 1, 22, LINE)
    fill, outline = {"ABSENT": ((176, 176, 180), (104, 104, 108)), "CONNECTED": ((40, 190, 80), WHITE24)}[state]
    c.disc(10.5, 13.5, 4.6, outline)
    c.disc(10.5, 13.5, 3.6, fill)
    return c


def top_right():
    # top line at row 1 up to x = 0 (the border panel ends at W - 9), right line at column 6.
    c = card_corner(8, 23, (1, -1), (-0.5, 8.5), 7, title=(0, 3, 5, 23, (1, -1)))
    c.rect(6, 8, 6, 22, LINE)
    return c


def bottom_left():
    # left line at column 1 down to row -1, bottom line at row 6 from x = 8.
    return card_corner(8, 8, (-1, 1), (8.5, -0.5), 7)


def bottom_right():
    return card_corner(8, 8, (1, 1), (-0.5, -0.5), 7)


def goto():
    c = Canvas(50, 16)
    border, fill, ink = (60, 90, 170), (226, 234, 255), (30, 50, 140)
    c.paint(lambda x, y: 0.5 <= x <= 49.5 and 1 <= y <= 15 and not corner_out(x, y, 0.5, 1, 49.5, 15, 3), border)
    c.paint(lambda x, y: 1.5 <= x <= 48.5 and 2 <= y <= 14 and not corner_out(x, y, 1.5, 2, 48.5, 14, 2.2), fill)
    c.text(5, 6, "АНКЕТА", ink)
    c.polygon([(33, 4.5), (38, 8.5), (33, 12.5)], ink)
    c.polygon([(39, 4.5), (44, 8.5), (39, 12.5)], ink)
    return c


def corner_out(x, y, x0, y0, x1, y1, r):
    for cx, cy in ((x0 + r, y0 + r), (x1 - r, y0 + r), (x0 + r, y1 - r), (x1 - r, y1 - r)):
        if (x < x0 + r if cx == x0 + r else x > x1 - r) and (y < y0 + r if cy == y0 + r else y > y1 - r):
            return math.hypot(x - cx, y - cy) > r
    return False


def vip():
    c = Canvas(16, 16)
    c.paint(lambda x, y: 0.5 <= x <= 15.5 and 3 <= y <= 14 and not corner_out(x, y, 0.5, 3, 15.5, 14, 2.5), (170, 110, 0))
    c.paint(lambda x, y: 1.5 <= x <= 14.5 and 4 <= y <= 13 and not corner_out(x, y, 1.5, 4, 14.5, 13, 1.8), (255, 204, 51))
    c.text(2, 6, "VIP", (150, 20, 20))
    return c


def voice():
    c = Canvas(16, 16)
    ink = (40, 70, 170)
    c.rect(1, 6, 4, 10, ink)
    c.polygon([(4, 6), (9, 1.5), (9, 14.5), (4, 10)], ink)
    for r in (3.0, 5.5):
        c.paint(lambda x, y, r=r: x > 10 and abs(math.hypot(x - 8.5, y - 8) - r) <= 0.7 and abs(y - 8) < r * 0.8, ink)
    return c


def basket():
    c = Canvas(16, 16)
    red, dark, light = (210, 40, 40), (130, 10, 10), (245, 140, 140)
    c.rect(6, 1, 9, 1, dark)
    c.rect(5, 1, 5, 2, dark)
    c.rect(10, 1, 10, 2, dark)
    c.rect(2, 3, 13, 4, dark)
    c.polygon([(3, 5), (13, 5), (12, 15), (4, 15)], dark)
    c.polygon([(4, 5.5), (12, 5.5), (11.2, 14.2), (4.8, 14.2)], red)
    for x in (6, 8, 10):
        c.rect(x, 7, x, 12, light)
    return c


def nophoto():
    c = Canvas(46, 62, (238, 238, 240))
    sil = (196, 196, 200)
    c.disc(23, 22, 10, sil)
    c.paint(lambda x, y: y >= 34 and ((x - 23) / 19) ** 2 + ((y - 62) / 26) ** 2 <= 1, sil)
    for x in range(46):
        c.px[0][x] = c.px[61][x] = LINE
    for y in range(62):
        c.px[y][0] = c.px[y][45] = LINE
    return c


def envelope(w, h):
    c = Canvas(w, h, (255, 232, 130))
    edge = (150, 105, 0)
    for x in range(w):
        c.px[0][x] = c.px[h - 1][x] = edge
    for y in range(h):
        c.px[y][0] = c.px[y][w - 1] = edge
    c.line([(0.5, 0.5), (w / 2, h * 0.62), (w - 0.5, 0.5)], 1.0 if w > 10 else 0.8, edge)
    return c


def tab_contacts():
    c = Canvas(16, 16)
    person(c, 10.5, 2, (120, 160, 230), (40, 70, 150), 0.85)
    person(c, 5.5, 3, (150, 200, 120), (50, 110, 40), 0.9)
    return c


def tab_settings():
    c = Canvas(16, 16)
    ink, hub = (90, 90, 100), (200, 200, 210)
    def gear(x, y):
        d = math.hypot(x - 8, y - 8)
        a = math.atan2(y - 8, x - 8)
        tooth = math.cos(8 * a) > 0.3
        return d <= (7.2 if tooth else 5.6)
    c.paint(gear, ink)
    c.disc(8, 8, 3.6, hub)
    c.disc(8, 8, 1.8, ink)
    return c


def menu_import():
    c = Canvas(16, 16)
    ink = (30, 120, 60)
    c.rect(7, 1, 9, 8, ink)
    c.polygon([(3.5, 7.5), (12.5, 7.5), (8, 12.5)], ink)
    c.rect(1, 11, 1, 14, (80, 80, 90))
    c.rect(14, 11, 14, 14, (80, 80, 90))
    c.rect(1, 14, 14, 14, (80, 80, 90))
    return c


def menu_delete():
    c = basket()
    return c


def menu_clear():
    c = Canvas(16, 16)
    c.disc(8, 8, 7, (170, 20, 20))
    c.disc(8, 8, 5, (255, 255, 255))
    c.line([(3.5, 12.5), (12.5, 3.5)], 2.0, (170, 20, 20))
    return c


def menu_exit():
    c = Canvas(16, 16)
    door = (120, 80, 40)
    c.rect(2, 1, 9, 14, door)
    c.rect(3, 2, 8, 13, (200, 160, 110))
    c.rect(7, 7, 7, 8, door)
    c.line([(9, 8), (14.5, 8)], 2.0, (30, 100, 200))
    c.polygon([(12, 4.5), (15.8, 8), (12, 11.5)], (30, 100, 200))
    return c


def menu_about():
    c = Canvas(16, 16)
    c.disc(8, 8, 7.2, (30, 90, 200))
    c.rect(7, 3, 8, 4, WHITE24)
    c.rect(7, 6, 8, 12, WHITE24)
    c.rect(6, 6, 6, 6, WHITE24)
    c.rect(6, 12, 9, 12, WHITE24)
    return c


def app_icon():
    c = Canvas(32, 32)
    c.disc(16, 16, 15.2, (38, 112, 78))
    c.disc(16, 16, 13.8, TITLE)
    person(c, 16, 7, WHITE24, (38, 112, 78), 1.35)
    return c


def server_add():
    c = Canvas(16, 16)
    c.rect(6, 2, 9, 13, (20, 130, 40))
    c.rect(2, 6, 13, 9, (20, 130, 40))
    c.rect(7, 3, 8, 12, (80, 200, 90))
    c.rect(3, 7, 12, 8, (80, 200, 90))
    return c


def server_delete():
    c = Canvas(16, 16)
    c.rect(2, 6, 13, 9, (150, 20, 20))
    c.rect(3, 7, 12, 8, (230, 70, 70))
    return c


PIECES = {
    "TABBG1": lambda: tab_middle("1"), "TABBG2": lambda: tab_middle("2"),
    "TABBG1LEFT": lambda: tab_left("1"), "TABBG2LEFT": lambda: tab_left("2"),
    "TABBG1RIGHT": lambda: tab_right("1"), "TABBG2RIGHT": lambda: tab_right("2"),
    "BTN1LEFT": lambda: btn_left("1"), "BTN2LEFT": lambda: btn_left("2"),
    "BTN1RIGHT": lambda: btn_right("1"), "BTN2RIGHT": lambda: btn_right("2"),
    "ABSENT": lambda: state_icon("ABSENT"), "CONNECTED": lambda: state_icon("CONNECTED"),
    "ABSENTSELECTED": lambda: state_icon("ABSENTSELECTED"),
    "CONNECTEDSELECTED": lambda: state_icon("CONNECTEDSELECTED"),
    "TOPLEFTABSENT": lambda: top_left("ABSENT"), "TOPLEFTCONNECTED": lambda: top_left("CONNECTED"),
    "TOPRIGHT": top_right, "BOTTOMLEFT": bottom_left, "RIGHTBOTTOM": bottom_right,
    "GOTO": goto, "NOPHOTO": nophoto, "LETTER": lambda: envelope(19, 14), "LETTERSHORT": lambda: envelope(8, 6),
    "VIP": vip, "VOICE": voice, "BASKETRED": basket,
    # The images of the main window and the settings page, named by their role.
    "TAB_CONTACTS": tab_contacts, "TAB_SETTINGS": tab_settings,
    "MENU_IMPORT": menu_import, "MENU_DELETE": menu_delete, "MENU_CLEAR": menu_clear,
    "MENU_EXIT": menu_exit, "MENU_ABOUT": menu_about, "APP_ICON": app_icon,
    "SERVER_ADD": server_add, "SERVER_DELETE": server_delete,
}

# Drawn opaque wherever they are shown: no see-through colour in the bottom-left pixel.
OPAQUE = {"TABBG1LEFT", "TABBG2LEFT", "TABBG1RIGHT", "TABBG2RIGHT", "TOPLEFTABSENT", "TOPLEFTCONNECTED",
          "TOPRIGHT", "BOTTOMLEFT", "RIGHTBOTTOM", "NOPHOTO", "LETTER", "LETTERSHORT"}


def bmp24(c):
    """An uncompressed 24-bit BMP, rows bottom-up, each padded to 4 bytes."""
    row_bytes = ((c.w * 3 + 3) // 4) * 4
    pixels = bytearray()
    for y in reversed(range(c.h)):
        row = bytearray()
        for r, g, b in c.px[y]:
            row += bytes((b, g, r))
        row += bytes(row_bytes - len(row))
        pixels += row
    offset = 14 + 40
    header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, c.w, c.h, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    return header + info + bytes(pixels)


def main():
    out = os.path.join(os.path.dirname(os.path.abspath(__file__)), "bitmaps")
    os.makedirs(out, exist_ok=True)
    glyphs = {name: make() for name, make in GLYPHS.items()}
    for name, g in glyphs.items():
        assert g.px[g.size - 1][0] == BACKGROUND, name
        with open(os.path.join(out, name + ".bmp"), "wb") as f:
            f.write(bmp4(g))
    for name, make in PIECES.items():
        c = make()
        if name not in OPAQUE and not name.startswith("TABBG"):
            assert c.px[c.h - 1][0] == KEY, name
        with open(os.path.join(out, name + ".bmp"), "wb") as f:
            f.write(bmp24(c))
    if len(sys.argv) == 3 and sys.argv[1] == "--preview":
        preview(glyphs, sys.argv[2])


if __name__ == "__main__":
    main()
