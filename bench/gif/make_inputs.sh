#!/usr/bin/env bash
# Makes the GIF decoding benchmark's inputs with ImageMagick into the folder given (default: the
# bench build's gif/ folder): a 150 x 200 photo-like picture, 256-colour pictures of 640 x 480 and
# 2000 x 1500, and a 50-frame animation.
set -euo pipefail
out="${1:-$(dirname "$0")/../../build/bench/bench/gif/inputs}"
mkdir -p "$out"
convert -seed 7 -size 150x200 plasma:fractal -colors 256 "$out/photo.gif"
convert -seed 8 -size 640x480 plasma:fractal -colors 256 "$out/vga.gif"
convert -seed 9 -size 2000x1500 plasma:fractal -colors 256 "$out/large.gif"
frames=()
for i in $(seq 0 49); do
  frames+=( \( -size 120x90 "radial-gradient:red-blue" -fill yellow -draw "circle $((10 + i * 2)),45 $((20 + i * 2)),45" \) )
done
convert -delay 5 "${frames[@]}" -loop 0 -colors 64 "$out/anim.gif"
ls -l "$out"
