#!/usr/bin/env bash
# Fills OUTDIR with real Russian HTML in code page 1251 for the HTML benchmark: the Russian
# documentation of a few Debian packages, downloaded with apt-get (not installed) and converted
# from UTF-8 with iconv. Nothing here is committed; run it into the build directory:
#   bench/web_html/fetch_ru_html.sh build/bench/web_html_corpus
set -euo pipefail
out=${1:?usage: fetch_ru_html.sh OUTDIR}
mkdir -p "$out"
out=$(cd "$out" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
pkgs=(debian-faq-ru developers-reference-ru maint-guide-ru aptitude-doc-ru)
if ! apt-get download "${pkgs[@]}" >/dev/null 2>&1; then
  apt-get update -qq
  apt-get download "${pkgs[@]}"
fi
for deb in *.deb; do dpkg-deb -x "$deb" root; done
find root -type f \( -name '*.html' -o -name '*.html.gz' \) | sort | while read -r f; do
  name=$(echo "${f#root/usr/share/doc/}" | tr '/' '_')
  name=${name%.gz}
  # Characters without a cp1251 byte are dropped (-c); the charset declaration follows the bytes.
  { case "$f" in *.gz) zcat "$f" ;; *) cat "$f" ;; esac; } |
    iconv -f UTF-8 -t CP1251 -c |
    sed -e 's/charset=utf-8/charset=windows-1251/I' -e 's/encoding="utf-8"/encoding="windows-1251"/I' > "$out/$name"
done
echo "$(ls "$out" | wc -l) files, $(du -sh "$out" | cut -f1) in $out"
