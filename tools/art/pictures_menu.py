#!/usr/bin/env python3
"""Draws the title screen (1600 x 800) as an SVG.

Back to front: a dark maroon close-up of a stern face framed by hair, a light
mauve band across the top third, fades to black at the top and bottom edges, a sweeping
brush stroke sprinkled with stars, and the white script title with its
katakana reading drawn as pen strokes.

The title is set in Z003 (Debian package fonts-urw-base35) and dressed up
with an outline, a soft shadow and a swash so it reads as a logo.

Usage: pictures_menu.py [output.svg]   (default: assets/src/pictures/imgMenu.svg)
"""

import math
import os
import random
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from pictures_back import Pen, catmull_rom, letter, _fmt  # noqa: E402

WIDTH, HEIGHT = 1600, 800
TITLE = "Skelvar"
READING = "スケルヴァー"
LINE = "#0a0003"
TITLE_EDGE = "#2a0410"


EYE_Y = 236


def eye_lids(side):
    """Control points of the upper and lower lid of one eye (side -1 or 1)."""
    cx = 800 + side * 262
    ox, ix = cx + side * 128, cx - side * 118
    y = EYE_Y
    upper = [(ox, y - 2), (cx + side * 50, y - 24), (cx - side * 40, y - 22), (ix, y + 4)]
    lower = [(ox - side * 6, y + 4), (cx + side * 20, y + 30), (cx - side * 60, y + 26), (ix, y + 6)]
    return cx, upper, lower


def eye_clip(side):
    _, upper, lower = eye_lids(side)
    pts = catmull_rom(upper) + catmull_rom(lower)[::-1]
    d = "M" + " ".join(f"{_fmt(x)} {_fmt(y)}" for x, y in pts) + "Z"
    return f'<clipPath id="eye{side + 1}"><path d="{d}"/></clipPath>'


def face(pen):
    """Brows, eyes, nose and a tight mouth in thin dark lines."""
    r = pen.rng
    pen.ink = LINE
    pen.scene("face")
    r = pen.rng
    y = EYE_Y
    for side in (-1, 1):
        cx, upper, lower = eye_lids(side)
        # Brow: long strokes bunched into a heavy bar, its inner end pulled
        # down toward the nose into a frown.
        outer, inner = (cx + side * 150, y - 74), (cx - side * 124, y - 30)
        for k in range(9):
            spread = (k - 4) * 2.4
            mid = ((outer[0] + inner[0]) / 2 + r.uniform(-4, 4),
                   (outer[1] + inner[1]) / 2 - 14 + spread * 1.2)
            pen.path([(outer[0] + r.uniform(-8, 8), outer[1] + spread * 0.4), mid,
                      (inner[0] + side * r.uniform(0, 14), inner[1] + spread * 1.5)],
                     smooth=True, amp=0.6, w=r.uniform(1.6, 2.6))
        # Eye: a narrowed almond with a heavy upper lid and a crease above it.
        pen.parts.append(f'<g clip-path="url(#eye{side + 1})">')
        pen.ellipse(cx - side * 6, y, 38, 38, fill=False, w=3.0)
        pen.ellipse(cx - side * 6, y, 14, 14, fill=False, w=3.0)
        for k in range(8):
            a = k * math.pi / 4 + 0.3
            pen.seg(cx - side * 6 + 18 * math.cos(a), y + 18 * math.sin(a),
                    cx - side * 6 + 32 * math.cos(a), y + 32 * math.sin(a), amp=0.2, w=1.2)
        pen.parts.append("</g>")
        pen.parts.append(f'<circle cx="{cx - side * 6 + 12}" cy="{y - 10}" r="5" fill="#f4dde8"/>')
        pen.path(upper, smooth=True, amp=0.8, w=4.0)
        pen.path(lower, smooth=True, amp=0.8, w=2.4)
        crease = [(x + side * 4, yy - 14 + abs(x - cx) * 0.04) for x, yy in upper]
        pen.path(crease, smooth=True, amp=0.8, w=1.8)
        # Under-eye line, tired and cross.
        pen.curve([(cx + side * 70, y + 52), (cx, y + 62), (cx - side * 60, y + 54)], amp=0.5, w=1.6)
    # Nose: a long bridge line, the tip and the nostrils.
    pen.curve([(756, y - 10), (772, y + 90), (770, 440), (752, 520)], amp=0.8, w=2.8)
    pen.curve([(742, 510), (726, 538), (752, 556), (790, 550), (806, 562), (840, 556),
               (862, 536), (852, 512)], amp=0.6, w=2.8)
    pen.curve([(770, 542), (780, 536), (792, 542)], amp=0.3, w=2.0)
    pen.curve([(818, 542), (828, 536), (838, 542)], amp=0.3, w=2.0)
    pen.curve([(842, 400), (850, 470), (852, 510)], amp=0.5, w=1.6)
    # Mouth: a straight, unimpressed line.
    pen.curve([(660, 690), (740, 682), (860, 684), (944, 694)], amp=0.8, w=3.0)
    pen.curve([(740, 716), (800, 722), (860, 716)], amp=0.5, w=1.6)
    pen.end()


def bezier(p0, p1, p2, n=12):
    return [((1 - t) ** 2 * p0[0] + 2 * (1 - t) * t * p1[0] + t * t * p2[0],
             (1 - t) ** 2 * p0[1] + 2 * (1 - t) * t * p1[1] + t * t * p2[1])
            for t in (k / n for k in range(n + 1))]


def hair(pen):
    """Dark hair falling in locks on both sides and a fringe across the top."""
    r = pen.rng
    pen.scene("hair")
    pen.ink = "#140207"
    pen.paper = "url(#hair)"
    # Fringe: curved locks ending in points, parted in the middle and swept
    # outward, hanging just over the brows.
    outline = [(-20, -20), (1620, -20)]
    x = 1620.0
    prev = (1620.0, 150.0)
    locks = []
    while x > -40:
        wdt = r.uniform(55, 95)
        side = 1 if x > 800 else -1
        tip = (x - wdt * 0.5 + side * 30, 112 + 22 * math.cos((x - 800) / 500) + r.uniform(-14, 14))
        valley = (x - wdt, r.uniform(30, 60))
        locks.append((valley, tip, (x, prev[1])))
        outline += bezier(prev, (prev[0] - wdt * 0.1, tip[1] - 20), tip)[1:]
        outline += bezier(tip, (valley[0] + wdt * 0.25, tip[1] - 30), valley)[1:]
        prev = valley
        x -= wdt
    outline.append((-20, 150))
    pen.path(outline, smooth=False, closed=True, fill=True, amp=1.0, w=2.2)
    # Side locks framing the face down to the bottom edge.
    for side in (-1, 1):
        edge = 800 + side * 800
        inner = [(800 + side * 520, 40), (800 + side * 560, 200), (800 + side * 585, 420),
                 (800 + side * 560, 640), (800 + side * 600, 820)]
        pts = [(edge + side * 20, -20)] + inner + [(edge + side * 20, 820)]
        pen.path(pts, smooth=True, closed=True, fill=True, amp=1.5, w=2.2)
    pen.paper = "none"
    # Strands.
    pen.ink = "#4a1226"
    for _ in range(70):
        side = r.choice((-1, 1))
        x0 = 800 + side * r.uniform(590, 790)
        y0 = r.uniform(-10, 560)
        pen.curve([(x0, y0), (x0 + side * r.uniform(0, 30), y0 + r.uniform(80, 160)),
                   (x0 + side * r.uniform(-10, 40), y0 + r.uniform(200, 320))], amp=0.8,
                  w=r.uniform(1.2, 2.2))
    for valley, tip, right in locks:
        for k in range(2):
            t = r.uniform(0.3, 0.7)
            top = (valley[0] + (right[0] - valley[0]) * t, -10)
            end = (top[0] + (tip[0] - top[0]) * 0.8, tip[1] - r.uniform(15, 35))
            pen.curve([top, ((top[0] + end[0]) / 2 + r.uniform(-6, 6), end[1] * 0.5), end],
                      amp=0.6, w=r.uniform(1.2, 2.0))
    pen.end()


def brush(pen):
    """A sweeping brush stroke, thick in the middle, dry and frayed at the ends."""
    r = pen.rng
    pen.scene("brush")
    spine = []
    n = 120
    for i in range(n + 1):
        t = i / n
        x = 40 + 1520 * t
        y = 600 - 330 * t + 120 * math.sin(math.pi * t) * 0.9 - 40 * math.sin(2 * math.pi * t)
        spine.append((x, y))
    top, bot = [], []
    for i, (x, y) in enumerate(spine):
        t = i / n
        a = spine[max(0, i - 1)]
        b = spine[min(n, i + 1)]
        dx, dy = b[0] - a[0], b[1] - a[1]
        d = math.hypot(dx, dy)
        nx, ny = -dy / d, dx / d
        half = 78 * math.sin(math.pi * t) ** 0.7 * (1 - 0.25 * t) + 2
        top.append((x + nx * half * (1 + r.uniform(-0.03, 0.03)), y + ny * half))
        bot.append((x - nx * half * 0.9 * (1 + r.uniform(-0.05, 0.05)), y - ny * half * 0.9))
    outline = top + bot[::-1]
    d = "M" + " ".join(f"{_fmt(x)} {_fmt(y)}" for x, y in outline) + "Z"
    pen.parts.append(f'<path d="{d}" fill="url(#brush)" opacity="0.92"/>')
    # Dry bristle streaks along the stroke.
    for _ in range(26):
        off = r.uniform(-0.85, 0.85)
        t0 = r.uniform(0.02, 0.6)
        t1 = min(0.98, t0 + r.uniform(0.2, 0.45))
        pts = []
        for i in range(int(t0 * n), int(t1 * n)):
            (x1, y1), (x2, y2) = top[i], bot[i]
            m = (off + 1) / 2
            pts.append((x1 + (x2 - x1) * m, y1 + (y2 - y1) * m))
        if len(pts) < 3:
            continue
        d = "M" + " ".join(f"{_fmt(x)} {_fmt(y)}" for x, y in pts)
        col = r.choice(("#b02a4e", "#5a0618", "#c23c60"))
        pen.parts.append(f'<path d="{d}" fill="none" stroke="{col}" stroke-width="{r.uniform(1.5, 4):.1f}" '
                         f'opacity="{r.uniform(0.35, 0.7):.2f}"/>')
    pen.end()
    return spine


def star(cx, cy, rr, rot):
    pts = []
    for k in range(10):
        a = rot + math.pi * k / 5 - math.pi / 2
        rad = rr if k % 2 == 0 else rr * 0.42
        pts.append((cx + rad * math.cos(a), cy + rad * math.sin(a)))
    d = "M" + " ".join(f"{_fmt(x)} {_fmt(y)}" for x, y in pts) + "Z"
    return f'<path d="{d}" fill="#ffffff"/>'


def stars(pen, spine):
    r = pen.rng
    pen.scene("stars")
    for i in range(34):
        t = r.uniform(0.04, 0.97)
        x, y = spine[int(t * (len(spine) - 1))]
        y += r.uniform(-60, 60) * math.sin(math.pi * t)
        size = r.choice((4, 5, 6, 7, 9, 12)) * (1.0 if r.random() < 0.8 else 1.6)
        pen.parts.append(star(x, y, size, r.uniform(0, 1)))
    for i in range(18):
        t = r.uniform(0.02, 0.98)
        x, y = spine[int(t * (len(spine) - 1))]
        pen.parts.append(f'<circle cx="{_fmt(x + r.uniform(-40, 40))}" cy="{_fmt(y + r.uniform(-50, 50))}" '
                         f'r="{r.uniform(1.2, 2.6):.1f}" fill="#ffffff"/>')
    pen.end()


def title(pen):
    """The script title with outline, shadow and swashes, then its reading."""
    r = pen.rng
    pen.scene("title")
    text = (f'font-family="Z003" font-style="italic" font-size="300" '
            f'text-anchor="middle" x="800" y="520"')
    pen.parts.append(f'<text {text} fill="#000000" opacity="0.6" filter="url(#shadow)" '
                     f'transform="translate(10 14)">{TITLE}</text>')
    pen.parts.append(f'<text {text} fill="none" stroke="{TITLE_EDGE}" stroke-width="14" '
                     f'stroke-linejoin="round">{TITLE}</text>')
    # Swashes: a long tail sweeping under the word and a curl above it.
    swash = [(420, 548), (600, 562), (840, 556), (1080, 538), (1230, 516), (1280, 490),
             (1256, 474), (1230, 490)]
    curl = [(470, 548), (420, 546), (392, 530), (404, 512), (424, 522)]
    for pts, wid in ((swash, 8), (curl, 6)):
        pen.ink = TITLE_EDGE
        pen.rng = random.Random(f"swash{wid}")
        pen.path(pts, smooth=True, amp=0.6, w=wid + 10)
        pen.ink = "#ffffff"
        pen.rng = random.Random(f"swash{wid}")
        pen.path(pts, smooth=True, amp=0.6, w=wid)
    pen.parts.append(f'<text {text} fill="url(#titlefill)" stroke="#ffffff" stroke-width="2">{TITLE}</text>')
    # Inner hairline that gives the letters an engraved look.
    pen.parts.append(f'<text {text} fill="none" stroke="#d8b8c8" stroke-width="1.2" opacity="0.8" '
                     f'transform="translate(-2 -2)">{TITLE}</text>')
    # Reading in hand-lettered katakana: a dark halo first, then white strokes.
    size = 50
    x0 = 800 - len(READING) * size * 1.1 / 2
    for ink, w in ((TITLE_EDGE, 11), ("#ffffff", 4.2)):
        pen.ink = ink
        pen.rng = random.Random("reading")
        letter(pen, READING, x0, 590, size, w=w, jitter=0.2, advance=1.1)
    del r
    pen.end()


def defs():
    return """<defs>
<linearGradient id="sky" x1="0" y1="0" x2="0" y2="1">
  <stop offset="0" stop-color="#4e1a34"/>
  <stop offset="0.5" stop-color="#5e1328"/>
  <stop offset="1" stop-color="#3a0816"/>
</linearGradient>
<radialGradient id="skin" cx="0.5" cy="0.42" r="0.6">
  <stop offset="0" stop-color="#7a2236"/>
  <stop offset="0.6" stop-color="#5c1429"/>
  <stop offset="1" stop-color="#3c0a1a"/>
</radialGradient>
<linearGradient id="hair" x1="0" y1="0" x2="0" y2="1">
  <stop offset="0" stop-color="#3a0c1e"/>
  <stop offset="1" stop-color="#1c0309"/>
</linearGradient>
<linearGradient id="band" x1="0" y1="0" x2="0" y2="1">
  <stop offset="0" stop-color="#b98aa8" stop-opacity="0.25"/>
  <stop offset="0.35" stop-color="#c497b4" stop-opacity="0.62"/>
  <stop offset="0.7" stop-color="#a87392" stop-opacity="0.4"/>
  <stop offset="1" stop-color="#8a5a78" stop-opacity="0"/>
</linearGradient>
<linearGradient id="fade" x1="0" y1="0" x2="0" y2="1">
  <stop offset="0" stop-color="#000000" stop-opacity="0"/>
  <stop offset="0.45" stop-color="#000000" stop-opacity="0.45"/>
  <stop offset="1" stop-color="#000000" stop-opacity="1"/>
</linearGradient>
<linearGradient id="fadeTop" x1="0" y1="0" x2="0" y2="1">
  <stop offset="0" stop-color="#000000" stop-opacity="1"/>
  <stop offset="0.3" stop-color="#000000" stop-opacity="0.6"/>
  <stop offset="1" stop-color="#000000" stop-opacity="0"/>
</linearGradient>
<linearGradient id="brush" x1="0" y1="0" x2="1" y2="0">
  <stop offset="0" stop-color="#6e0a22"/>
  <stop offset="0.5" stop-color="#8e1434"/>
  <stop offset="1" stop-color="#6a0820"/>
</linearGradient>
<linearGradient id="titlefill" x1="0" y1="0" x2="0" y2="1">
  <stop offset="0.3" stop-color="#ffffff"/>
  <stop offset="0.75" stop-color="#f6e8f0"/>
</linearGradient>
<filter id="shadow" x="-10%" y="-20%" width="120%" height="140%">
  <feGaussianBlur stdDeviation="7"/>
</filter>
""" + eye_clip(-1) + eye_clip(1) + """
</defs>
"""


def build():
    pen = Pen()
    pen.ink = LINE
    hair_pen = Pen()
    hair(hair_pen)
    face(pen)
    fx = Pen()
    spine = brush(fx)
    stars(fx, spine)
    tp = Pen()
    title(tp)
    out = [f'<svg xmlns="http://www.w3.org/2000/svg" width="{WIDTH}" height="{HEIGHT}" '
           f'viewBox="0 0 {WIDTH} {HEIGHT}">',
           "<title>Skelvar title screen</title>",
           defs(),
           '<rect width="1600" height="800" fill="url(#sky)"/>',
           '<ellipse cx="800" cy="470" rx="640" ry="560" fill="url(#skin)"/>',
           '<g stroke-linecap="round" stroke-linejoin="round">',
           *hair_pen.parts,
           "</g>",
           '<rect width="1600" height="290" fill="url(#band)"/>',
           '<g stroke-linecap="round" stroke-linejoin="round">',
           *pen.parts,
           "</g>",
           '<rect y="400" width="1600" height="400" fill="url(#fade)"/>',
           # Letterboxed, the picture meets a black band above as below: both edges fade into it.
           '<rect width="1600" height="220" fill="url(#fadeTop)"/>',
           '<g stroke-linecap="round" stroke-linejoin="round">',
           *fx.parts,
           *tp.parts,
           "</g>",
           "</svg>", ""]
    return "\n".join(out)


def main():
    root = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
        root, "assets", "src", "pictures", "imgMenu.svg")
    with open(out, "w", encoding="utf-8") as f:
        f.write(build())


if __name__ == "__main__":
    main()
