#!/usr/bin/env python3
"""Turns rendered drawings into the exact files the game ships, byte for byte the same on every run.

  encode_assets.py frame  IN.png  OUT.bmp  plain|accent   4-bit frame bitmap from a 1:1 rendering
  encode_assets.py mirror IN.bmp  OUT.bmp  plain|accent   left-right mirror of a frame bitmap
  encode_assets.py png    IN.png  OUT.png                 RGBA PNG without any varying chunk
  encode_assets.py bmp32  IN.png  OUT.bmp                 32-bit BMP with an alpha channel

Frame bitmaps may only hold the colours of their colour table: a pixel of any other colour (an
antialiased edge, say) is an error rather than being rounded, because in the game every colour
other than pure white is drawn opaque and would show as a speck.
"""

import struct
import sys
import zlib

BLACK = (0, 0, 0)
PINK = (255, 240, 255)
WHITE = (255, 255, 255)
RED = (255, 0, 0)
BLUE = (64, 0, 255)

# Every frame uses the plain table; the bird's wing-down frames also carry red and blue accents.
PALETTES = {
    "plain": [BLACK, PINK, WHITE] + [BLACK] * 13,
    "accent": [BLACK, RED, BLUE, PINK, WHITE] + [BLACK] * 11,
}


class Image:
    def __init__(self, width, height, pixels):
        self.width = width
        self.height = height
        self.pixels = pixels  # rows top to bottom, each a list of (r, g, b, a)


def read_png(path):
    with open(path, "rb") as f:
        data = f.read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        sys.exit(f"{path}: not a PNG file")
    pos, idat, header = 8, b"", None
    while pos < len(data):
        (length,) = struct.unpack(">I", data[pos:pos + 4])
        kind = data[pos + 4:pos + 8]
        body = data[pos + 8:pos + 8 + length]
        pos += 12 + length
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            idat += body
        elif kind == b"IEND":
            break
    width, height, depth, colour, _, _, interlace = header
    channels = {6: 4, 2: 3}.get(colour)
    if depth != 8 or channels is None or interlace != 0:
        sys.exit(f"{path}: only 8-bit non-interlaced RGB/RGBA PNG is handled")
    raw = zlib.decompress(idat)
    stride = width * channels
    rows, prev, at = [], bytearray(stride), 0
    for _ in range(height):
        kind = raw[at]
        line = bytearray(raw[at + 1:at + 1 + stride])
        at += 1 + stride
        for i in range(stride):
            a = line[i - channels] if i >= channels else 0
            b = prev[i]
            c = prev[i - channels] if i >= channels else 0
            if kind == 1:
                line[i] = (line[i] + a) & 255
            elif kind == 2:
                line[i] = (line[i] + b) & 255
            elif kind == 3:
                line[i] = (line[i] + (a + b) // 2) & 255
            elif kind == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                pred = a if pa <= pb and pa <= pc else (b if pb <= pc else c)
                line[i] = (line[i] + pred) & 255
        prev = line
        px = []
        for x in range(width):
            v = line[x * channels:(x + 1) * channels]
            px.append(tuple(v) if channels == 4 else tuple(v) + (255,))
        rows.append(px)
    return Image(width, height, rows)


def write_frame_bmp(path, width, height, indices, palette):
    row_bytes = ((width + 1) // 2 + 3) // 4 * 4
    body = bytearray()
    for y in range(height - 1, -1, -1):  # bottom-up rows
        row = bytearray(row_bytes)
        for x in range(width):
            if x % 2 == 0:
                row[x // 2] |= indices[y][x] << 4
            else:
                row[x // 2] |= indices[y][x]
        body += row
    table = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in palette)
    offset = 14 + 40 + len(table)
    header = struct.pack("<2sIHHI", b"BM", offset + len(body), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 4, 0, len(body), 2835, 2835, 16, 0)
    with open(path, "wb") as f:
        f.write(header + info + table + body)


def read_frame_bmp(path):
    with open(path, "rb") as f:
        data = f.read()
    offset = struct.unpack("<I", data[10:14])[0]
    width, height = struct.unpack("<ii", data[18:26])
    row_bytes = ((width + 1) // 2 + 3) // 4 * 4
    rows = []
    for y in range(height):
        start = offset + (height - 1 - y) * row_bytes
        row = []
        for x in range(width):
            byte = data[start + x // 2]
            row.append(byte >> 4 if x % 2 == 0 else byte & 15)
        rows.append(row)
    table = [tuple(data[54 + i * 4:54 + i * 4 + 3][::-1]) for i in range(16)]
    return width, height, rows, table


def frame_from_png(src, dst, palette_name):
    img = read_png(src)
    palette = PALETTES[palette_name]
    lookup = {}
    for i, c in enumerate(palette):
        lookup.setdefault(c, i)  # the first black entry is the one used
    indices = []
    for y, row in enumerate(img.pixels):
        out = []
        for x, (r, g, b, a) in enumerate(row):
            if a != 255 or (r, g, b) not in lookup:
                sys.exit(f"{src}: pixel {x},{y} has colour {(r, g, b, a)} outside the colour table")
            out.append(lookup[(r, g, b)])
        indices.append(out)
    if palette[indices[-1][0]] != WHITE:
        sys.exit(f"{src}: the bottom-left pixel must be white, the see-through colour")
    write_frame_bmp(dst, img.width, img.height, indices, palette)


def mirror_frame(src, dst, palette_name):
    width, height, rows, table = read_frame_bmp(src)
    palette = PALETTES[palette_name]
    if table != palette:
        sys.exit(f"{src}: its colour table is not the {palette_name} one")
    mirrored = [list(reversed(r)) for r in rows]
    if palette[mirrored[-1][0]] != WHITE:
        sys.exit(f"{src}: mirrored, its bottom-left pixel would not be white")
    write_frame_bmp(dst, width, height, mirrored, palette)


def write_png(src, dst):
    img = read_png(src)
    raw = bytearray()
    for row in img.pixels:
        raw.append(0)
        for p in row:
            raw += bytes(p)

    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(
            ">I", zlib.crc32(kind + body) & 0xFFFFFFFF)

    ihdr = struct.pack(">IIBBBBB", img.width, img.height, 8, 6, 0, 0, 0)
    with open(dst, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr) +
                chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b""))


def write_bmp32(src, dst):
    """A BITMAPV4HEADER BMP with explicit channel masks, the layout SDL_LoadBMP reads with alpha."""
    img = read_png(src)
    body = bytearray()
    for row in reversed(img.pixels):
        for r, g, b, a in row:
            body += bytes((b, g, r, a))
    offset = 14 + 108
    header = struct.pack("<2sIHHI", b"BM", offset + len(body), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 108, img.width, img.height, 1, 32, 3, len(body), 2835,
                       2835, 0, 0)
    masks = struct.pack("<IIII", 0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000)
    colour_space = struct.pack("<I", 0x73524742) + bytes(36) + bytes(12)  # 'sRGB', no gamma
    with open(dst, "wb") as f:
        f.write(header + info + masks + colour_space + body)


def main(argv):
    if len(argv) < 4:
        sys.exit(__doc__)
    what, src, dst = argv[1], argv[2], argv[3]
    if what == "frame":
        frame_from_png(src, dst, argv[4])
    elif what == "mirror":
        mirror_frame(src, dst, argv[4])
    elif what == "png":
        write_png(src, dst)
    elif what == "bmp32":
        write_bmp32(src, dst)
    else:
        sys.exit(__doc__)


if __name__ == "__main__":
    main(sys.argv)
