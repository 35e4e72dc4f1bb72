#!/bin/sh
# Rebuilds the twenty outcome pictures assets/imgOv*.jpg from their SVG sketches in
# assets/src/pictures/ (tools/art/pictures_outcomes.py redraws those SVGs when run with
# --svg). The output is byte-for-byte the same on every run with the same packages.
#
# Debian packages: librsvg2-bin (rsvg-convert), imagemagick (convert),
# libjpeg-turbo-progs (cjpeg, jpegtran), python3 (only for --svg), and the lettering faces
# fonts-noto-cjk (Noto Sans CJK JP) with fonts-ipafont-gothic as fallback.
#
# Usage: tools/art/make-outcomes.sh [--svg]
set -eu

root=$(cd "$(dirname "$0")/../.." && pwd)
src="$root/assets/src/pictures"
out="$root/assets"

if [ "${1:-}" = "--svg" ]; then
  python3 "$root/tools/art/pictures_outcomes.py" "$src"
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

for svg in "$src"/imgOv*.svg; do
  name=$(basename "$svg" .svg)
  rsvg-convert --width=400 --height=400 --background-color=white -o "$work/$name.png" "$svg"
  # Flatten onto white and drop any alpha so the JPEG gets three plain 8-bit channels.
  convert "$work/$name.png" -background white -alpha remove -alpha off -strip -depth 8 "ppm:$work/$name.ppm"
  # Full-resolution colour (1x1 sampling) keeps thin red lines crisp instead of smeared.
  cjpeg -quality 90 -sample 1x1 -optimize -dct int -outfile "$work/$name.jpg" "$work/$name.ppm"
  # Progressive, optimised tables, no metadata: fewer bytes, exactly the same decoded pixels.
  jpegtran -copy none -optimize -progressive -outfile "$out/$name.jpg" "$work/$name.jpg"
done

# Pictures shown for more than one character are the very same file.
cp "$out/imgOv0101.jpg" "$out/imgOv0301.jpg"
for n in 04 06 08 10; do
  cp "$out/imgOv0201.jpg" "$out/imgOv${n}01.jpg"
done
cp "$out/imgOv0501.jpg" "$out/imgOv0701.jpg"
