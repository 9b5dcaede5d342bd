#!/usr/bin/env bash
# Remakes the colour-reduction oracles: ImageMagick's web palette and three of its built-in
# pictures as PPM (logo: and wizard: at half size, to keep the fixtures small), with the mean
# squared error of ImageMagick's and Pillow's palettes of 256 and 16 colours on each, and of the
# octree reduction re-implemented here in Python.
# Needs ImageMagick and Pillow (tools/install-fixture-tools.sh).
set -euo pipefail
cd "$(dirname "$0")"
CONVERT=${CONVERT:-convert}
PY=${PY:-/usr/bin/python3}

$CONVERT netscape: -strip -unique-colors netscape.ppm
$CONVERT rose: -strip rose.ppm
$CONVERT logo: -strip -resize 50% logo.ppm
$CONVERT wizard: -strip -resize 50% wizard.ppm

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
for img in rose logo wizard; do
  for n in 256 16; do
    $CONVERT $img.ppm +dither -colors $n "$tmp/$img-$n-im.ppm"
  done
done

# The error of a palette: every pixel taken to its nearest palette colour (squared distance),
# the squared channel differences summed and divided by pixels x 3.
"$PY" - "$tmp" > mse.txt <<'PYEOF'
import sys
from PIL import Image
tmp = sys.argv[1]

# The octree of the reduction code, written again from its description: leaves at depth 8; after
# every pixel, while there are too many leaves, the most recently made node of the deepest level
# that has any is merged into a leaf. Its palette's error must match ours exactly.
class Node:
    __slots__=("leaf","n","r","g","b","next","ch")
    def __init__(s):
        s.leaf=False;s.n=0;s.r=s.g=s.b=0;s.next=None;s.ch=[None]*8
def run(pixels, maxc, bits=8):
    red=[None]*8; leaves=[0]
    def new(level):
        n=Node(); n.leaf = level==bits
        if n.leaf: leaves[0]+=1
        else: n.next=red[level]; red[level]=n
        return n
    root=[None]
    def add(r,g,b):
        level=0
        node = root[0]
        if node is None: node=root[0]=new(0)
        while not node.leaf:
            sh=7-level; m=0x80>>level
            i=(((r&m)>>sh)<<2)|(((g&m)>>sh)<<1)|((b&m)>>sh)
            if node.ch[i] is None: node.ch[i]=new(level+1)
            node=node.ch[i]; level+=1
        node.n+=1; node.r+=r; node.g+=g; node.b+=b
    def reduce():
        level=bits-1
        while level>0 and red[level] is None: level-=1
        node=red[level]; red[level]=node.next
        k=0
        for i,c in enumerate(node.ch):
            if c: node.n+=c.n; node.r+=c.r; node.g+=c.g; node.b+=c.b; node.ch[i]=None; k+=1
        node.leaf=True; leaves[0]-=k-1
    for p in pixels:
        add(*p)
        while leaves[0]>maxc: reduce()
    out=[]
    def walk(n):
        if n is None: return
        if n.leaf: out.append((n.r//n.n,n.g//n.n,n.b//n.n) if n.n else (0,0,0)); return
        for c in n.ch: walk(c)
    walk(root[0]); return out
def mse(pixels, palette):
    cache = {}
    total = 0
    for p in pixels:
        d = cache.get(p)
        if d is None:
            d = min((p[0]-c[0])**2 + (p[1]-c[1])**2 + (p[2]-c[2])**2 for c in palette)
            cache[p] = d
        total += d
    return total / (len(pixels) * 3)

print("# picture colours imagemagick_mse pillow_fastoctree_mse octree_reference_mse")
for img in ("rose", "logo", "wizard"):
    src = Image.open(img + ".ppm").convert("RGB")
    pixels = list(src.getdata())
    for n in (256, 16):
        im = Image.open(f"{tmp}/{img}-{n}-im.ppm").convert("RGB")
        im_palette = sorted(set(im.getdata()))
        q = src.quantize(n, method=Image.Quantize.FASTOCTREE)
        raw = q.getpalette()[: 3 * n]
        used = sorted(set(q.getdata()))
        pil_palette = [tuple(raw[3 * i: 3 * i + 3]) for i in used]
        ours = run(pixels, n)
        ours += [(0, 0, 0)] * (n - len(ours))  # places the quantizer leaves empty are black
        print(img, n, "%.4f" % mse(pixels, im_palette), "%.4f" % mse(pixels, pil_palette),
              "%.4f" % mse(pixels, ours))
PYEOF
cat mse.txt
