#!/usr/bin/env bash
# Remakes the JPEG fixtures and what libjpeg's own tools make of them: files written by cjpeg,
# ImageMagick and Pillow, each with djpeg's decoding (dec/<name>.pnm) or, for CMYK, ImageMagick's
# (dec/<name>_srgb.pnm), and cjpeg's encodings of one picture at several qualities (enc/). Needs libjpeg-turbo-progs, ImageMagick and Pillow
# (tools/install-fixture-tools.sh).
set -euo pipefail
cd "$(dirname "$0")"
CONVERT=${CONVERT:-convert}
PY=${PY:-/usr/bin/python3}
rm -rf src dec enc
mkdir -p src dec enc
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# Sources: a plasma picture, a grey one, and odd sizes.
$CONVERT -seed 7 -size 64x48 plasma:fractal -depth 8 -strip src/plasma.ppm
$CONVERT src/plasma.ppm -colorspace gray -type truecolor -depth 8 -strip src/grey.ppm
$CONVERT -seed 3 -size 17x9 plasma:fractal -depth 8 -strip src/odd.ppm
$CONVERT -size 1x1 xc:'rgb(200,40,90)' -depth 8 -strip src/one.ppm
$CONVERT -seed 5 -size 800x600 plasma:fractal -depth 8 -strip "$tmp/big.ppm"

# Decoding fixtures.
cjpeg -quality 85 -sample 2x2 src/plasma.ppm > cjpeg_420.jpg
cjpeg -quality 85 -sample 2x1 src/plasma.ppm > cjpeg_422.jpg
cjpeg -quality 85 -sample 1x1 src/plasma.ppm > cjpeg_444.jpg
cjpeg -quality 85 -progressive src/plasma.ppm > cjpeg_progressive.jpg
cjpeg -quality 85 -arithmetic src/plasma.ppm > cjpeg_arithmetic.jpg
cjpeg -quality 85 -restart 1 src/plasma.ppm > cjpeg_restart.jpg
cjpeg -quality 85 -grayscale src/plasma.ppm > cjpeg_grey.jpg
cjpeg -quality 85 src/one.ppm > cjpeg_1x1.jpg
cjpeg -quality 85 src/odd.ppm > cjpeg_17x9.jpg
cjpeg -quality 75 "$tmp/big.ppm" > cjpeg_800x600.jpg
$CONVERT src/plasma.ppm -quality 80 -sampling-factor 2x2 im_420.jpg
$CONVERT src/plasma.ppm -quality 80 -interlace JPEG im_progressive.jpg
$CONVERT src/odd.ppm -quality 92 -sampling-factor 1x1 im_17x9.jpg
# Four inks: ImageMagick writes YCCK (Adobe transform 2), Pillow plain CMYK (transform 0).
$CONVERT src/odd.ppm -colorspace CMYK -quality 80 im_cmyk.jpg
"$PY" - <<'PYEOF'
from PIL import Image
im = Image.open("src/plasma.ppm")
im.save("pil_420.jpg", quality=80)
im.save("pil_optimized_progressive.jpg", quality=70, optimize=True, progressive=True, subsampling=0)
im.convert("L").save("pil_grey.jpg", quality=88)
Image.open("src/odd.ppm").convert("CMYK").save("pil_cmyk.jpg", quality=90)
PYEOF
# A file cut after 60% of its bytes: libjpeg completes the picture.
size=$(stat -c %s cjpeg_420.jpg)
head -c $((size * 6 / 10)) cjpeg_420.jpg > truncated.jpg

for f in *.jpg; do
  case "$f" in *_cmyk.jpg|cjpeg_800x600.jpg) continue ;; esac
  # djpeg ends with status 2 after a warning (the truncated file); its picture is still complete.
  djpeg -pnm "$f" > "dec/${f%.jpg}.pnm" 2>/dev/null || [ $? -eq 2 ]
done
djpeg -pnm -scale 1/4 cjpeg_800x600.jpg > dec/cjpeg_800x600_quarter.pnm
# The CMYK files as ImageMagick shows them (djpeg gives their inks, not colours).
for f in im_cmyk pil_cmyk; do $CONVERT $f.jpg -colorspace sRGB -depth 8 "dec/${f}_srgb.pnm"; done

# Encoding references: baseline at several qualities, and greyscale.
for q in 1 50 90 100; do
  cjpeg -baseline -quality $q src/plasma.ppm > enc/plasma_q$q.jpg
done
cjpeg -baseline -quality 90 -grayscale src/grey.ppm > enc/grey_q90.jpg
cjpeg -baseline -quality 90 -grayscale src/plasma.ppm > enc/plasma_grey_q90.jpg
cjpeg -baseline -quality 90 src/odd.ppm > enc/odd_q90.jpg
