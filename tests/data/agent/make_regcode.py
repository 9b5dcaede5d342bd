#!/usr/bin/env python3
"""Draws the confirmation-code picture (150 x 47, the digits 4711 in black on light grey) as a
PPM with plain Python and encodes it with libjpeg's cjpeg: regcode.jpg beside this script, and
djpeg's decoding of it, regcode.ppm."""
import os
import subprocess

W, H = 150, 47
FONT = {  # 5 x 7 bitmaps
    "4": ["00010", "00110", "01010", "10010", "11111", "00010", "00010"],
    "7": ["11111", "00001", "00010", "00100", "01000", "01000", "01000"],
    "1": ["00100", "01100", "00100", "00100", "00100", "00100", "01110"],
}
here = os.path.dirname(os.path.abspath(__file__))
pix = [[(225, 225, 225) for _ in range(W)] for _ in range(H)]
scale, x0, y0 = 5, 12, 6
for n, ch in enumerate("4711"):
    for r, row in enumerate(FONT[ch]):
        for c, bit in enumerate(row):
            if bit == "1":
                for dy in range(scale):
                    for dx in range(scale):
                        x = x0 + n * 34 + c * scale + dx
                        y = y0 + r * scale + dy
                        pix[y][x] = (20, 20, 90)
ppm = os.path.join(here, "regcode_source.ppm")
with open(ppm, "wb") as f:
    f.write(b"P6\n%d %d\n255\n" % (W, H))
    f.write(bytes(v for row in pix for p in row for v in p))
with open(os.path.join(here, "regcode.jpg"), "wb") as out:
    subprocess.run(["cjpeg", "-quality", "90", ppm], stdout=out, check=True)
os.remove(ppm)
# What libjpeg's own decoder makes of it: the picture the code dialog must show.
with open(os.path.join(here, "regcode.ppm"), "wb") as out:
    subprocess.run(["djpeg", "-pnm", os.path.join(here, "regcode.jpg")], stdout=out, check=True)
