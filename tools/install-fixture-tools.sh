#!/usr/bin/env bash
# Installs the tools that remake the committed image fixtures (tests/data/*/make_*.sh and .py):
# ImageMagick, gifsicle, giflib's tools and Pillow; libjpeg's cjpeg and djpeg come with
# install-deps.sh. Only a developer who remakes fixtures needs them: CI uses the committed files.
set -euo pipefail
PKGS=(imagemagick gifsicle giflib-tools python3-pil)
bash "$(dirname "$0")/apt-install-missing.sh" "${PKGS[@]}"
