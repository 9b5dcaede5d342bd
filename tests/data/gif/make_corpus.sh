#!/usr/bin/env bash
# Remakes the GIF golden corpus: files from ImageMagick, Pillow, gifsicle and giflib's gifbuild,
# each with NAME.expected written by a giflib dumper (gifdump.c over DGifSlurp). Stops unless
# Pillow reads the same frame-0 indices as giflib. Needs tools/install-fixture-tools.sh and
# libgif-dev. Run from anywhere; writes beside itself.
set -euo pipefail
cd "$(dirname "$0")"
PY=/usr/bin/python3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cc -O2 -o "$work/gifdump" gifdump.c -lgif

mkdir -p corpus
rm -f corpus/*.gif corpus/*.expected

# Pillow, with exact index control.
$PY - <<'PYEOF'
from PIL import Image

def pal(n, seed=1):
    p = []
    for i in range(n):
        p += [(i * 37 + seed * 11) % 256, (i * 91 + 7) % 256, (i * 53 + seed * 29) % 256]
    return p

def make(w, h, n, f, seed=1):
    im = Image.new("P", (w, h))
    im.putpalette(pal(n, seed))
    im.putdata([f(x, y) % n for y in range(h) for x in range(w)])
    return im

make(1, 1, 2, lambda x, y: 1).save("corpus/one.gif")
make(7, 5, 2, lambda x, y: (x + y) & 1).save("corpus/two.gif")
for h in (1, 2, 3, 5, 8, 9, 17):
    make(11, h, 16, lambda x, y: x * 3 + y * 5).save(f"work_i{h}.gif", interlace=0)
make(640, 480, 256, lambda x, y: (x * 7 + y * 13 + (x * y) % 17)).save("corpus/p256.gif")
t = make(9, 6, 4, lambda x, y: x % 4)
t.save("corpus/transparent.gif", transparency=2)
a = make(8, 8, 4, lambda x, y: x ^ y, seed=1)
b = make(8, 8, 8, lambda x, y: x + y, seed=5)
a.save("corpus/local.gif", save_all=True, append_images=[b], duration=50, loop=0)
PYEOF

# 16 colours interlaced by gifsicle at heights 1 to 17.
for h in 1 2 3 5 8 9 17; do
  gifsicle --interlace "work_i$h.gif" -o "corpus/interlaced$h.gif"
  rm "work_i$h.gif"
done

# ImageMagick.
convert -delay 7 -loop 3 -dispose Background -size 8x6 xc:red \( -size 4x3 xc:blue -page +2+1 \) corpus/anim.gif
convert -size 20x15 xc:white "$work/c.gif"
gifsicle --comment "A comment line of 300 bytes: $(printf 'x%.0s' $(seq 1 270))" "$work/c.gif" -o corpus/comment.gif
convert -size 6x4 xc:green \( -size 3x2 xc:yellow \) -delete 0 -page 20x15+5+4 corpus/offset.gif
for pic in netscape logo rose wizard; do convert "$pic:" "corpus/$pic.gif"; done
convert -seed 7 -size 150x200 plasma:fractal -colors 256 corpus/photo.gif

# gifsicle -O3 animation.
convert -delay 10 -size 24x16 xc:navy \( -size 24x16 xc:navy -fill orange -draw "rectangle 3,3 9,9" \) \
        \( -size 24x16 xc:navy -fill orange -draw "rectangle 12,5 20,12" \) -loop 0 "$work/a.gif"
gifsicle -O3 "$work/a.gif" -o corpus/optimized.gif

# giflib's gifbuild, then its global table cut out: a file with no colour table at all (giflib
# writes none without a table, but reads one).
cat > "$work/nomap.txt" <<'TXT'
screen width 4
screen height 3
screen colors 2
screen background 0
pixel aspect byte 0

screen map
	rgb 000 000 000 is 0
	rgb 255 255 255 is 1
end

image # 1
image left 0
image top 0
image bits 4 by 3
1010
0101
1100
TXT
gifbuild "$work/nomap.txt" > "$work/map.gif"
$PY - "$work/map.gif" <<'PYEOF'
import sys
d = open(sys.argv[1], "rb").read()
assert d[10] & 0x80
n = 3 * (2 << (d[10] & 7))
open("corpus/nomap.gif", "wb").write(d[:10] + bytes([d[10] & 0x70]) + d[11:13] + d[13 + n:])
PYEOF

# A stream that never clears after the table fills (giflib reads it; the expected indices are
# giflib's), from a small LZW writer of our own.
$PY - <<'PYEOF'
import struct
w, h = 300, 200
pix = [((x * x + y * 3) // 7 + x * y) % 256 for y in range(h) for x in range(w)]
codes, size = [], 8
clear, eoi = 256, 257
table = {bytes([i]): i for i in range(256)}
nxt, width = 258, 9
out_codes = [(clear, 9)]
cur = bytes([pix[0]])
for p in pix[1:]:
    c = cur + bytes([p])
    if c in table:
        cur = c
        continue
    out_codes.append((table[cur], width))
    if nxt == (1 << width) and width < 12:
        width += 1
    if nxt < 4096:
        table[c] = nxt
        nxt += 1
    cur = bytes([p])
out_codes.append((table[cur], width))
out_codes.append((eoi, width))
acc = nbits = 0
data = bytearray()
for code, wd in out_codes:
    acc |= code << nbits
    nbits += wd
    while nbits >= 8:
        data.append(acc & 255)
        acc >>= 8
        nbits -= 8
if nbits:
    data.append(acc & 255)
gif = bytearray(b"GIF89a" + struct.pack("<HHBBB", w, h, 0xF7, 0, 0))
for i in range(256):
    gif += bytes([i, 255 - i, (i * 3) % 256])
gif += b"," + struct.pack("<HHHHB", 0, 0, w, h, 0) + bytes([8])
for i in range(0, len(data), 255):
    chunk = data[i:i + 255]
    gif += bytes([len(chunk)]) + chunk
gif += b"\x00;"
open("corpus/noclear.gif", "wb").write(gif)
PYEOF

for f in corpus/*.gif; do
  "$work/gifdump" "$f" > "${f%.gif}.expected"
done

# Pillow must read the same frame-0 indices as giflib (the file with no colour table aside).
$PY - <<'PYEOF'
import glob, sys
from PIL import Image
bad = 0
for f in sorted(glob.glob("corpus/*.gif")):
    if f.endswith("nomap.gif"):
        continue
    lines = open(f[:-4] + ".expected").read().split("\n")
    fr = next(l for l in lines if l.startswith("frame 0 ")).split()
    left, top, w, h = map(int, fr[2:6])
    im = Image.open(f)
    idx = im.crop((left, top, left + w, top + h)).getdata()
    got = bytes(idx)
    px = next(l for l in lines if l.startswith("pixels ") or l.startswith("hash "))
    if px.startswith("pixels "):
        same = got.hex() == px.split()[1]
    else:
        hv = 1469598103934665603
        for b in got:
            hv = ((hv ^ b) * 1099511628211) % (1 << 64)
        same = "%016x" % hv == px.split()[1]
    if not same:
        print("Pillow and giflib differ on", f)
        bad += 1
sys.exit(1 if bad else 0)
PYEOF
echo "corpus made: $(ls corpus/*.gif | wc -l) files"
