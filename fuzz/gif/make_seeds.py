#!/usr/bin/env python3
"""Writes the seeds of the GIF fuzz targets into seeds/<target>/ from the golden corpus in
tests/data/gif/corpus: whole files (up to 30 KB) and truncated copies for the load; frame 0's LZW
data behind the decoder's and the differential target's parameter bytes; the extension blocks of
the files for the extension loop."""
import glob
import os
import shutil

here = os.path.dirname(os.path.abspath(__file__))
corpus = os.path.join(here, "..", "..", "tests", "data", "gif", "corpus")
out = os.path.join(here, "seeds")
shutil.rmtree(out, ignore_errors=True)
for t in ("load", "decoder", "extensions", "differential"):
    os.makedirs(os.path.join(out, t))


def layout(d):
    """Frame 0's descriptor offset, data start and data end; the extension bytes before it."""
    p = 13 + (3 * (2 << (d[10] & 7)) if d[10] & 0x80 else 0)
    ext = bytearray()
    while p < len(d) and d[p] == 0x21:
        q = p + 2
        while d[q] != 0:
            q += d[q] + 1
        ext += d[p:q + 1]
        p = q + 1
    desc = p
    start = desc + 10 + (3 * (2 << (d[desc + 9] & 7)) if d[desc + 9] & 0x80 else 0)
    q = start + 1
    while d[q] != 0:
        q += d[q] + 1
    return desc, start, q + 1, bytes(ext)


for path in sorted(glob.glob(os.path.join(corpus, "*.gif"))):
    name = os.path.basename(path)[:-4]
    d = open(path, "rb").read()
    if len(d) <= 30000:
        open(os.path.join(out, "load", name), "wb").write(d)
        open(os.path.join(out, "load", name + "_half"), "wb").write(d[: len(d) // 2])
    desc, start, end, ext = layout(d)
    w = d[desc + 5] | d[desc + 6] << 8
    h = d[desc + 7] | d[desc + 8] << 8
    flags = 1 if d[desc + 9] & 0x40 else 0
    data = d[start:end]
    if w * h <= 65536 and len(data) <= 30000:
        params = bytes([(w - 1) & 255, 0, (h - 1) & 255, 0, flags, 0])
        open(os.path.join(out, "decoder", name), "wb").write(params + data)
    if w <= 64 and h <= 64:
        # Width, height, flags, code size, then the data bytes without their sub-block sizes.
        raw = bytearray()
        q = start + 1
        while d[q] != 0:
            raw += d[q + 1:q + 1 + d[q]]
            q += d[q] + 1
        open(os.path.join(out, "differential", name), "wb").write(
            bytes([w - 1, h - 1, flags, (d[start] - 2) % 7]) + raw)
    if ext:
        open(os.path.join(out, "extensions", name), "wb").write(ext)
print("seeds written")
