#!/usr/bin/env python3
"""Draws the fourteen distinct outcome pictures as SVG line sketches.

Every line goes through a seeded wobble so the set looks drawn by one hand with a
thin pen; the seeds are fixed, so the SVGs come out identical on every run.
Lettering is placed through the Noto Sans CJK JP face (Debian: fonts-noto-cjk,
IPAGothic from fonts-ipafont-gothic as fallback), one glyph at a time with a
little tilt and size jitter, and drawn as outlines so it reads as hand-lettered.

Usage: pictures_outcomes.py [output-folder]   (default: the repository's assets/src/pictures)
"""

import math
import os
import random
import re
import sys

SIZE = 400
RED = "#d2232a"
BLACK = "#1c1c1c"
FONT = "'Noto Sans CJK JP', 'IPAGothic', sans-serif"


def fmt(v):
    return f"{v:.1f}".rstrip("0").rstrip(".")


def rot(p, a, c=(0.0, 0.0)):
    """Point p turned by a degrees about c (y grows downward, positive a turns clockwise on screen)."""
    r = math.radians(a)
    x, y = p[0] - c[0], p[1] - c[1]
    return (c[0] + x * math.cos(r) - y * math.sin(r), c[1] + x * math.sin(r) + y * math.cos(r))


def add(a, b, k=1.0):
    return (a[0] + b[0] * k, a[1] + b[1] * k)


def lerp(a, b, t):
    return (a[0] + (b[0] - a[0]) * t, a[1] + (b[1] - a[1]) * t)


def dist(a, b):
    return math.hypot(b[0] - a[0], b[1] - a[1])


class Pen:
    """Collects wobbly strokes for one picture.

    Points handed to the drawing calls are in the current local frame; the frame
    stack maps them to picture pixels before the wobble, so a figure drawn turned
    or scaled keeps the same line width and hand as everything else.
    """

    def __init__(self, seed, color, width=2.6):
        self.rng = random.Random(seed)
        self.color = color
        self.width = width
        self.parts = []
        self.defs = []
        self.frames = [(1.0, 0.0, 0.0, 1.0, 0.0, 0.0)]
        self.clip_count = 0

    # ---- local frames -------------------------------------------------
    def push(self, translate=(0, 0), angle=0.0, scale=1.0, flip=False):
        a, b, c, d, e, f = self.frames[-1]
        r = math.radians(angle)
        ca, sa = math.cos(r) * scale, math.sin(r) * scale
        # new = current * T(translate) * R(angle) * S(scale)
        na, nb = a * ca + c * sa, b * ca + d * sa
        nc, nd = -a * sa + c * ca, -b * sa + d * ca
        ne = a * translate[0] + c * translate[1] + e
        nf = b * translate[0] + d * translate[1] + f
        if flip:  # mirror left-right inside the new frame
            na, nb = -na, -nb
        self.frames.append((na, nb, nc, nd, ne, nf))

    def pop(self):
        self.frames.pop()

    def map(self, p):
        a, b, c, d, e, f = self.frames[-1]
        return (a * p[0] + c * p[1] + e, b * p[0] + d * p[1] + f)

    def scale(self):
        a, b, _, _, _, _ = self.frames[-1]
        return math.hypot(a, b)

    def angle(self):
        a, b, _, _, _, _ = self.frames[-1]
        return math.degrees(math.atan2(b, a))

    # ---- wobble -------------------------------------------------------
    def _resample(self, pts, step):
        out = [pts[0]]
        for a, b in zip(pts, pts[1:]):
            n = max(1, int(dist(a, b) / step + 0.5))
            for i in range(1, n + 1):
                out.append(lerp(a, b, i / n))
        return out

    def _wobble(self, pts, amp, closed):
        if amp <= 0 or len(pts) < 2:
            return pts
        out = []
        drift = 0.0
        for i, p in enumerate(pts):
            a = pts[max(0, i - 1)]
            b = pts[min(len(pts) - 1, i + 1)]
            tx, ty = b[0] - a[0], b[1] - a[1]
            n = math.hypot(tx, ty) or 1.0
            drift = 0.55 * drift + self.rng.gauss(0, amp)
            out.append((p[0] - ty / n * drift, p[1] + tx / n * drift))
        if closed:
            out[-1] = out[0]
        return out

    @staticmethod
    def _bezier(runs):
        """Smooth Catmull-Rom curve through each run; runs meet at sharp corners."""
        d = [f"M{fmt(runs[0][0][0])},{fmt(runs[0][0][1])}"]
        for run in runs:
            n = len(run)
            if n == 2:
                d.append(f"L{fmt(run[1][0])},{fmt(run[1][1])}")
                continue
            for i in range(n - 1):
                p0 = run[i - 1] if i > 0 else run[i]
                p1, p2 = run[i], run[i + 1]
                p3 = run[i + 2] if i + 2 < n else run[i + 1]
                c1 = (p1[0] + (p2[0] - p0[0]) / 6, p1[1] + (p2[1] - p0[1]) / 6)
                c2 = (p2[0] - (p3[0] - p1[0]) / 6, p2[1] - (p3[1] - p1[1]) / 6)
                d.append(
                    f"C{fmt(c1[0])},{fmt(c1[1])} {fmt(c2[0])},{fmt(c2[1])} {fmt(p2[0])},{fmt(p2[1])}"
                )
        return " ".join(d)

    def _path_d(self, pts, smooth, closed, amp, step):
        world = [self.map(p) for p in pts]
        if closed and dist(world[0], world[-1]) > 0.01:
            world = world + [world[0]]
        if smooth:
            dense = self._wobble(self._resample(world, step), amp, closed)
            runs = [dense]
        else:
            runs = []
            for a, b in zip(world, world[1:]):
                seg = self._resample([a, b], step)
                runs.append(seg)
            flat = [runs[0][0]] + [p for r in runs for p in r[1:]]
            flat = self._wobble(flat, amp, closed)
            rebuilt, k = [], 0
            for r in runs:
                rebuilt.append(flat[k : k + len(r)])
                k += len(r) - 1
            runs = rebuilt
        d = self._bezier(runs)
        if closed:
            d += " Z"
        return d

    # ---- drawing calls ------------------------------------------------
    def line(self, pts, smooth=False, closed=False, fill=None, width=None, color=None, amp=0.7, step=11, extra=""):
        d = self._path_d(pts, smooth, closed, amp, step)
        w = self.width if width is None else width
        col = color or self.color
        fill_attr = fill if fill else "none"
        stroke = f'stroke="{col}" stroke-width="{fmt(w)}"' if w > 0 else 'stroke="none"'
        self.parts.append(
            f'<path d="{d}" fill="{fill_attr}" {stroke} stroke-linecap="round" stroke-linejoin="round"{extra}/>'
        )

    def curve(self, pts, **kw):
        self.line(pts, smooth=True, **kw)

    def oval_points(self, c, rx, ry, start=None, sweep=360.0, n=None, tilt=0.0):
        if start is None:
            start = self.rng.uniform(0, 360)
        if n is None:
            n = max(10, int(sweep / 360.0 * (rx + ry) * 0.5))
        pts = []
        for i in range(n + 1):
            t = math.radians(start + sweep * i / n)
            p = (rx * math.cos(t), ry * math.sin(t))
            pts.append(add(c, rot(p, tilt)))
        return pts

    def oval(self, c, rx, ry, fill=None, width=None, color=None, tilt=0.0, overshoot=True, amp=0.6):
        """A hand-drawn ellipse: an open outline that overlaps its start a little unless filled."""
        if fill:
            pts = self.oval_points(c, rx, ry, tilt=tilt)
            self.line(pts[:-1], smooth=True, closed=True, fill=fill, width=width, color=color, amp=amp * 0.6)
            return
        sweep = 360.0 + (self.rng.uniform(8, 22) if overshoot else 0.0)
        self.line(self.oval_points(c, rx, ry, sweep=sweep, tilt=tilt), smooth=True, width=width, color=color, amp=amp)

    def dot(self, c, r, color=None):
        x, y = self.map(c)
        rr = r * self.scale()
        self.parts.append(f'<circle cx="{fmt(x)}" cy="{fmt(y)}" r="{fmt(rr)}" fill="{color or self.color}"/>')

    def text(self, s, at, size, angle=0.0, spacing=None, outline=True, width=2.2, color=None, jitter=1.0, weight="bold",
             upright=False):
        """Hand-lettered line: each glyph placed on its own with a small tilt, lift and size change.

        With upright the glyphs stay standing while the line runs along angle (vertical writing at 90).
        """
        col = color or self.color
        spacing = size * 0.98 if spacing is None else spacing
        x0, y0 = self.map(at)
        base = angle + self.angle()
        k = self.scale()
        for i, ch in enumerate(s):
            if ch == " ":
                continue
            off = rot((i * spacing * k, 0.0), base)
            gx = x0 + off[0] + self.rng.uniform(-1.2, 1.2) * jitter
            gy = y0 + off[1] + self.rng.uniform(-2.5, 2.5) * jitter
            gs = size * k * self.rng.uniform(0.93, 1.07) ** jitter
            ga = (self.angle() if upright else base) + self.rng.uniform(-7, 7) * jitter
            if outline:
                paint = f'fill="white" stroke="{col}" stroke-width="{fmt(width)}" stroke-linejoin="round"'
            else:
                paint = f'fill="{col}" stroke="{col}" stroke-width="{fmt(width)}" stroke-linejoin="round"'
            self.parts.append(
                f'<text x="0" y="0" transform="translate({fmt(gx)},{fmt(gy)}) rotate({fmt(ga)})" '
                f'font-family="{FONT}" font-weight="{weight}" font-size="{fmt(gs)}" text-anchor="middle" '
                f"{paint}>{ch}</text>"
            )

    def hatch(self, region, angle, gap, width=1.6, color=None, amp=0.5):
        """Parallel pen strokes clipped to a closed outline (given in the local frame)."""
        self.clip_count += 1
        cid = f"clip{self.clip_count}"
        world = [self.map(p) for p in region]
        d = "M" + " L".join(f"{fmt(x)},{fmt(y)}" for x, y in world) + " Z"
        self.defs.append(f'<clipPath id="{cid}"><path d="{d}"/></clipPath>')
        xs = [p[0] for p in world]
        ys = [p[1] for p in world]
        cx, cy = (min(xs) + max(xs)) / 2, (min(ys) + max(ys)) / 2
        reach = math.hypot(max(xs) - min(xs), max(ys) - min(ys)) / 2 + 4
        held = self.parts
        self.parts = []
        self.push()
        self.frames[-1] = (1.0, 0.0, 0.0, 1.0, 0.0, 0.0)
        k = -reach
        while k <= reach:
            a = rot((k, -reach), angle, (0, 0))
            b = rot((k, reach), angle, (0, 0))
            self.line([(cx + a[0], cy + a[1]), (cx + b[0], cy + b[1])], width=width, color=color, amp=amp)
            k += gap * self.rng.uniform(0.85, 1.15)
        self.pop()
        inner = self.parts
        self.parts = held
        self.parts.append(f'<g clip-path="url(#{cid})">' + "".join(inner) + "</g>")

    def svg(self):
        head = (
            f'<svg xmlns="http://www.w3.org/2000/svg" width="{SIZE}" height="{SIZE}" '
            f'viewBox="0 0 {SIZE} {SIZE}">\n'
        )
        defs = "<defs>" + "".join(self.defs) + "</defs>\n" if self.defs else ""
        back = f'<rect x="0" y="0" width="{SIZE}" height="{SIZE}" fill="white"/>\n'
        return head + defs + back + keep_label_band_clear("\n".join(self.parts)) + "\n</svg>\n"


# The game sets its remark and result text, with no backing, in the band from 42 to 21 px above
# the picture's bottom edge. A drawing that reaches down to the band is drawn a little smaller,
# shrunk towards the middle of its top, so that its lowest line ends above the band; its strokes
# keep their widths, so it stays in the same hand as the others.
LABEL_BAND_TOP = SIZE - 42
BAND_CLEARANCE = 8


def drawn_extent(body):
    """Top and bottom of everything drawn: the paths' points and the lettering's glyph boxes."""
    ys = []
    for d in re.findall(r' d="([^"]+)"', body):
        numbers = [float(v) for v in re.findall(r"-?\d+(?:\.\d+)?", d)]
        ys += numbers[1::2]
    for y, size in re.findall(r'translate\([-\d.]+,([-\d.]+)\)[^>]*font-size="([\d.]+)"', body):
        ys += [float(y) - float(size), float(y)]
    return min(ys), max(ys)


def keep_label_band_clear(body):
    top, bottom = drawn_extent(body)
    lowest = LABEL_BAND_TOP - BAND_CLEARANCE
    if bottom <= lowest:
        return body
    top = max(top, 0.0)
    k = (lowest - top) / (bottom - top)
    body = re.sub(r'stroke-width="([\d.]+)"', lambda m: f'stroke-width="{fmt(float(m.group(1)) / k)}"', body)
    return (f'<g transform="translate({fmt(SIZE / 2 * (1 - k))},{fmt(top * (1 - k))}) scale({k:.4f})">\n'
            + body + "\n</g>")


# ======================================================================
# Shared figures
# ======================================================================


def limb(pen, pts, w, end_cap=True):
    """A tube of width w along a polyline (arm or leg), white inside so it hides what lies behind."""
    left, right = [], []
    for i, p in enumerate(pts):
        a = pts[max(0, i - 1)]
        b = pts[min(len(pts) - 1, i + 1)]
        tx, ty = b[0] - a[0], b[1] - a[1]
        n = math.hypot(tx, ty) or 1.0
        nx, ny = -ty / n * w / 2, tx / n * w / 2
        left.append((p[0] + nx, p[1] + ny))
        right.append((p[0] - nx, p[1] - ny))
    end = pts[-1]
    ang = math.degrees(math.atan2(pts[-1][1] - pts[-2][1], pts[-1][0] - pts[-2][0]))
    cap = [add(end, rot((0, w / 2), ang + t)) for t in range(0, 181, 30)] if end_cap else []
    outline = left + cap + list(reversed(right))
    pen.line(outline, smooth=True, fill="white", width=0, amp=0.3)
    pen.curve(left, amp=0.4)
    pen.curve(right, amp=0.4)
    if end_cap:
        pen.curve(cap, amp=0.2)


def face(pen, c, r, expr):
    """Features of a front-facing face centred at c with head radius r."""
    ex, ey = 0.36 * r, 0.22 * r
    le, re_ = (c[0] - ex, c[1] + ey), (c[0] + ex, c[1] + ey)
    mouth = (c[0], c[1] + 0.56 * r)
    w = pen.width * 0.9
    if expr in ("smile", "sheepish", "worried", "sad", "gloom", "surprised"):
        pen.dot(le, 0.085 * r)
        pen.dot(re_, 0.085 * r)
    if expr == "smile":
        pen.curve([add(mouth, (-0.16 * r, -0.05 * r)), add(mouth, (0, 0.07 * r)), add(mouth, (0.16 * r, -0.05 * r))], width=w)
    elif expr == "sheepish":
        pen.curve([add(mouth, (-0.15 * r, 0)), add(mouth, (-0.05 * r, -0.05 * r)), add(mouth, (0.05 * r, 0.03 * r)), add(mouth, (0.15 * r, -0.02 * r))], width=w)
    elif expr == "worried":
        pen.curve([add(mouth, (-0.16 * r, 0.02 * r)), add(mouth, (-0.06 * r, -0.05 * r)), add(mouth, (0.05 * r, 0.04 * r)), add(mouth, (0.16 * r, -0.03 * r))], width=w)
        pen.line([add(le, (-0.16 * r, -0.2 * r)), add(le, (0.14 * r, -0.3 * r))], width=w)
        pen.line([add(re_, (0.16 * r, -0.2 * r)), add(re_, (-0.14 * r, -0.3 * r))], width=w)
    elif expr in ("sad", "gloom"):
        pen.curve([add(mouth, (-0.14 * r, 0.05 * r)), add(mouth, (0, -0.04 * r)), add(mouth, (0.14 * r, 0.05 * r))], width=w)
        pen.line([add(le, (-0.15 * r, -0.17 * r)), add(le, (0.13 * r, -0.28 * r))], width=w)
        pen.line([add(re_, (0.15 * r, -0.17 * r)), add(re_, (-0.13 * r, -0.28 * r))], width=w)
        if expr == "gloom":
            for k in range(5):
                x = c[0] - 0.4 * r + k * 0.2 * r
                pen.line([(x, c[1] - 0.5 * r), (x, c[1] - 0.12 * r)], width=1.4, amp=0.3)
    elif expr == "surprised":
        pen.oval(add(mouth, (0, 0.02 * r)), 0.08 * r, 0.11 * r, width=w)
    elif expr in ("ouch", "cry"):
        for e, s in ((le, 1), (re_, -1)):
            pen.line([add(e, (-s * 0.12 * r, -0.1 * r)), add(e, (s * 0.1 * r, 0)), add(e, (-s * 0.12 * r, 0.1 * r))], width=w)
        if expr == "ouch":
            pen.line([add(mouth, (-0.12 * r, 0.05 * r)), add(mouth, (0, -0.07 * r)), add(mouth, (0.12 * r, 0.05 * r))], closed=True, width=w)
        else:
            # wailing mouth: wide at the bottom, wobbly top lip
            pen.curve([add(mouth, (-0.1 * r, -0.08 * r)), add(mouth, (0, -0.04 * r)), add(mouth, (0.1 * r, -0.08 * r)),
                       add(mouth, (0.17 * r, 0.14 * r)), add(mouth, (0, 0.2 * r)), add(mouth, (-0.17 * r, 0.14 * r))],
                      closed=True, width=w)
            pen.line([add(le, (-0.16 * r, -0.22 * r)), add(le, (0.12 * r, -0.32 * r))], width=w)
            pen.line([add(re_, (0.16 * r, -0.22 * r)), add(re_, (-0.12 * r, -0.32 * r))], width=w)
            for e, s in ((le, -1), (re_, 1)):
                start = add(e, (s * 0.02 * r, 0.12 * r))
                for off in (0.0, 0.13):
                    a0 = add(start, (s * off * r, 0))
                    pen.curve([a0, add(a0, (s * 0.07 * r, 0.22 * r)), add(a0, (s * 0.0 * r, 0.42 * r)),
                               add(a0, (s * 0.07 * r, 0.62 * r))], width=1.8)
                pen.curve([add(start, (s * 0.3 * r, 0.02 * r)), add(start, (s * 0.36 * r, 0.12 * r)),
                           add(start, (s * 0.3 * r, 0.16 * r)), add(start, (s * 0.26 * r, 0.1 * r))], closed=True, width=1.5)
    elif expr == "dizzy":
        for e in (le, re_):
            pts = [add(e, rot((0.02 * r + 0.012 * r * t / 30, 0), t)) for t in range(0, 721, 30)]
            pen.curve(pts, width=1.6, amp=0.2)
        pen.oval(add(mouth, (0, 0.02 * r)), 0.09 * r, 0.07 * r, width=w)
    # rosy cheeks: three little slanted strokes each side
    for s in (-1, 1):
        cx, cy = c[0] + s * 0.62 * r, c[1] + 0.42 * r
        for k in range(3):
            x = cx + (k - 1) * 0.09 * r
            pen.line([(x + 0.03 * r, cy - 0.05 * r), (x - 0.03 * r, cy + 0.05 * r)], width=1.3, amp=0.1)


def hair_back(pen, c, r, gravity=0.0, length=None, flutter=0.0):
    """The long straight hair behind the head, hanging along `gravity` (degrees from straight down)."""
    length = 3.0 * r if length is None else length
    g = rot((0, 1), gravity)
    side = (-g[1], g[0])
    s1 = add(c, side, r + 6)
    s2 = add(c, side, -(r + 6))

    def fall(s, sgn):
        pts = []
        for i in range(1, 7):
            t = i / 6
            wave = math.sin(t * 5 + sgn) * flutter * t
            p = add(add(s, g, length * t), side, sgn * (0.18 * r * t + wave))
            pts.append(p)
        return pts
    f1 = fall(s1, 1)
    f2 = fall(s2, -1)
    e1, e2 = f1[-1], f2[-1]
    tips = []
    for i in range(1, 6):
        p = lerp(e1, e2, i / 6)
        tips.append(add(p, g, (6 if i % 2 else -6) + flutter * (1.5 if i % 2 else -1.5)))
    # from one side over the crown to the other, down that fall, across the cut and back up
    over = [add(c, rot((side[0] * (r + 6), side[1] * (r + 6)), t)) for t in range(0, 181, 15)]
    shape = over + f2 + list(reversed(tips)) + list(reversed(f1))
    pen.line(shape, smooth=True, closed=True, fill="white", amp=0.5)
    # a few strands down the length
    for k in (-0.45, 0.0, 0.45):
        a = add(add(c, side, k * r), g, r * 1.1)
        b = add(add(c, side, k * r * 1.2), g, length * 0.9)
        if flutter:
            m = add(lerp(a, b, 0.5), side, flutter * 0.5)
            pen.curve([a, m, b], width=1.3, amp=0.4)
        else:
            pen.curve([a, b], width=1.3, amp=0.4)


def head(pen, c, r, expr="smile", tilt=0.0, fringe=True):
    """Head with fringe and face, turned by tilt degrees; without fringe the hair has fallen off the forehead."""
    pen.push(c, tilt)
    o = (0, 0)
    pen.oval(o, r, r * 0.96, fill="white")
    # fringe: soft points hanging over the forehead, joined to the hairline at the temples
    fr = [(-r * 0.97, 0.1 * r)]
    for i in range(6):
        t = i / 5
        x = -r * 0.78 + 1.56 * r * t
        arch = -0.16 * r * (1 - (2 * t - 1) ** 2)
        fr.append((x, -0.02 * r + arch))
        if i < 5:
            fr.append((x + 0.156 * r, -0.12 * r + arch * 1.2))
    fr.append((r * 0.97, 0.1 * r))
    if fringe:
        pen.curve(fr, width=pen.width * 0.9, amp=0.3, step=6)
    else:
        pen.curve([(-r * 0.97, -0.1 * r), (-0.5 * r, -0.55 * r), (0, -0.62 * r), (0.5 * r, -0.55 * r), (r * 0.97, -0.1 * r)],
                  width=pen.width * 0.9)
    # a shine and a couple of strands on the crown
    pen.curve([(-0.5 * r, -0.62 * r), (-0.2 * r, -0.74 * r), (0.1 * r, -0.76 * r)], width=1.4)
    pen.curve([(0.3 * r, -0.72 * r), (0.45 * r, -0.64 * r)], width=1.4)
    for k in (-0.45, 0.05, 0.5):
        pen.line([(k * r, -0.42 * r), (k * r + 0.08 * r, -0.28 * r)], width=1.2)
    # side locks framing the face
    for s in (-1, 1):
        pen.curve([(s * 0.97 * r, 0.1 * r), (s * 0.92 * r, 0.5 * r), (s * 0.84 * r, 0.88 * r)], width=1.6)
    face(pen, o, r, expr)
    pen.pop()


def heroine(pen, at, scale=1.0, angle=0.0, expr="smile", arms=None, legs=None, lean=0.0, head_tilt=0.0,
            gravity=None, flutter=0.0, hair_len=None, hem_flutter=0.0, fringe=True):
    """The girl, drawn front-on in her own frame: feet at (0, 0), about 250 px tall at scale 1.

    arms and legs are lists of points (shoulder/hip excluded) in that frame; lean bends the
    upper body about the waist and gravity (degrees, world) sets which way the hair hangs.
    """
    pen.push(at, angle, scale)
    waist = (0, -118)
    up = lambda p: rot(p, lean, waist)
    r = 40
    hc = up((0, -198))
    g = (0.0 if gravity is None else gravity) - angle
    arms = arms or [[(-36, -118), (-40, -92)], [(36, -118), (40, -92)]]
    legs = legs or [[(-14, -30), (-15, -8)], [(14, -30), (15, -8)]]
    hair_back(pen, hc, r, gravity=g, length=hair_len if hair_len else 130, flutter=flutter)
    # legs and shoes
    for s, leg in zip((-1, 1), legs):
        pts = [(s * 13, -62)] + leg
        limb(pen, pts, 10, end_cap=False)
        foot = pts[-1]
        d = (foot[0] - pts[-2][0], foot[1] - pts[-2][1])
        a = math.degrees(math.atan2(d[1], d[0])) - 90
        shoe = add(foot, rot((s * 3, 3), a))
        pen.oval(shoe, 9, 5.5, fill=pen.color, tilt=a)
    # dress: bodice leans with the upper body, skirt flares from the waist
    hem = []
    for i in range(7):
        t = i / 6
        x = -44 + 88 * t
        hem.append((x + hem_flutter * math.sin(t * 9), -58 + (3 if i % 2 else -1) + hem_flutter * math.cos(t * 7) * 0.6))
    dress = [up((-12, -162)), up((-24, -154)), up((-25, -132)), up((-21, -118)), (-44, -58)] + hem[1:-1] + \
            [(44, -58), up((21, -118)), up((25, -132)), up((24, -154)), up((12, -162))]
    pen.line(dress, smooth=False, closed=True, fill="white", amp=0.5)
    pen.curve([up((-12, -162)), up((0, -156)), up((12, -162))], width=1.8)
    # waist seam
    pen.curve([up((-21, -120)), up((0, -117)), up((21, -120))], width=1.4)
    # arms with short puffed sleeves
    for s, arm in zip((-1, 1), arms):
        sh = up((s * 26, -140))
        limb(pen, [sh] + arm, 9)
        sleeve = [up((s * 21, -156)), up((s * 36, -142)), up((s * 30, -128)), up((s * 22, -132))]
        pen.line(sleeve, smooth=True, closed=True, fill="white", amp=0.4)
    head(pen, hc, r, expr, tilt=lean + head_tilt, fringe=fringe)
    pen.pop()


def star(pen, c, r, tilt=0.0, width=None):
    pts = []
    for i in range(11):
        rr = r if i % 2 == 0 else r * 0.45
        pts.append(add(c, rot((0, -rr), tilt + i * 36)))
    pen.line(pts, closed=True, width=width, amp=0.5)


def sparkle(pen, c, r, width=None):
    """Little impact star: four short rays."""
    for a in (0, 45, 90, 135):
        p = rot((0, r), a)
        pen.line([add(c, p, 0.3), add(c, p, 1.0)], width=width)
        pen.line([add(c, p, -0.3), add(c, p, -1.0)], width=width)


def swoosh(pen, a, b, bend=10.0, curl=True, width=None):
    """Wind line that ends in a little curl."""
    m = lerp(a, b, 0.5)
    dx, dy = b[0] - a[0], b[1] - a[1]
    n = math.hypot(dx, dy) or 1
    m = (m[0] - dy / n * bend, m[1] + dx / n * bend)
    pts = [a, m, b]
    if curl:
        ang = math.degrees(math.atan2(dy, dx))
        rr = 9
        cen = add(b, rot((0, -rr), ang))
        for t in range(30, 330, 30):
            pts.append(add(cen, rot((0, rr * (1 - t / 520)), ang + t)))
    pen.curve(pts, width=width)


def dog(pen, at, s=1.0, facing=1, angle=0.0, sitting=False, mouth_open=False):
    """The little dog in profile, head toward facing (1 right, -1 left); at = the ground under its middle."""
    pen.push(at, angle, s, flip=facing < 0)
    if sitting:
        # haunches on the ground, chest up, front legs straight
        pen.curve([(-30, -4), (-34, -26), (-18, -46), (6, -60), (20, -56), (22, -30), (16, -4)], closed=True, fill="white")
        pen.curve([(-30, -4), (-36, -24), (-20, -34), (-6, -22), (-8, -4)], width=2.0)
        for x in (6, 16):
            pen.line([(x, -30), (x + 1, 0)], width=2.8)
        pen.curve([(-32, -10), (-48, -16), (-54, -34), (-48, -44)], width=2.4)
        hc = (18, -70)
    else:
        pen.oval((0, -40), 40, 15, fill="white")
        for x, lean in ((-30, -3), (-20, 4), (20, -3), (30, 4)):
            pen.line([(x, -28), (x + lean, 0)], width=2.8)
        pen.curve([(-36, -46), (-46, -60), (-46, -78), (-38, -88), (-32, -82)], width=2.6)
        hc = (42, -58)
    pen.push(hc)
    # skull with a pointed muzzle; the jaw drops open when it barks or bites
    if mouth_open:
        pen.curve([(-12, 10), (-16, -4), (-6, -14), (8, -12), (34, -4), (14, 2), (30, 10), (10, 14)], closed=True, fill="white")
        pen.dot((34, -4), 2.4)
    else:
        pen.curve([(-12, 10), (-16, -4), (-6, -14), (8, -12), (32, -2), (28, 4), (4, 12)], closed=True, fill="white")
        pen.dot((31, -2), 2.4)
    pen.line([(-12, -8), (-12, -30), (0, -12)], fill="white")
    pen.line([(-2, -12), (4, -32), (10, -11)], fill="white")
    pen.dot((6, -4), 2.6)
    pen.curve([(-14, 8), (-4, 14), (4, 14)], width=2.0)  # collar
    pen.pop()
    pen.pop()


def bird(pen, at, s=1.0, angle=0.0):
    """The big long-beaked bird in flight, head to the right; at = where its feet grip."""
    pen.push(at, angle, s)
    # far wing, raised behind the body
    pen.curve([(24, -70), (6, -130), (-36, -178), (-36, -154), (-56, -146), (-46, -124), (-64, -112), (-40, -92), (-30, -66)],
              closed=True, fill="white")
    for k in range(3):
        pen.curve([(4 - k * 12, -76), (-14 - k * 12, -130 + k * 8)], width=1.4)
    # tail feathers
    for k in range(3):
        pen.curve([(-54, -50 + k * 5), (-84, -58 + k * 12), (-98, -60 + k * 18)], width=2.2)
    # plump body
    pen.curve([(-60, -48), (-30, -74), (20, -78), (60, -66), (70, -50), (40, -34), (0, -30), (-40, -34)], closed=True, fill="white")
    # neck, head and the long beak
    pen.curve([(56, -64), (78, -82), (92, -102), (110, -106), (118, -94), (106, -84), (86, -60), (64, -46)], closed=True, fill="white")
    pen.line([(114, -102), (186, -92), (116, -90)], closed=True, fill="white")
    pen.line([(118, -96), (170, -93)], width=1.4)
    pen.dot((106, -96), 3)
    # near wing, swept back with feather tips
    pen.curve([(-6, -58), (-40, -96), (-76, -118), (-64, -100), (-86, -96), (-62, -82), (-76, -70), (-30, -50), (20, -48)],
              closed=True, fill="white")
    for k in range(3):
        pen.curve([(-10 - k * 14, -60), (-36 - k * 14, -84)], width=1.5)
    # legs down to the feet
    pen.line([(-4, -34), (-6, -2)], width=2.4)
    pen.line([(10, -34), (12, -2)], width=2.4)
    for x in (-6, 12):
        pen.line([(x - 8, 4), (x, -2), (x + 8, 4)], width=2.2)
    pen.pop()


# ======================================================================
# The pictures
# ======================================================================


def pic_peek_hole():
    """Face peeking out of a road-works hole in front of a cone and a barrier."""
    p = Pen("peek-hole", RED)
    p.line([(8, 262), (392, 262)], amp=1.0, step=20)
    # traffic cone at the left
    p.line([(22, 258), (132, 258), (126, 240), (28, 240)], closed=True, fill="white")
    p.line([(44, 240), (70, 64), (84, 64), (112, 240)], fill="white")
    p.curve([(70, 64), (77, 56), (84, 64)])
    p.hatch([(64, 108), (90, 108), (95, 142), (59, 142)], 30, 5, width=1.5)
    p.hatch([(55, 176), (99, 176), (104, 208), (50, 208)], 30, 5, width=1.5)
    for a, b in (((64, 108), (90, 108)), ((59, 142), (95, 142)), ((55, 176), (99, 176)), ((50, 208), (104, 208))):
        p.line([a, b], width=1.6)
    # trestle barrier at the right
    p.line([(226, 110), (388, 100), (390, 142), (228, 152)], closed=True, fill="white")
    for k in range(6):
        x = 236 + k * 27
        p.line([(x, 150 - k * 2), (x + 20, 108 - k * 2)], width=2.0)
    p.line([(248, 152), (226, 258)])
    p.line([(258, 151), (280, 256)])
    p.line([(356, 145), (336, 254)])
    p.line([(366, 144), (388, 252)])
    p.line([(242, 204), (264, 202)], width=1.8)
    p.line([(348, 198), (372, 196)], width=1.8)
    # the hole, in front
    p.oval((200, 318), 150, 44, fill="white")
    p.curve([(62, 336), (120, 362), (280, 362), (338, 338)], width=1.8)
    # her head rising from the hole, the near lip of the hole over her chin
    hair_back(p, (200, 250), 66, length=50)
    head(p, (200, 250), 66, "smile", tilt=-6)
    p.curve([(96, 300), (150, 326), (200, 330), (250, 326), (304, 300)], fill=None)
    # hands holding the rim
    for x in (112, 288):
        for k in range(4):
            p.curve([(x - 14 + k * 8, 318), (x - 15 + k * 8, 304), (x - 9 + k * 8, 300), (x - 5 + k * 8, 314)], width=2.0)
    # dirt clods
    for c in ((50, 300), (352, 292), (360, 350), (40, 352), (200, 380)):
        p.oval(c, 8, 4.5)
    return p


def emoticon_paren(p, cx, cy, h):
    """Big hand-drawn round brackets of a face emoticon."""
    for s in (-1, 1):
        p.curve([(cx + s * h * 0.6, cy - h * 0.56), (cx + s * h * 0.72, cy - h * 0.3), (cx + s * h * 0.77, cy),
                 (cx + s * h * 0.72, cy + h * 0.3), (cx + s * h * 0.6, cy + h * 0.56)], width=3.0)


def pic_downcast():
    """A downcast emoticon face followed by three dots."""
    p = Pen("downcast", RED, 3.0)
    cx, cy = 150, 190
    emoticon_paren(p, cx, cy, 170)
    # brows slanting down to the sides
    p.line([(cx - 70, cy - 34), (cx - 40, cy - 46)])
    p.line([(cx + 70, cy - 34), (cx + 40, cy - 46)])
    p.dot((cx - 52, cy - 6), 7)
    p.dot((cx + 52, cy - 6), 7)
    # droopy little mouth
    p.curve([(cx - 26, cy + 44), (cx - 12, cy + 30), (cx, cy + 40), (cx + 12, cy + 30), (cx + 26, cy + 44)])
    # sweat drop
    p.curve([(cx + 96, cy - 70), (cx + 88, cy - 48), (cx + 96, cy - 40), (cx + 104, cy - 48)], closed=True)
    for k in range(3):
        p.dot((300 + k * 30, cy + 70 + p.rng.uniform(-3, 3)), 6.5)
    return p


def pic_pot():
    """Her head sticking out of a two-handled pot over flames."""
    p = Pen("pot", BLACK, 2.7)
    # flames licking up from the fire, drawn first so the pot covers their middle
    for k in range(8):
        x = 84 + k * 33
        h = 80 + (k % 3) * 22
        tip = (x + p.rng.uniform(-6, 6), 352 - h)
        p.curve([(x - 16, 352), (x - 20, 326), (x - 8, 302), tip], width=2.4)
        p.curve([tip, (x + 10, 300), (x + 18, 326), (x + 14, 352)], width=2.4)
        small = (x + 1, 352 - h * 0.45)
        p.curve([(x - 7, 350), (x - 8, 336), small], width=1.6)
        p.curve([small, (x + 7, 334), (x + 6, 350)], width=1.6)
    # logs
    p.line([(64, 354), (336, 348), (338, 370), (66, 376)], closed=True, fill="white")
    p.oval((66, 365), 6, 11)
    p.line([(110, 362), (150, 360)], width=1.5)
    p.line([(230, 360), (280, 358)], width=1.5)
    rim = lambda t: (200 + 112 * math.cos(math.radians(t)), 198 + 20 * math.sin(math.radians(t)))
    # far half of the rim, then her, then the pot body with the near rim over her chin
    p.curve([rim(t) for t in range(180, 361, 15)])
    hair_back(p, (200, 150), 54, length=40)
    head(p, (200, 150), 54, "worried", tilt=4)
    side = [(88, 198), (90, 240), (102, 276), (130, 300), (200, 308), (270, 300), (298, 276), (310, 240), (312, 198)]
    p.curve(side + [rim(t) for t in range(15, 180, 15)], closed=True, fill="white")
    p.curve([rim(t) for t in range(0, 181, 10)], width=3.0)
    p.curve([(94, 210), (130, 226), (200, 232), (270, 226), (306, 210)], width=1.6)
    # loop handles on both sides
    for s in (-1, 1):
        c = (200 + s * 122, 226)
        p.curve([add(c, (s * 20 * math.cos(math.radians(t)), 15 * math.sin(math.radians(t)))) for t in range(-100, 101, 20)], width=2.8)
    # shine and bubbles
    p.curve([(118, 244), (122, 268), (138, 286)], width=1.6)
    for c, r in (((104, 176), 7), ((296, 172), 9), ((318, 148), 5), ((84, 156), 5)):
        p.oval(c, r, r)
    # steam wisps and a sweat drop
    for x in (60, 340):
        p.curve([(x, 140), (x - 8, 122), (x + 6, 104), (x - 4, 84)], width=2.0)
    p.curve([(268, 96), (262, 112), (268, 120), (274, 112)], closed=True, width=2.0)
    return p


def small_cat_back(p, at, s=1.0, striped=False):
    """A little creature seen from behind: round back, ears, tail."""
    p.push(at, 0, s)
    p.curve([(-26, 0), (-30, -30), (-22, -52), (0, -58), (22, -52), (30, -30), (26, 0)], fill="white")
    p.line([(-26, 0), (26, 0)], width=1.8)
    p.curve([(-22, -54), (-14, -82), (-20, -100), (0, -104), (20, -100), (14, -82), (22, -54)], fill="white")
    p.line([(-18, -94), (-22, -120), (-4, -103)], fill="white")
    p.line([(4, -103), (22, -120), (18, -94)], fill="white")
    p.curve([(20, -10), (44, -18), (50, -44), (40, -58)], width=2.4)
    if striped:
        for k in range(4):
            y = -16 - k * 12
            p.curve([(-20 + k, y), (0, y - 4), (20 - k, y)], width=1.5)
        p.line([(-6, -100), (-4, -88)], width=1.5)
        p.line([(6, -100), (4, -88)], width=1.5)
    p.pop()


def pic_glum_line():
    """Glum emoticon between two stars, a hand-lettered line and three small figures from behind."""
    p = Pen("glum-line", RED, 2.8)
    star(p, (58, 86), 26, tilt=-10)
    star(p, (342, 86), 26, tilt=12)
    cx, cy = 200, 92
    emoticon_paren(p, cx, cy, 120)
    p.dot((cx - 34, cy - 6), 6)
    p.dot((cx + 34, cy - 6), 6)
    p.line([(cx - 18, cy + 28), (cx + 18, cy + 28)])
    p.line([(cx - 50, cy - 26), (cx - 24, cy - 36)], width=2.2)
    p.line([(cx + 50, cy - 26), (cx + 24, cy - 36)], width=2.2)
    p.text("つぎは がんばろうね", (60, 206), 34, angle=-2, spacing=36, jitter=0.6)
    small_cat_back(p, (112, 334), 0.78)
    small_cat_back(p, (290, 334), 0.78)
    small_cat_back(p, (200, 340), 0.56, striped=True)
    p.line([(40, 342), (360, 342)], width=1.6, amp=0.8, step=18)
    return p


def bricks(p, x0, y0, x1, y1, rows, seed_shift=0):
    """Irregular brick courses filling the box (x0, y0)-(x1, y1)."""
    h = (y1 - y0) / rows
    for i in range(1, rows):
        y = y0 + i * h + p.rng.uniform(-1.5, 1.5)
        p.line([(x0, y), (x1, y + p.rng.uniform(-2, 2))], width=1.6)
    for i in range(rows):
        x = x0 + (14 if (i + seed_shift) % 2 else 30) + p.rng.uniform(-5, 5)
        while x < x1 - 8:
            p.line([(x, y0 + i * h + 2), (x + p.rng.uniform(-1, 1), y0 + (i + 1) * h - 2)], width=1.6)
            x += p.rng.uniform(28, 40)


def pic_chimney():
    """Stuck in a brick chimney, head out, lettering beside, roof sloping down at the right."""
    p = Pen("chimney", BLACK, 2.7)
    # roof slope running down to the right
    p.line([(0, 300), (130, 262)], width=2.6)
    p.line([(250, 226), (400, 330)], width=2.6)
    p.line([(0, 320), (130, 282)], width=1.6)
    p.line([(250, 246), (400, 352)], width=1.6)
    for k in range(6):
        x = 270 + k * 24
        y = 240 + (x - 250) * 0.69
        p.line([(x, y + 2), (x - 2, y + 16)], width=1.5)
    hair_back(p, (190, 150), 44, length=34)
    head(p, (190, 150), 44, "sheepish", tilt=-4)
    # chimney top cap covers her shoulders
    p.line([(124, 186), (256, 186), (256, 212), (124, 212)], closed=True, fill="white")
    p.line([(134, 212), (246, 212), (244, 360), (136, 368)], fill="white")
    bricks(p, 136, 212, 244, 360, 6)
    bricks(p, 124, 186, 256, 212, 1, 1)
    # fingers clutching the cap
    for x in (142, 226):
        for k in range(3):
            p.curve([(x + k * 7, 190), (x + k * 7 - 1, 180), (x + k * 7 + 4, 178), (x + k * 7 + 5, 188)], width=1.8)
    # lettering beside her
    p.text("ぬけない", (300, 70), 36, angle=90, spacing=40, upright=True, weight="normal", width=2.0)
    for k in range(3):
        p.dot((298 + p.rng.uniform(-1, 1), 226 + k * 12), 3)
    # smoke puffs and a drop of sweat
    for c, r in (((90, 110), 14), ((66, 76), 11), ((52, 46), 8)):
        p.oval(c, r, r * 0.8)
    p.curve([(248, 112), (242, 128), (248, 136), (254, 128)], closed=True, width=2.0)
    return p


def pic_bench_bump():
    """Bent over, bumping her head on the underside of a long bench."""
    p = Pen("bench-bump", RED, 2.7)
    p.line([(10, 372), (390, 372)], amp=1.0, step=20)
    # the girl, bent forward under the board, one hand up to the sore spot
    heroine(p, (150, 370), 0.92, expr="ouch", lean=48, head_tilt=-14,
            arms=[[(-44, -118), (-40, -94)], [(46, -172), (30, -212)]],
            legs=[[(-22, -30), (-28, -6)], [(14, -32), (16, -6)]])
    # bench: the board and four legs
    p.line([(14, 176), (386, 170), (386, 186), (14, 192)], closed=True, fill="white")
    p.line([(16, 192), (16, 200), (384, 194), (384, 186)], width=1.8)
    p.line([(36, 198), (26, 370)])
    p.line([(52, 197), (50, 368)])
    p.line([(352, 194), (356, 368)])
    p.line([(368, 194), (378, 366)])
    # impact marks where her head met the board
    sparkle(p, (330, 216), 13, width=2.2)
    for a in (-60, -30, 0, 30, 60):
        d = rot((0, -1), a)
        p.line([add((286, 196), d, -6), add((286, 196), d, -18)], width=2.0)
    star(p, (340, 256), 10, tilt=8, width=2.0)
    star(p, (300, 110), 9, tilt=-12, width=2.0)
    p.text("ゴチン", (196, 110), 40, angle=-4, spacing=42, width=2.4)
    return p


def pic_umbrella():
    """Blown through the air holding an open umbrella, wind lines all round."""
    p = Pen("umbrella", RED, 2.7)
    # umbrella canopy, tilted with the wind
    p.push((236, 96), 22)
    canopy = [(-110, 20)]
    for i in range(7):
        a = 180 - i * 30
        canopy.append((110 * math.cos(math.radians(a)), 20 - 88 * math.sin(math.radians(a))))
    scallop = []
    for i in range(6):
        x0 = 110 - i * (220 / 6)
        x1 = x0 - 220 / 6
        scallop += [(x0, 20), ((x0 + x1) / 2, 30), (x1, 20)]
    p.curve(canopy[1:], fill="white")
    p.curve(scallop[:-1] + [(-110, 20)], amp=0.5)
    for x in (-36, 36):
        p.curve([(0, -68), (x * 0.7, -30), (x * 1.06, 20)], width=1.6)
    p.line([(0, -68), (0, -80)], width=3)
    p.line([(0, 24), (0, 120)])
    p.curve([(0, 120), (0, 136), (-14, 138), (-16, 126)])
    hand = p.map((0, 112))
    p.pop()
    # her, hanging from the handle, legs kicking, hair streaming with the wind
    heroine(p, (160, 364), 0.78, angle=18, expr="surprised", gravity=-70, flutter=6, hem_flutter=4,
            arms=[[(-46, -156), (-60, -178)], [(24, -190), (hand[0] - 160, hand[1] - 364)]],
            legs=[[(-22, -36), (-40, -20)], [(16, -30), (30, -2)]])
    # wind lines
    swoosh(p, (14, 120), (130, 106), bend=-8)
    swoosh(p, (10, 210), (98, 200), bend=6)
    swoosh(p, (230, 260), (380, 232), bend=-12)
    swoosh(p, (250, 330), (372, 318), bend=8)
    swoosh(p, (40, 300), (110, 286), bend=4, curl=False)
    # a leaf blown along
    p.curve([(340, 150), (356, 138), (372, 146), (356, 158)], closed=True)
    p.line([(338, 152), (372, 146)], width=1.4)
    return p


def bumpy_points(c, rx, ry, n, bump, start=0.0):
    """Outline of an ellipse made of n round bulges, like a cloud or a tuft of wool."""
    pts = []
    for i in range(n):
        a0 = math.radians(start + 360 * i / n)
        a1 = math.radians(start + 360 * (i + 1) / n)
        p0 = add(c, (rx * math.cos(a0), ry * math.sin(a0)))
        p1 = add(c, (rx * math.cos(a1), ry * math.sin(a1)))
        dx, dy = p1[0] - p0[0], p1[1] - p0[1]
        ln = math.hypot(dx, dy) or 1
        nx, ny = dy / ln, -dx / ln
        for k in range(6):
            t = k / 6
            q = lerp(p0, p1, t)
            h = bump * math.sin(math.pi * t)
            pts.append((q[0] + nx * h, q[1] + ny * h))
    return pts


def leaf_clump(p, c, rx, ry, n=11):
    """Cloud of leaves (or a cloud in the sky): a ring of round bulges."""
    p.line(bumpy_points(c, rx, ry, n, min(rx, ry) * 0.28, p.rng.uniform(0, 30)), closed=True, fill="white", amp=0.5)


def pic_tree_upside_down():
    """Hanging upside down, caught by the legs in the branches of a tree."""
    p = Pen("tree-hang", RED, 2.7)
    p.line([(10, 384), (390, 384)], amp=1.0, step=20)
    # trunk
    p.curve([(300, 384), (296, 300), (290, 200), (270, 130)])
    p.curve([(340, 384), (330, 300), (324, 210), (330, 130)])
    p.curve([(296, 384), (280, 390)], width=2.0)
    p.curve([(340, 384), (358, 392)], width=2.0)
    leaf_clump(p, (300, 70), 96, 58)
    leaf_clump(p, (196, 62), 64, 44)
    # her, upside down, knees hooked over the branch, hair hanging toward the ground
    heroine(p, (156, 124), 0.9, angle=180, expr="dizzy", gravity=0, hair_len=52, flutter=2, fringe=False,
            arms=[[(-48, -166), (-56, -198)], [(48, -166), (58, -196)]],
            legs=[[(-14, -10), (-2, 20)], [(14, -10), (30, 16)]])
    # the branch that holds her, in front of her knees
    p.curve([(282, 160), (220, 140), (150, 122), (90, 116), (90, 128), (150, 136), (220, 154), (282, 174)],
            closed=True, fill="white")
    p.curve([(200, 146), (180, 118), (168, 98)], width=2.2)
    leaf_clump(p, (92, 108), 22, 14, n=7)
    for c in ((60, 330), (210, 360), (100, 380)):
        p.curve([add(c, (-8, 0)), add(c, (0, -6)), add(c, (8, 0)), add(c, (0, 5))], closed=True, width=1.8)
    return p


def pic_gloom():
    """Standing dejected under a hatched shadow, a gloomy word above, a little fox looking up."""
    p = Pen("gloom", RED, 2.7)
    p.line([(10, 370), (390, 370)], amp=1.0, step=20)
    shadow = [(60, 100), (340, 100), (330, 200), (300, 250), (100, 250), (70, 200)]
    p.hatch(shadow, 0, 9, width=1.5)
    heroine(p, (190, 366), 0.98, expr="gloom", head_tilt=10, lean=4,
            arms=[[(-30, -116), (-30, -88)], [(30, -116), (30, -88)]])
    p.text("ズーン", (118, 64), 54, angle=2, spacing=56, width=2.6)
    # wavy gloom marks beside her
    for x in (90, 300):
        p.curve([(x, 210), (x + 6, 230), (x - 4, 250), (x + 4, 270)], width=2.0)
    # small fox-like animal sitting, looking up at her
    p.push((318, 368), flip=True)
    p.curve([(-20, 0), (-26, -30), (-12, -52), (8, -48), (14, -20), (12, 0)], closed=True, fill="white")
    p.curve([(-22, -4), (-50, -10), (-62, -34), (-52, -56), (-40, -40), (-30, -14)], closed=True, fill="white")
    p.line([(-56, -46), (-48, -52)], width=1.6)
    p.curve([(-12, -48), (-20, -62), (-14, -80), (4, -84), (16, -74), (34, -96), (22, -70), (8, -56)], closed=True, fill="white")
    p.line([(-14, -76), (-16, -100), (-2, -84)], fill="white")
    p.line([(2, -84), (6, -106), (12, -80)], fill="white")
    p.dot((-2, -72), 2.8)
    p.dot((31, -92), 2.4)
    p.line([(-4, 0), (-4, -22)], width=1.6)
    p.pop()
    p.text("?", (352, 246), 26, outline=False, width=0.5, jitter=0.5)
    return p


def pic_bird_carry():
    """The big bird carrying her off through the air, her dress collar in its feet."""
    p = Pen("bird-carry", RED, 2.7)
    for c, rx in (((70, 300), 40), ((340, 340), 44)):
        leaf_clump(p, c, rx, rx * 0.45)
    # motion lines trailing behind
    for k in range(4):
        y = 60 + k * 24
        p.line([(10, y + 26), (74 + k * 8, y + 4)], width=2.0)
    heroine(p, (183, 392), 0.7, angle=-10, expr="cry", gravity=-10, flutter=3, hem_flutter=3,
            arms=[[(-50, -156), (-64, -182)], [(40, -200), (34, -262)]],
            legs=[[(-16, -36), (-24, -10)], [(16, -28), (26, -4)]])
    bird(p, (176, 212), 1.0, angle=-14)
    return p


def pic_dog_bite():
    """In tears while the little dog bites her hand, with a bite sound word."""
    p = Pen("dog-bite", RED, 2.7)
    p.line([(10, 372), (390, 372)], amp=1.0, step=20)
    heroine(p, (136, 370), 1.0, expr="cry", lean=-6,
            arms=[[(-46, -150), (-54, -180)], [(62, -128), (104, -130)]],
            legs=[[(-16, -30), (-18, -6)], [(14, -30), (16, -6)]])
    # the dog, reared up on its hind legs, jaws clamped on her hand
    dog(p, (276, 352), 1.35, facing=-1, angle=34, mouth_open=True)
    p.text("ガブッ", (236, 128), 50, angle=-8, spacing=48, width=2.6)
    for a in (-40, -10, 20):
        d = rot((0, -1), a)
        p.line([add((244, 232), d, 20), add((244, 232), d, 34)], width=2.2)
    return p


def pic_startled():
    """Emoticon of a startled face."""
    p = Pen("startled", RED, 3.0)
    cx, cy = 214, 184
    emoticon_paren(p, cx, cy, 172)
    for s in (-1, 1):
        e = (cx + s * 50, cy - 22)
        p.oval(e, 24, 26)
        p.dot(add(e, (s * -3, 2)), 7)
    p.oval((cx, cy + 56), 20, 26)
    # a big hand-drawn sigma of surprise in front of the face
    p.line([(72, 96), (26, 98), (52, 150), (24, 204), (74, 202)], width=3.2)
    # shock marks
    for x in (352, 376):
        p.line([(x, 54), (x - 4, 118)], width=4)
        p.dot((x - 5, 138), 4.5)
    for a in (-30, 0, 30):
        d = rot((0, -1), a)
        p.line([add((cx, 66), d, 6), add((cx, 66), d, 22)], width=2.4)
    return p


def pic_woolly_creature():
    """Small creature: pointed snout, bow on its head, woolly cloud body on thin legs, curled tail."""
    p = Pen("woolly", BLACK, 2.7)
    p.push((-16, 10))
    p.line([(30, 330), (370, 330)], amp=1.0, step=20)
    for x in (60, 150, 330):
        p.line([(x, 330), (x - 4, 318)], width=1.6)
        p.line([(x + 4, 330), (x + 6, 316)], width=1.6)
    # thin legs
    for x, lean in ((150, -4), (176, 4), (236, -4), (262, 4)):
        p.line([(x, 236), (x + lean, 324)], width=2.4)
        p.oval((x + lean + 3, 326), 6, 3, fill=BLACK)
    # tail with a curled tip
    cen = (74, 168)
    curl = [add(cen, rot((0, -10 - t / 40), t)) for t in range(0, 400, 40)]
    p.curve([(112, 214), (88, 208), (70, 190), (66, 172)] + curl[::-1][:-1], width=2.6)
    # woolly body: a cloud of little bumps
    p.line(bumpy_points((206, 200), 106, 60, 15, 13, 5), closed=True, fill="white", amp=0.5)
    for c in ((180, 188), (230, 210), (200, 226), (250, 180)):
        p.curve([add(c, (-8, 2)), add(c, (-4, -6)), add(c, (4, -6)), add(c, (8, 2))], width=1.5)
    # head with a long pointed snout
    head_pts = [(284, 168), (290, 128), (316, 112), (338, 120), (392, 150), (340, 164), (316, 178)]
    p.curve(head_pts, closed=True, fill="white")
    p.dot((322, 132), 3.6)
    p.dot((390, 150), 2.8)
    p.curve([(346, 156), (360, 158), (370, 156)], width=1.6)
    p.line([(300, 118), (296, 96), (312, 112)], fill="white")
    # bow on its head
    bc = (318, 100)
    p.curve([bc, (296, 80), (290, 96), (294, 114)], closed=True, fill="white")
    p.curve([bc, (342, 78), (348, 94), (344, 112)], closed=True, fill="white")
    p.oval(bc, 6, 6, fill="white")
    p.line([(296, 92), (304, 100)], width=1.3)
    p.line([(342, 90), (334, 98)], width=1.3)
    p.line([(314, 106), (306, 124)], width=2.0)
    p.line([(322, 106), (330, 124)], width=2.0)
    # cheek
    for k in range(3):
        p.line([(324 + k * 5, 150), (320 + k * 5, 158)], width=1.2)
    p.pop()
    return p


def pic_pole_bump():
    """Knocked backwards after walking into a utility pole with a block plate; impact word; dog at the foot."""
    p = Pen("pole-bump", BLACK, 2.7)
    p.line([(10, 372), (390, 372)], amp=1.0, step=20)
    # pole with crossarm and wires
    p.line([(282, 372), (286, 20)])
    p.line([(306, 372), (304, 20)])
    p.line([(254, 48), (340, 44), (340, 54), (254, 58)], closed=True, fill="white")
    for x in (262, 294, 330):
        p.line([(x, 48), (x, 36)], width=2.0)
    p.curve([(0, 60), (120, 78), (262, 38)], width=1.6)
    p.curve([(330, 36), (366, 44), (400, 40)], width=1.6)
    # block-number plate
    p.line([(272, 150), (318, 150), (318, 222), (272, 222)], closed=True, fill="white")
    p.text("三丁目", (295, 168), 17, angle=90, spacing=17, upright=True, outline=False, width=0.4, jitter=0.6)
    p.text("5", (295, 214), 14, outline=False, width=0.4, jitter=0.3)
    # her, falling back away from the pole
    heroine(p, (140, 368), 0.9, angle=-20, expr="dizzy", gravity=10,
            arms=[[(-54, -146), (-70, -170)], [(50, -146), (62, -176)]],
            legs=[[(-16, -30), (-18, -6)], [(20, -40), (44, -46)]])
    # impact lines on the pole and stars round her head
    for a in (-60, -30, 0, 30, 60):
        d = rot((-1, 0), a)
        p.line([add((272, 124), d, 12), add((272, 124), d, 30)], width=2.2)
    star(p, (150, 90), 10, width=2.0)
    star(p, (92, 128), 8, tilt=20, width=2.0)
    sparkle(p, (222, 110), 10, width=2.0)
    p.text("ゴーン", (40, 70), 46, angle=-6, spacing=48, width=2.6)
    # little dog sitting at the foot of the pole
    dog(p, (358, 372), 0.95, facing=-1, sitting=True)
    return p


PICTURES = [
    ("imgOv0100", pic_peek_hole),
    ("imgOv0101", pic_downcast),
    ("imgOv0200", pic_pot),
    ("imgOv0201", pic_glum_line),
    ("imgOv0300", pic_chimney),
    ("imgOv0400", pic_bench_bump),
    ("imgOv0500", pic_umbrella),
    ("imgOv0501", pic_tree_upside_down),
    ("imgOv0600", pic_gloom),
    ("imgOv0700", pic_bird_carry),
    ("imgOv0800", pic_dog_bite),
    ("imgOv0900", pic_startled),
    ("imgOv0901", pic_woolly_creature),
    ("imgOv1000", pic_pole_bump),
]


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "..", "assets", "src", "pictures")
    os.makedirs(out, exist_ok=True)
    for name, draw in PICTURES:
        with open(os.path.join(out, name + ".svg"), "w", encoding="utf-8") as f:
            f.write(draw().svg())


if __name__ == "__main__":
    main()
