#!/usr/bin/env bash
# Makes the benchmark's picture (2000 x 1500, ImageMagick's plasma with seed 7) as photo.ppm and,
# through cjpeg at quality 90, photo.jpg, in $VA_BENCH_PHOTO_DIR (default /tmp/va-bench-photo);
# then times ImageMagick on the same picture, single-threaded: the median of 5 runs of each
# reduction, less the median of 5 runs that only read the picture (start-up and reading).
set -euo pipefail
dir=${VA_BENCH_PHOTO_DIR:-/tmp/va-bench-photo}
CONVERT=${CONVERT:-convert}
mkdir -p "$dir"
cd "$dir"
[ -f photo.ppm ] || $CONVERT -seed 7 -size 2000x1500 plasma:fractal -depth 8 photo.ppm
[ -f photo.jpg ] || cjpeg -quality 90 photo.ppm > photo.jpg

median_ms() {
  local runs=()
  for _ in 1 2 3 4 5; do
    local t0 t1
    t0=$(date +%s%N)
    "$@" > /dev/null 2>&1
    t1=$(date +%s%N)
    runs+=($(( (t1 - t0) / 1000000 )))
  done
  printf '%s\n' "${runs[@]}" | sort -n | sed -n 3p
}

base=$(median_ms $CONVERT -limit thread 1 photo.ppm null:)
web=$(median_ms $CONVERT -limit thread 1 photo.ppm -dither FloydSteinberg -remap netscape: null:)
oct=$(median_ms $CONVERT -limit thread 1 photo.ppm -dither FloydSteinberg -colors 256 null:)
echo "ImageMagick read only: ${base} ms (median of 5)"
echo "ImageMagick Floyd-Steinberg to the web palette: $((web - base)) ms (${web} - ${base})"
echo "ImageMagick 256 colours with Floyd-Steinberg: $((oct - base)) ms (${oct} - ${base})"
echo "load: $(uptime)"
