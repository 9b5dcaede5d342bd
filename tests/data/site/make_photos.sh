#!/usr/bin/env bash
# The stand-in site's photos: 120x160 portraits drawn by ImageMagick, the JPEGs encoded by libjpeg's
# cjpeg, the GIFs and the site's no-photo picture written by ImageMagick.
set -euo pipefail
cd "$(dirname "$0")"
portrait() {  # name background face
  convert -size 120x160 "gradient:$2" \
    -fill "$3" -draw "ellipse 60,62 30,38 0,360" \
    -fill '#3b2a20' -draw "ellipse 60,36 34,20 180,360" \
    -fill '#202020' -draw "circle 48,58 51,58" -draw "circle 72,58 75,58" \
    -fill '#a03030' -draw "ellipse 60,84 10,4 0,180" \
    -fill "$3" -draw "rectangle 40,120 80,160" \
    -depth 8 "$1"
}
portrait photo1.ppm '#7fa7d9-#e8eef7' '#f0c8a8'
portrait photo2.ppm '#9bd99b-#f0f7e8' '#e0b090'
portrait photo3.ppm '#d9a77f-#f7efe8' '#f5d0b5'
for n in 1 2 3; do cjpeg -quality 90 -outfile "photo$n.jpg" "photo$n.ppm"; rm "photo$n.ppm"; done
portrait gif1.ppm '#c79bd9-#f3e8f7' '#f0c0a0'
portrait gif2.ppm '#d9d27f-#f7f5e8' '#e8c4a4'
for n in 1 2; do convert "gif$n.ppm" -colors 64 "photo$n.gif"; rm "gif$n.ppm"; done
convert -size 120x160 xc:'#e6e6e6' -fill '#b4b4b4' -draw "ellipse 60,62 30,38 0,360" \
  -draw "rectangle 36,110 84,160" -colors 16 nophoto.gif
