#!/usr/bin/env bash
# Installs the tools that remake the committed image fixtures (tests/data/*/make_*.sh and .py):
# ImageMagick, gifsicle, giflib's tools and Pillow; libjpeg's cjpeg and djpeg come with
# install-deps.sh. Only a developer who remakes fixtures needs them: CI uses the committed files.
set -euo pipefail
PKGS=(imagemagick gifsicle giflib-tools python3-pil)
missing=()
for p in "${PKGS[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update
  apt-get install -y --no-install-recommends "${missing[@]}"
fi
