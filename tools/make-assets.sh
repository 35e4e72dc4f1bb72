#!/bin/sh
# Regenerates every picture in assets/ from the drawings in assets/src/, byte for byte the same on
# every run, and writes a contact sheet of the whole set to build-art/contact-sheet.png.
#
# Debian packages: librsvg2-bin (rsvg-convert), imagemagick (montage, contact sheet only),
# python3 (standard library only), libjpeg-turbo-progs (cjpeg and jpegtran, used by tools/art/make-pictures.sh),
# fonts-dejavu-core (contact-sheet labels). The lettering inside the frames is drawn as pen strokes
# in the drawings themselves, so no font is needed for the pictures.
#
# Usage: tools/make-assets.sh            (from anywhere; paths are relative to the repository)
#
# The frame drawings are written by tools/art/draw_frames.py; run it first after editing it.
# assets/src/frames/frames.list says how each frame bitmap is made: rendered 1:1 from its drawing
# without antialiasing, or mirrored from another frame so the two facings match pixel for pixel.
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
assets="$root/assets"
src="$assets/src"
art="$root/tools/art"
sheet_dir="$root/build-art"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

for tool in rsvg-convert python3; do
  command -v "$tool" >/dev/null || { echo "make-assets: $tool is missing" >&2; exit 1; }
done

# ---- character frames ----
grep -v '^#' "$src/frames/frames.list" | while read -r name how from palette; do
  [ -n "$name" ] || continue
  case "$how" in
    draw)
      rsvg-convert --format png -o "$work/$name.png" "$src/frames/$from"
      python3 "$art/encode_assets.py" frame "$work/$name.png" "$assets/$name.bmp" "$palette"
      ;;
    mirror)
      python3 "$art/encode_assets.py" mirror "$assets/$from.bmp" "$assets/$name.bmp" "$palette"
      ;;
    *)
      echo "make-assets: $name: unknown way '$how'" >&2
      exit 1
      ;;
  esac
done

# ---- program icon: one drawing, every size ----
# The desktop's hicolor sizes, the page's touch icon (180) and the manifest's (192, 512), a
# maskable 512 whose artwork sits inside the safe circle on a full-bleed ground, and the 64-pixel
# window icon as a BMP for SDL.
mkdir -p "$assets/icon"
rm -f "$assets/icon"/skelvar-*.png
for size in 16 22 24 32 48 64 128 180 192 256 512; do
  rsvg-convert --format png -w "$size" -h "$size" -o "$work/icon-$size.png" "$src/icon/skelvar.svg"
  python3 "$art/encode_assets.py" png "$work/icon-$size.png" "$assets/icon/skelvar-$size.png"
done
python3 "$art/encode_assets.py" bmp32 "$work/icon-64.png" "$assets/icon/skelvar-64.bmp"
# The maskable one: the drawing at 80 % on its ground colour, without the tile's rim and clip.
python3 - "$src/icon/skelvar.svg" "$work/maskable.svg" <<'PY'
import re
import sys
drawing = open(sys.argv[1], encoding="utf-8").read()
inner = re.search(r"<svg[^>]*>(.*)</svg>", drawing, re.S).group(1)
ground = re.search(r'id="ground"[^>]*fill="([^"]+)"', drawing).group(1)
open(sys.argv[2], "w", encoding="utf-8").write(
    '<svg xmlns="http://www.w3.org/2000/svg" width="512" height="512" viewBox="0 0 512 512">\n'
    '<style>#rim { display: none; } .art { clip-path: none; }</style>\n'
    f'<rect width="512" height="512" fill="{ground}"/>\n'
    '<svg x="51.2" y="51.2" width="409.6" height="409.6" viewBox="0 0 512 512" overflow="visible">'
    f"{inner}</svg>\n</svg>\n")
PY
rsvg-convert --format png -w 512 -h 512 -o "$work/maskable.png" "$work/maskable.svg"
python3 "$art/encode_assets.py" png "$work/maskable.png" "$assets/icon/skelvar-maskable-512.png"

# ---- menu, background and outcome pictures (their own script) ----
if [ -x "$art/make-pictures.sh" ]; then
  "$art/make-pictures.sh"
elif [ -f "$art/make-pictures.sh" ]; then
  sh "$art/make-pictures.sh"
fi

# ---- contact sheet: every picture at 1:1, labelled with its component name ----
if command -v montage >/dev/null && command -v convert >/dev/null; then
  mkdir -p "$sheet_dir" "$work/tiles"
  font=$(fc-match -f '%{file}' 'DejaVu Sans' 2>/dev/null || true)
  set -- -background '#b0b0b0' -fill black -pointsize 12
  [ -n "$font" ] && set -- "$@" -font "$font"
  rows=""
  n=0
  for group in 'imgEm*.bmp' 'imgOv*.jpg' 'imgMenu.jpg' 'imgBack.jpg' 'icon/skelvar-[0-9]*.png' 'icon/skelvar-maskable-512.png'; do
    # shellcheck disable=SC2086 # the group is a glob on purpose
    files=$(cd "$assets" && { ls $group 2>/dev/null || true; })
    [ -n "$files" ] || continue
    n=$((n + 1))
    tiles=""
    for f in $files; do
      label=$(basename "$f")
      label=${label%.*}
      tile="$work/tiles/$n-$label.png"
      convert "$assets/$f" "$@" -gravity center "label:$label" -append \
        -bordercolor '#b0b0b0' -border 6 "$tile"
      tiles="$tiles $tile"
    done
    # A lone picture is its own row: montage refuses one as wide as the background.
    # shellcheck disable=SC2086
    set -- $tiles
    if [ $# -eq 1 ]; then
      cp "$1" "$work/row$n.png"
    else
      montage -background '#b0b0b0' -geometry +0+0 -gravity north -tile 8x "$@" "$work/row$n.png"
    fi
    set -- -background '#b0b0b0' -fill black -pointsize 12
    [ -n "$font" ] && set -- "$@" -font "$font"
    rows="$rows $work/row$n.png"
  done
  # shellcheck disable=SC2086
  convert -background '#b0b0b0' $rows -gravity west -append "$sheet_dir/contact-sheet.png"
  echo "make-assets: contact sheet in $sheet_dir/contact-sheet.png"
else
  echo "make-assets: ImageMagick is missing, no contact sheet" >&2
fi
