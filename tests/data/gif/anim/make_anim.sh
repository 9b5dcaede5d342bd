#!/usr/bin/env bash
# Remakes the animation fixtures: GIFs with disposals 0 to 3, transparency, local colour maps and
# offsets (Pillow, ImageMagick, gifsicle -O3), and for each GIF here or animated in ../corpus the
# frames as ImageMagick composes them over the background #336699:
#   convert NAME.gif -coalesce -background '#336699' -alpha remove -alpha off NAME-N.ppm
# Run from anywhere; writes beside itself.
set -euo pipefail
cd "$(dirname "$0")"
PY=/usr/bin/python3
rm -f ./*.gif ./*.ppm

$PY - <<'PYEOF'
from PIL import Image

def pal(n, seed):
    p = []
    for i in range(n):
        p += [(i * 67 + seed * 13) % 256, (i * 29 + seed * 71) % 256, (i * 113 + 5) % 256]
    return p

def frame(w, h, n, f, seed=1):
    im = Image.new("P", (w, h))
    im.putpalette(pal(n, seed))
    im.putdata([f(x, y) % n for y in range(h) for x in range(w)])
    return im

# Disposal 0 and 1 with a transparent index: later frames show earlier ones through their holes.
fs = [frame(16, 12, 8, lambda x, y, k=k: 0 if (x + y + k) % 3 == 0 else x // 2 + k) for k in range(4)]
fs[0].save("keep.gif", save_all=True, append_images=fs[1:], duration=[40, 20, 130, 60],
           disposal=[0, 1, 1, 0], transparency=0, loop=0, optimize=False)
# Disposal 2: each frame's area goes back to the background.
fs = [frame(16, 12, 8, lambda x, y, k=k: 0 if abs(x - 4 * k) + abs(y - 3 * k) > 5 else 1 + (x + k) % 7)
      for k in range(4)]
fs[0].save("background.gif", save_all=True, append_images=fs[1:], duration=30, disposal=2,
           transparency=0, loop=0, optimize=False)
# Disposal 3 between others: the state before the frame comes back.
fs = [frame(12, 10, 16, lambda x, y, k=k: 0 if (x * y + k) % 4 == 0 else (x + 2 * y + 3 * k) % 15 + 1, seed=k + 2)
      for k in range(5)]
fs[0].save("previous.gif", save_all=True, append_images=fs[1:], duration=[10, 50, 50, 20, 70],
           disposal=[1, 3, 3, 2, 1], transparency=0, loop=2, optimize=False)
PYEOF

# ImageMagick: frames at offsets with mixed disposals.
convert -delay 15 -dispose none -size 20x14 -page 20x14+0+0 xc:yellow \
        -dispose previous -page +2+2 xc:red[6x5] \
        -dispose background -page +10+6 xc:green[8x4] \
        -dispose none -page +4+7 xc:blue[5x5] \
        -page +15+1 xc:black[3x9] -loop 0 offsets.gif
# gifsicle -O3 over the same animation: cropped, merged and transparent frames.
gifsicle -O3 previous.gif -o previous-o3.gif
gifsicle -O3 offsets.gif -o offsets-o3.gif

# corpus/anim.gif is left out: its frame 0 sticks out of the logical screen, which ImageMagick
# answers by moving the frame and we by growing the screen.
for f in ./*.gif ../corpus/local.gif ../corpus/optimized.gif; do
  name=$(basename "$f" .gif)
  convert "$f" -coalesce -background '#336699' -alpha remove -alpha off "$name-%d.ppm"
done
ls
