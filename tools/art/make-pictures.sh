#!/bin/bash
# Regenerates the menu picture and the background panorama from their SVG
# sources: SVG -> PNG (rsvg-convert) -> PPM (ImageMagick) -> baseline JPEG
# (cjpeg) -> JPEG with optimised Huffman tables and no metadata, progressive where
# that does not slow the start (jpegtran, lossless: the decoded pixels stay the same). Every step is deterministic, so the JPEGs come out byte-identical
# on every run with the same packages installed.
#
# Debian packages needed:
#   librsvg2-bin         rsvg-convert
#   imagemagick          convert
#   libjpeg-turbo-progs  cjpeg, jpegtran
#   fonts-urw-base35     Z003 (the script face of the menu title)
#   python3              only to rebuild the SVGs: tools/art/pictures_back.py,
#                        tools/art/pictures_menu.py (stdlib only)
#
# Usage: tools/art/make-pictures.sh [--svg]
#   --svg  first rebuild the SVG sources with the python generators.
# At the end it runs tools/art/make-outcomes.sh (the outcome pictures) if that
# script is present.
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
root="$(cd "$here/../.." && pwd)"
src="$root/assets/src/pictures"
out="$root/assets"

for tool in rsvg-convert convert cjpeg jpegtran; do
    command -v "$tool" >/dev/null || { echo "make-pictures: $tool not found" >&2; exit 1; }
done

if [ "${1:-}" = "--svg" ]; then
    python3 "$here/pictures_back.py" "$src/imgBack.svg"
    python3 "$here/pictures_menu.py" "$src/imgMenu.svg"
fi

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# render NAME WIDTH HEIGHT QUALITY SAMPLING SCANS
# SCANS is progressive (smaller on the wire) or sequential (decodes about four times faster).
render() {
    local name="$1" w="$2" h="$3" quality="$4" sampling="$5" scans="$6"
    rsvg-convert --width "$w" --height "$h" --background-color white \
        -o "$work/$name.png" "$src/$name.svg"
    # Flatten any alpha onto white and write plain 8-bit RGB.
    convert "$work/$name.png" -background white -alpha remove -alpha off \
        -depth 8 -type TrueColor "ppm:$work/$name.ppm"
    cjpeg -quality "$quality" -sample "$sampling" -optimize -baseline \
        -dct int -outfile "$work/$name.jpg" "$work/$name.ppm"
    # Optimised tables and no metadata, at the very same pixels.
    local progressive=()
    [ "$scans" = progressive ] && progressive=(-progressive)
    jpegtran -copy none -optimize "${progressive[@]}" -outfile "$out/$name.jpg" "$work/$name.jpg"
}

# Thin pen lines on flat paper: full-resolution chroma keeps the lines crisp. Progressive saves
# 14 KB on the wire; sequential would decode about four times faster (11 ms against 50 ms on the
# desktop), should the window's start ever matter more than the page's bytes.
render imgBack 8000 500 90 1x1 progressive
# Soft gradients under a white title: half-width chroma is invisible there.
render imgMenu 1600 800 90 2x1 progressive

if [ -f "$here/make-outcomes.sh" ]; then
    bash "$here/make-outcomes.sh" "$@"
fi
