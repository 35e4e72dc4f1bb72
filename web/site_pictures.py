#!/usr/bin/env python3
"""Puts the stored pictures on the site, each distinct picture once, under a name made from its
content, and writes the module that tells the page which file every picture component shows.

  site_pictures.py ASSET_DIR SITE_DIR

The JPEGs go as they are; the 4-bit frame bitmaps become palette PNGs of exactly the same pixels
(a tenth of the bytes). Components whose files come out byte for byte the same share one file, so
a picture shown by several characters is fetched once. Standard library only.
"""

import hashlib
import json
import os
import struct
import sys
import zlib


def fail(message):
    print(f"site_pictures: {message}", file=sys.stderr)
    sys.exit(1)


def read_bmp(path):
    """Width, height, palette [(r, g, b)] and rows (top first) of indices of a 4-bit BMP."""
    with open(path, "rb") as f:
        data = f.read()
    if len(data) < 54 or data[:2] != b"BM":
        fail(f"{path}: not a BMP")
    offset = struct.unpack_from("<I", data, 10)[0]
    header = struct.unpack_from("<I", data, 14)[0]
    width, height = struct.unpack_from("<ii", data, 18)
    bits, compression, _, _, _, used = struct.unpack_from("<HIIiiI", data, 28)
    if bits != 4 or compression != 0 or width <= 0 or height == 0:
        fail(f"{path}: not an uncompressed 4-bit bitmap")
    colours = used or 16
    table = 14 + header
    palette = [(data[table + 4 * i + 2], data[table + 4 * i + 1], data[table + 4 * i])
               for i in range(colours)]
    stride = ((width * 4 + 31) // 32) * 4
    rows = []
    for y in range(abs(height)):
        # Bottom-up unless the height is negative.
        stored = abs(height) - 1 - y if height > 0 else y
        start = offset + stored * stride
        line = data[start:start + stride]
        if len(line) < stride:
            fail(f"{path}: truncated")
        rows.append([(line[x // 2] >> (4 if x % 2 == 0 else 0)) & 15 for x in range(width)])
    return width, abs(height), palette, rows


def chunk(kind, body):
    return (struct.pack(">I", len(body)) + kind + body +
            struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF))


def png_from_bmp(path):
    """A 4-bit palette PNG with no chunk that varies or asks for colour conversion."""
    width, height, palette, rows = read_bmp(path)
    used = max(max(row) for row in rows) + 1
    if used > len(palette):
        fail(f"{path}: a pixel points past the colour table")
    raw = bytearray()
    for row in rows:
        raw.append(0)  # no filter: the best choice for palette pictures
        padded = row + [0] * (len(row) % 2)
        raw.extend((padded[i] << 4) | padded[i + 1] for i in range(0, len(padded), 2))
    return (b"\x89PNG\r\n\x1a\n" +
            chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 4, 3, 0, 0, 0)) +
            chunk(b"PLTE", bytes(c for colour in palette[:used] for c in colour)) +
            chunk(b"IDAT", zlib.compress(bytes(raw), 9)) +
            chunk(b"IEND", b""))


def main():
    if len(sys.argv) != 3:
        print("usage: site_pictures.py ASSET_DIR SITE_DIR", file=sys.stderr)
        sys.exit(2)
    assets, site = sys.argv[1], sys.argv[2]
    names = sorted(n for n in os.listdir(assets) if n.endswith((".jpg", ".bmp")))
    if not names:
        fail(f"no pictures in {assets}")
    folder = os.path.join(site, "pictures")
    os.makedirs(folder, exist_ok=True)
    files = {}
    written = set()
    for name in names:
        component, ext = os.path.splitext(name)
        path = os.path.join(assets, name)
        if ext == ".bmp":
            content, ext = png_from_bmp(path), ".png"
        else:
            with open(path, "rb") as f:
                content = f.read()
        file = f"pictures/{hashlib.sha256(content).hexdigest()[:16]}{ext}"
        if file not in written:
            with open(os.path.join(site, file), "wb") as f:
                f.write(content)
            written.add(file)
        files[component] = [file, len(content)]
    # Files left from an earlier build would only be precached and shipped for nothing.
    for old in os.listdir(folder):
        if f"pictures/{old}" not in written:
            os.remove(os.path.join(folder, old))
    with open(os.path.join(site, "picture-files.js"), "w", encoding="utf-8") as f:
        f.write("// Made by the build: the site's file for every picture component and its size in\n"
                "// bytes. Components showing the same picture share one file.\n")
        lines = ",\n".join(f"  {json.dumps(k)}: {json.dumps(v)}" for k, v in files.items())
        f.write(f"export const PictureFiles = Object.freeze({{\n{lines},\n}});\n")


if __name__ == "__main__":
    main()
