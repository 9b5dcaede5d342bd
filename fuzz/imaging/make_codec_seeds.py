#!/usr/bin/env python3
"""Writes the seeds of the JPEG and colour-reduction fuzz targets: corpus_jpeg/ holds the small JPEG
fixtures of tests/data/jpeg behind a four-byte minimum size (none, and 8 x 8 so that the scaled
decoding runs); corpus_reduce/ holds one small picture for each method and dither."""
import glob
import os
import struct

here = os.path.dirname(os.path.abspath(__file__))
data = os.path.join(here, "..", "..", "tests", "data", "jpeg")

out = os.path.join(here, "corpus_jpeg")
os.makedirs(out, exist_ok=True)
for path in sorted(glob.glob(os.path.join(data, "*.jpg"))):
    body = open(path, "rb").read()
    if len(body) > 4096:
        continue
    name = os.path.splitext(os.path.basename(path))[0]
    open(os.path.join(out, name), "wb").write(struct.pack("<HH", 0, 0) + body)
    open(os.path.join(out, name + "_min8"), "wb").write(struct.pack("<HH", 8, 8) + body)

out = os.path.join(here, "corpus_reduce")
os.makedirs(out, exist_ok=True)
width = 12
pixels = bytes((x * 21 + y * 40 + c * 90) % 256 for y in range(6) for x in range(width) for c in range(3))
custom = bytes([255, 0, 0, 0, 255, 0, 0, 0, 255, 128, 128, 128])
for method in range(11):
    for dither in range(8):
        head = bytes([method, dither, 8 if method != 7 else 3, width - 1, 4 if method == 9 else 0])
        body = custom if method == 9 else b""
        open(os.path.join(out, "m%d_d%d" % (method, dither)), "wb").write(head + body + pixels)
