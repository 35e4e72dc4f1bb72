#!/usr/bin/env python3
"""Draws the scrolling background panorama (8000 x 500) as an SVG of pen lines.

Every line goes through a small "hand" model: control points are joined by a
smooth spline or straight runs, resampled every few pixels and pushed sideways
by slow noise, so nothing comes out ruler-straight. Shapes that must hide what
is behind them are filled with the paper colour, which keeps the picture pure
line art while letting near objects cover far ones (painter's order).

The random generator is seeded per scene, so the output is the same on every
run and editing one scene does not reshuffle the others.

Usage: pictures_back.py [output.svg]   (default: assets/src/pictures/imgBack.svg)
"""

import math
import os
import random
import sys

WIDTH, HEIGHT = 8000, 500
PAPER = "#fff8ff"
INK = "#000000"
# Characters' feet rest at y 495; the front ground line sits just above that.
GROUND_Y = 491
# Far horizon; objects standing on the land have their bases between this and
# the front ground line so the walking band itself stays calm.
HORIZON_Y = 457
BASE_Y = 478


def _fmt(v):
    s = f"{v:.1f}"
    return s[:-2] if s.endswith(".0") else s


def catmull_rom(ctrl, closed=False, spacing=3.0):
    """Samples a Catmull-Rom spline through the control points."""
    pts = list(ctrl)
    if closed:
        ext = [pts[-1]] + pts + [pts[0], pts[1]]
    else:
        ext = [pts[0]] + pts + [pts[-1]]
    out = []
    for i in range(1, len(ext) - 2):
        p0, p1, p2, p3 = ext[i - 1], ext[i], ext[i + 1], ext[i + 2]
        seg = math.dist(p1, p2)
        n = max(2, int(seg / spacing))
        for k in range(n):
            t = k / n
            t2, t3 = t * t, t * t * t
            x = 0.5 * ((2 * p1[0]) + (-p0[0] + p2[0]) * t
                       + (2 * p0[0] - 5 * p1[0] + 4 * p2[0] - p3[0]) * t2
                       + (-p0[0] + 3 * p1[0] - 3 * p2[0] + p3[0]) * t3)
            y = 0.5 * ((2 * p1[1]) + (-p0[1] + p2[1]) * t
                       + (2 * p0[1] - 5 * p1[1] + 4 * p2[1] - p3[1]) * t2
                       + (-p0[1] + 3 * p1[1] - 3 * p2[1] + p3[1]) * t3)
            out.append((x, y))
    out.append(ext[-2] if not closed else ext[1])
    return out


def densify(ctrl, closed=False, spacing=3.0):
    """Straight runs between control points, resampled every few pixels."""
    pts = list(ctrl) + ([ctrl[0]] if closed else [])
    out = []
    for a, b in zip(pts, pts[1:]):
        n = max(1, int(math.dist(a, b) / spacing))
        for k in range(n):
            t = k / n
            out.append((a[0] + (b[0] - a[0]) * t, a[1] + (b[1] - a[1]) * t))
    out.append(pts[-1])
    return out


class Pen:
    """Collects SVG elements drawn with one slightly unsteady thin pen."""

    def __init__(self):
        self.parts = []
        self.rng = random.Random(0)
        # Optional scale about a point, for drawing a motif bigger or smaller.
        self.zoom = None
        self.ink = INK
        self.paper = PAPER

    def _xf(self, pts):
        if self.zoom is None:
            return list(pts)
        ox, oy, k = self.zoom
        return [(ox + (x - ox) * k, oy + (y - oy) * k) for x, y in pts]

    def scene(self, name):
        """Starts a named group with its own seeded generator."""
        self.rng = random.Random(name)
        self.parts.append(f'<g id="{name}">')

    def end(self):
        self.parts.append("</g>")

    def _wobble(self, pts, amp):
        r = self.rng
        l1, l2 = r.uniform(70, 170), r.uniform(22, 45)
        p1, p2 = r.uniform(0, 6.3), r.uniform(0, 6.3)
        out = []
        s = 0.0
        for i, (x, y) in enumerate(pts):
            if i:
                s += math.dist(pts[i - 1], pts[i])
            a = pts[max(0, i - 1)]
            b = pts[min(len(pts) - 1, i + 1)]
            dx, dy = b[0] - a[0], b[1] - a[1]
            d = math.hypot(dx, dy) or 1.0
            nx, ny = -dy / d, dx / d
            off = amp * (math.sin(2 * math.pi * s / l1 + p1)
                         + 0.35 * math.sin(2 * math.pi * s / l2 + p2))
            out.append((x + nx * off, y + ny * off))
        return out

    @staticmethod
    def _d(pts, close=False):
        d = "M" + " ".join(f"{_fmt(x)} {_fmt(y)}" for x, y in pts)
        return d + ("Z" if close else "")

    def path(self, ctrl, smooth=False, closed=False, fill=False, stroke=True,
             amp=0.8, w=None, fill_extra=None, spacing=3.0):
        """Draws one pen stroke through the control points.

        fill: paper-fill the closed outline first so it hides lines behind it.
        fill_extra: points (not drawn) that close the fill polygon, e.g. the
        hidden foot of a mountain.
        """
        ctrl = self._xf(ctrl)
        if fill_extra:
            fill_extra = self._xf(fill_extra)
        if smooth:
            dense = catmull_rom(ctrl, closed, spacing)
        else:
            dense = densify(ctrl, closed, spacing)
        pts = self._wobble(dense, amp)
        if fill or fill_extra:
            poly = pts + list(fill_extra or [])
            self.parts.append(
                f'<path d="{self._d(poly, True)}" fill="{self.paper}" stroke="none"/>')
        if not stroke:
            return pts
        spts = pts
        if closed and len(pts) > 6:
            # A closing stroke runs a little past its start, as a pen does.
            k = self.rng.randint(2, 4)
            spts = pts + [(x + self.rng.uniform(-0.6, 0.6), y + self.rng.uniform(-0.6, 0.6))
                          for x, y in pts[1:k]]
        if w is None:
            w = self.rng.uniform(1.35, 1.75)
        self.parts.append(
            f'<path d="{self._d(spts)}" fill="none" stroke="{self.ink}" '
            f'stroke-width="{w:.2f}"/>')
        return pts

    def seg(self, x1, y1, x2, y2, amp=0.5, w=None):
        return self.path([(x1, y1), (x2, y2)], amp=amp, w=w)

    def curve(self, ctrl, amp=0.6, w=None):
        return self.path(ctrl, smooth=True, amp=amp, w=w)

    def ellipse(self, cx, cy, rx, ry, rot=0.0, fill=True, amp=None, w=None,
                start=None, sweep=None):
        """An ellipse (or an arc of one) drawn in one sweep of the pen."""
        if amp is None:
            amp = min(0.7, 0.04 * max(rx, ry) + 0.1)
        n = max(10, int(2 * math.pi * max(rx, ry) / 4))
        a0 = self.rng.uniform(0, 2 * math.pi) if start is None else start
        full = sweep is None
        sw = 2 * math.pi if full else sweep
        cr, sr = math.cos(rot), math.sin(rot)
        pts = []
        for i in range(n + 1):
            a = a0 + sw * i / n
            x, y = rx * math.cos(a), ry * math.sin(a)
            pts.append((cx + x * cr - y * sr, cy + x * sr + y * cr))
        if full:
            pts = pts[:-1]
        return self.path(pts, smooth=True, closed=full, fill=fill and full,
                         amp=amp, w=w, spacing=2.5)

    def dot(self, x, y, r=1.6):
        (x, y), = self._xf([(x, y)])
        self.parts.append(f'<circle cx="{_fmt(x)}" cy="{_fmt(y)}" r="{r:.1f}" fill="{self.ink}"/>')

    def svg(self, width, height, background=PAPER, title=""):
        head = (f'<svg xmlns="http://www.w3.org/2000/svg" width="{width}" '
                f'height="{height}" viewBox="0 0 {width} {height}">\n'
                f'<title>{title}</title>\n'
                f'<rect width="{width}" height="{height}" fill="{background}"/>\n'
                '<g stroke-linecap="round" stroke-linejoin="round">\n')
        return head + "\n".join(self.parts) + "\n</g>\n</svg>\n"


# ---------------------------------------------------------------------------
# Hand lettering: katakana as pen strokes on a 10 x 10 cell (y down). Each
# stroke is a list of points joined by a spline, like a rounded gothic written
# with a felt pen.
KANA = {
    "ラ": [[(2.2, 1.2), (7.8, 1.2)],
          [(1.4, 3.8), (8.4, 3.7), (7.9, 6.0), (6.1, 8.1), (3.4, 9.5)]],
    "ー": [[(0.8, 5.1), (5.0, 4.9), (9.2, 5.0)]],
    "メ": [[(7.6, 0.8), (6.4, 4.2), (4.2, 7.0), (1.2, 9.4)],
           [(2.8, 3.4), (5.6, 5.6), (8.8, 8.8)]],
    "ン": [[(1.6, 1.8), (3.6, 3.4)],
           [(1.4, 9.0), (4.6, 7.8), (7.0, 5.4), (8.8, 2.4)]],
    "ニ": [[(2.4, 2.6), (7.6, 2.5)], [(0.9, 7.9), (9.1, 7.8)]],
    "ヤ": [[(1.0, 4.2), (9.0, 3.2), (8.0, 5.2), (6.6, 6.4)],
           [(3.8, 1.0), (4.6, 5.0), (5.6, 9.6)]],
    "ス": [[(2.0, 1.6), (7.8, 1.4), (6.2, 4.8), (3.8, 7.6), (1.0, 9.4)],
           [(5.8, 5.5), (7.4, 7.1), (9.0, 9.2)]],
    "ケ": [[(3.8, 0.6), (2.8, 3.0), (1.0, 5.2)],
           [(2.8, 3.2), (9.2, 3.2)],
           [(6.4, 3.2), (6.0, 6.4), (3.0, 9.6)]],
    "ル": [[(3.4, 1.4), (3.4, 5.0), (2.7, 7.6), (1.0, 9.4)],
           [(6.0, 1.0), (6.0, 8.9), (9.2, 6.4)]],
    "ウ": [[(5.0, 0.3), (5.0, 2.4)],
           [(1.6, 2.6), (1.6, 5.2)],
           [(1.6, 2.8), (8.6, 2.8), (8.0, 5.6), (6.5, 7.9), (3.8, 9.6)]],
    "ア": [[(1.0, 1.6), (9.0, 1.5), (8.0, 3.4), (6.5, 4.6)],
           [(5.0, 3.0), (4.8, 6.2), (2.0, 9.6)]],
    "!": [[(5.0, 0.8), (5.0, 6.6)], [(5.0, 9.0), (5.05, 9.1)]],
}
# Small kana and the voicing mark are built from the full-size strokes.
SMALL = {"ァ": "ア", "ャ": "ヤ"}
DAKUTEN = [[(8.9, -0.4), (9.6, 1.2)], [(10.3, -0.7), (11.0, 0.9)]]


def glyph_strokes(ch):
    """Strokes for one character in cell units (0..10), small kana shrunk."""
    if ch == "ヴ":
        return KANA["ウ"] + DAKUTEN
    if ch in SMALL:
        base = KANA[SMALL[ch]]
        return [[(1.5 + 0.7 * x, 3.0 + 0.7 * y) for x, y in s] for s in base]
    return KANA[ch]


def letter(pen, text, x, y, size, w=2.0, jitter=0.35, advance=1.08, slant=0.0):
    """Writes text left to right from (x, y) = top-left of the first cell."""
    r = pen.rng
    s = size / 10.0
    cx = x
    for ch in text:
        if ch == " ":
            cx += size * 0.6
            continue
        dy = r.uniform(-0.04, 0.04) * size
        rot = r.uniform(-0.06, 0.06)
        for stroke in glyph_strokes(ch):
            pts = []
            for gx, gy in stroke:
                gx += r.uniform(-jitter, jitter)
                gy += r.uniform(-jitter, jitter)
                px, py = gx - 5, gy - 5
                px, py = px * math.cos(rot) - py * math.sin(rot), px * math.sin(rot) + py * math.cos(rot)
                pts.append((cx + (px + 5) * s - slant * (py + 5) * s, y + dy + (py + 5) * s))
            if math.dist(pts[0], pts[-1]) < 0.8:
                pen.dot(pts[0][0], pts[0][1], w * 0.7)
            else:
                pen.path(pts, smooth=len(pts) > 2, amp=0.25, w=w * r.uniform(0.9, 1.1))
        cx += size * advance
    return cx


# ---------------------------------------------------------------------------
# Reusable motifs.

def cloud(pen, cx, cy, w, h, bumps=None, fill=True):
    """A puffy cloud: a ring of round scallops, big on top, shallow below."""
    r = pen.rng
    n = bumps or max(6, int(w / 30))
    rx, ry = w / 2 * 0.86, h / 2 * 0.8
    a0 = r.uniform(0, 2 * math.pi / n)
    angles = [a0 + 2 * math.pi * (i + r.uniform(-0.2, 0.2)) / n for i in range(n)]
    corners = [(cx + rx * math.cos(a), cy + ry * math.sin(a)) for a in angles]
    pts = []
    for i in range(n):
        p, q = corners[i], corners[(i + 1) % n]
        mid_a = angles[i] + (((angles[(i + 1) % n] - angles[i]) % (2 * math.pi)) / 2)
        lower = math.sin(mid_a) > 0.35
        chord = math.dist(p, q)
        bulge = chord * (0.16 if lower else r.uniform(0.3, 0.42))
        # Outward normal of the chord (the ring runs clockwise on screen).
        dx, dy = q[0] - p[0], q[1] - p[1]
        nx, ny = dy / chord, -dx / chord
        steps = max(6, int(chord / 3))
        for k in range(steps):
            t = k / steps
            b = bulge * 2 * math.sqrt(t * (1 - t))
            pts.append((p[0] + dx * t + nx * b, p[1] + dy * t + ny * b))
    return pen.path(pts, closed=True, fill=fill, amp=0.5, spacing=6)


def bird(pen, x, y, s=1.0):
    """A little gull, two arcs."""
    pen.curve([(x - 9 * s, y - 2 * s), (x - 4 * s, y - 5 * s), (x, y)], amp=0.2, w=1.3)
    pen.curve([(x, y), (x + 4 * s, y - 5 * s), (x + 10 * s, y - 3 * s)], amp=0.2, w=1.3)


def tuft(pen, x, y, s=1.0):
    """Three short blades of grass, kept low so the walking band stays calm."""
    pen.seg(x - 3 * s, y, x - 5 * s, y - 4 * s, amp=0.1, w=1.2)
    pen.seg(x, y, x + 0.5 * s, y - 6 * s, amp=0.1, w=1.2)
    pen.seg(x + 3 * s, y, x + 6 * s, y - 4 * s, amp=0.1, w=1.2)


def hills(pen, ctrl, hatch=0, smooth=True, amp=0.9):
    """A silhouette of hills or ridges standing on the horizon."""
    base = HORIZON_Y - 2
    pts = pen.path(ctrl, smooth=smooth, amp=amp,
                   fill_extra=[(ctrl[-1][0], base), (ctrl[0][0], base)])
    return pts


def slope_hatch(pen, peak, length, count, side=1, spread=10):
    """A few short strokes down one flank of a peak, the cheap pen shading."""
    r = pen.rng
    px, py = peak
    for i in range(count):
        x0 = px + side * (6 + i * spread) + r.uniform(-2, 2)
        y0 = py + 12 + i * 6 + r.uniform(-3, 3)
        pen.seg(x0, y0, x0 + side * length * 0.35, y0 + length * r.uniform(0.8, 1.1),
                amp=0.2, w=1.15)


def ground(pen):
    """The front ground line across the whole width, in overlapping strokes."""
    r = pen.rng
    x = -20.0
    while x < WIDTH + 20:
        ln = r.uniform(300, 650)
        x1 = min(WIDTH + 20, x + ln)
        ys = GROUND_Y + r.uniform(-1.2, 1.2)
        ye = GROUND_Y + r.uniform(-1.2, 1.2)
        mid = (x + x1) / 2
        pen.path([(x, ys), (mid, (ys + ye) / 2 + r.uniform(-1.5, 1.5)), (x1, ye)],
                 smooth=True, amp=0.7, w=r.uniform(1.5, 1.8))
        if x1 >= WIDTH + 20:
            break
        x = x1 - r.uniform(8, 25)
    # Short horizontal dashes under the line give it a little body.
    x = 40.0
    while x < WIDTH - 40:
        x += r.uniform(90, 260)
        ln = r.uniform(12, 40)
        yy = GROUND_Y + r.uniform(3.5, 6.5)
        pen.seg(x, yy, x + ln, yy + r.uniform(-0.6, 0.6), amp=0.2, w=1.1)


def horizon(pen):
    r = pen.rng
    x = -20.0
    while x < WIDTH + 20:
        ln = r.uniform(400, 900)
        x1 = min(WIDTH + 20, x + ln)
        pen.path([(x, HORIZON_Y + r.uniform(-2, 2)), ((x + x1) / 2, HORIZON_Y + r.uniform(-3, 3)),
                  (x1, HORIZON_Y + r.uniform(-2, 2))], smooth=True, amp=0.8, w=1.3)
        if x1 >= WIDTH + 20:
            break
        x = x1 - r.uniform(5, 20)


# ---------------------------------------------------------------------------
# The scenes, left to right. Each draws back to front.

def farm(pen):
    """Rolling mountains, a smiling cloud, a barn and a paddock of animals."""
    r = pen.rng
    cloud(pen, 170, 95, 150, 55)
    # The smiling cloud: eyes shut in contentment, a wide grin, blush marks.
    cx, cy = 610, 130
    cloud(pen, cx, cy, 240, 100, bumps=9)
    pen.curve([(cx - 48, cy - 8), (cx - 38, cy - 16), (cx - 28, cy - 8)], amp=0.2, w=1.6)
    pen.curve([(cx + 22, cy - 8), (cx + 32, cy - 16), (cx + 42, cy - 8)], amp=0.2, w=1.6)
    pen.curve([(cx - 22, cy + 6), (cx - 4, cy + 22), (cx + 16, cy + 6)], amp=0.2, w=1.6)
    for bx in (cx - 62, cx + 50):
        for k in range(3):
            pen.seg(bx + k * 5, cy + 12, bx + k * 5 + 3, cy + 6, amp=0.1, w=1.1)
    bird(pen, 880, 200, 1.0)
    bird(pen, 905, 185, 0.8)

    hills(pen, [(-30, 430), (60, 360), (190, 318), (320, 360), (450, 300),
                (590, 350), (720, 296), (850, 340), (980, 318), (1080, 370), (1140, 440)])
    hills(pen, [(380, 452), (470, 405), (600, 416), (740, 388), (880, 420), (990, 400),
                (1080, 448)])
    for px, py in ((450, 300), (720, 296)):
        slope_hatch(pen, (px, py), 18, 3, side=1, spread=11)

    # Barn: a box with a gambrel roof, a big braced door and a hayloft.
    pen.path([(132, 350), (368, 350), (368, BASE_Y), (132, BASE_Y)], closed=True, fill=True, amp=0.7)
    pen.path([(118, 356), (150, 302), (250, 262), (350, 302), (382, 356), (250, 352)],
             closed=True, fill=True, amp=0.8)
    for k in range(1, 4):
        pen.seg(150 + k * 24, 304 - k * 10 + 2, 164 + k * 24, 308 - k * 10 + 2, amp=0.1, w=1.1)
    pen.path([(212, 398), (288, 398), (288, BASE_Y - 1), (212, BASE_Y - 1)], closed=True, amp=0.5)
    pen.seg(214, 400, 286, BASE_Y - 4, amp=0.3)
    pen.seg(286, 400, 214, BASE_Y - 4, amp=0.3)
    pen.seg(250, 399, 250, 455, amp=0.2, w=1.2)
    pen.path([(232, 298), (268, 298), (268, 332), (232, 332)], closed=True, amp=0.3)
    pen.seg(250, 299, 250, 331, amp=0.1, w=1.2)
    pen.seg(233, 315, 267, 315, amp=0.1, w=1.2)
    for yy in (370, 385):
        pen.seg(140, yy, 200, yy + r.uniform(-1, 1), amp=0.3, w=1.1)
        pen.seg(300, yy, 360, yy + r.uniform(-1, 1), amp=0.3, w=1.1)
    # Weather vane: a tiny rooster on a pin.
    pen.seg(250, 262, 250, 238, amp=0.1, w=1.2)
    pen.curve([(242, 240), (246, 232), (253, 234), (258, 229), (260, 236), (255, 241), (244, 241)],
              amp=0.1, w=1.2)
    pen.seg(243, 246, 257, 246, amp=0.1, w=1.1)

    # Animals in the paddock, drawn before the fence so the rails cross them.
    # Sheep: a woolly cloud on stick legs.
    pen.zoom = (467, 474, 1.45)
    for lx in (448, 458, 476, 486):
        pen.seg(lx, 448, lx + r.uniform(-1, 1), 474, amp=0.2, w=1.3)
    cloud(pen, 467, 436, 56, 30, bumps=8)
    pen.ellipse(500, 428, 9, 11, rot=0.4)
    pen.dot(503, 426, 1.3)
    pen.curve([(493, 420), (488, 417), (490, 424)], amp=0.1, w=1.2)
    # Pig: an oval with a curly tail and a button snout.
    pen.zoom = (592, 474, 1.4)
    for lx in (572, 582, 602, 612):
        pen.seg(lx, 458, lx, 474, amp=0.1, w=1.4)
    pen.ellipse(592, 446, 32, 19)
    pen.ellipse(626, 448, 5, 7)
    pen.dot(625, 446, 1.0)
    pen.dot(627, 450, 1.0)
    pen.dot(612, 439, 1.4)
    pen.path([(600, 432), (606, 420), (612, 431)], amp=0.2, w=1.3)
    pen.curve([(561, 442), (554, 438), (553, 432), (558, 431), (557, 436), (550, 438)], amp=0.1, w=1.2)
    pen.curve([(606, 452), (612, 456), (618, 452)], amp=0.1, w=1.2)
    # Hen: a plump teardrop with a comb, pecking the ground.
    pen.zoom = (705, 474, 1.5)
    pen.path([(686, 452), (698, 436), (712, 440), (716, 452), (704, 462), (690, 460)],
             smooth=True, closed=True, fill=True, amp=0.3)
    pen.curve([(700, 437), (701, 430), (705, 434), (707, 428), (710, 437)], amp=0.1, w=1.2)
    pen.path([(714, 444), (722, 447), (714, 449)], amp=0.1, w=1.2)
    pen.dot(708, 443, 1.1)
    pen.curve([(686, 452), (680, 444), (684, 440)], amp=0.1, w=1.2)
    pen.seg(698, 462, 697, 474, amp=0.1, w=1.2)
    pen.seg(705, 461, 707, 474, amp=0.1, w=1.2)
    # Cow: a boxy body with patches, horns and a long face.
    pen.zoom = (826, 474, 1.4)
    for lx in (788, 800, 834, 846):
        pen.seg(lx, 440, lx + r.uniform(-1.5, 1.5), 474, amp=0.3, w=1.4)
    pen.path([(780, 410), (850, 406), (856, 426), (850, 444), (782, 446), (776, 428)],
             smooth=True, closed=True, fill=True, amp=0.5)
    pen.path([(796, 414), (812, 412), (814, 426), (800, 428)], smooth=True, closed=True, amp=0.3)
    pen.path([(826, 428), (840, 430), (836, 440), (824, 438)], smooth=True, closed=True, amp=0.3)
    pen.path([(852, 398), (872, 400), (876, 424), (866, 432), (854, 426)], smooth=True,
             closed=True, fill=True, amp=0.3)
    pen.dot(864, 408, 1.3)
    pen.dot(868, 424, 1.0)
    pen.curve([(854, 400), (850, 392), (846, 390)], amp=0.1, w=1.3)
    pen.curve([(870, 399), (874, 392), (879, 390)], amp=0.1, w=1.3)
    pen.curve([(777, 420), (770, 432), (772, 446)], amp=0.2, w=1.2)

    pen.zoom = None
    # The paddock fence: low posts and two rails.
    posts = list(range(392, 960, 64))
    for px in posts:
        x = px + r.uniform(-3, 3)
        pen.path([(x - 4, 446), (x, 441), (x + 4, 446), (x + 4, 481), (x - 4, 481)], closed=True,
                 fill=True, amp=0.2, w=1.3)
    for yy in (454, 469):
        y0, y1 = yy + r.uniform(-1.5, 1.5), yy + r.uniform(-1.5, 1.5)
        pen.path([(posts[0] - 10, y0), (posts[-1] + 12, y1)], amp=0.6, w=1.5)
        pen.path([(posts[0] - 10, y0 + 4), (posts[-1] + 12, y1 + 4)], amp=0.6, w=1.2)
    for x in (60, 1000, 1060):
        tuft(pen, x, 486)


def ridges(pen):
    """Mountain ridges in two layers under drifting clouds."""
    r = pen.rng
    cloud(pen, 1130, 110, 170, 60)
    cloud(pen, 1420, 62, 120, 44)
    cloud(pen, 1690, 150, 210, 72)
    cloud(pen, 1950, 70, 110, 40)
    bird(pen, 1290, 210)
    bird(pen, 1318, 196, 0.8)
    bird(pen, 1560, 240, 0.9)
    back = [(1060, 440), (1120, 360), (1150, 372), (1210, 292), (1248, 330), (1290, 310),
            (1350, 384), (1400, 340), (1470, 268), (1510, 300), (1545, 288), (1610, 370),
            (1660, 330), (1720, 282), (1770, 320), (1820, 300), (1900, 380), (1960, 350),
            (2010, 400), (2060, 445)]
    hills(pen, back, smooth=False, amp=0.8)
    for pk in ((1210, 292), (1470, 268), (1720, 282)):
        slope_hatch(pen, pk, 20, 4, side=1)
        pen.path([(pk[0] - 14, pk[1] + 24), (pk[0] - 6, pk[1] + 30), (pk[0] + 2, pk[1] + 22),
                  (pk[0] + 10, pk[1] + 31), (pk[0] + 18, pk[1] + 26)], amp=0.2, w=1.2)
    front = [(1000, 452), (1080, 410), (1160, 384), (1240, 420), (1330, 380), (1420, 412),
             (1530, 372), (1620, 408), (1700, 392), (1790, 428), (1860, 400), (1950, 430),
             (2000, 452)]
    hills(pen, front, smooth=True, amp=0.8)
    # Two round bushes and a few tufts along the way.
    for bx in (1190, 1640):
        cloud(pen, bx, 470, 50, 24, bumps=6)
    for x in (1120, 1300, 1470, 1760, 1880):
        tuft(pen, x + r.uniform(-10, 10), 484)
    # A snail out for a walk.
    sx = 1830
    pen.curve([(sx - 14, 482), (sx + 8, 482), (sx + 14, 478), (sx + 13, 472)], amp=0.1, w=1.3)
    pen.curve([(sx - 12, 481), (sx - 14, 471), (sx - 4, 466), (sx + 4, 472), (sx, 477),
               (sx - 6, 474)], amp=0.1, w=1.3)
    pen.seg(sx + 12, 472, sx + 15, 464, amp=0.05, w=1.1)
    pen.seg(sx + 14, 473, sx + 19, 466, amp=0.05, w=1.1)


def palm(pen, bx, by, tx, ty):
    """A palm: a bending trunk with ring marks and drooping fronds."""
    r = pen.rng
    mx = (bx + tx) / 2 + (by - ty) * 0.08
    left = [(bx - 7, by), (mx - 5, (by + ty) / 2), (tx - 3, ty)]
    right = [(bx + 7, by), (mx + 5, (by + ty) / 2), (tx + 3, ty)]
    pen.path(left + right[::-1], smooth=False, fill=True, stroke=False, amp=0.2)
    lp = catmull_rom(left)
    rp = catmull_rom(right)
    pen.path(left, smooth=True, amp=0.4)
    pen.path(right, smooth=True, amp=0.4)
    n = min(len(lp), len(rp))
    for i in range(4, n - 2, 5):
        a, b = lp[int(i * len(lp) / n)], rp[int(i * len(rp) / n)]
        m = ((a[0] + b[0]) / 2, (a[1] + b[1]) / 2 + 3)
        pen.path([a, m, b], amp=0.1, w=1.1)
    for d in (-1.0, -0.72, -0.4, -0.12, 0.2, 0.55, 0.85, 1.05):
        d += r.uniform(-0.06, 0.06)
        ln = r.uniform(50, 70) * (0.75 if abs(d) < 0.3 else 1.0)
        ad = min(1.0, abs(d))
        end = (tx + d * ln, ty - ln * 0.45 * (1 - ad) + ln * 0.42 * ad)
        mid = (tx + d * ln * 0.5, ty - ln * (0.22 + 0.25 * (1 - ad)))
        spine = pen.path([(tx, ty), mid, end], smooth=True, amp=0.3, w=1.4)
        side = 1 if d >= 0 else -1
        for i in range(3, len(spine) - 1, 3):
            x, y = spine[i]
            frac = i / len(spine)
            lk = 9 * (1 - 0.5 * frac)
            pen.seg(x, y, x + side * lk * 0.45, y + lk, amp=0.05, w=1.1)
    for k in range(3):
        pen.ellipse(tx - 6 + k * 6, ty + 7 + (k % 2) * 3, 3.5, 3.5)


def pyramid(pen, x0, x1, apex, base=BASE_Y - 6):
    ax, ay = apex
    pen.path([(x0, base), (ax, ay), (x1, base)], fill_extra=[(x1, base), (x0, base)], amp=0.6)
    ex = ax + (x1 - ax) * 0.3
    pen.seg(ax, ay, ex, base, amp=0.5, w=1.3)
    for k in range(1, 6):
        t = k / 6
        y = ay + (base - ay) * t
        xa = ax + (ex - ax) * t
        xb = ax + (x1 - ax) * t
        pen.seg(xa + 2, y, xb - 2, y + 1, amp=0.2, w=1.1)


def desert(pen):
    """The oasis with its palms, a domed palace between two pyramids, a camel,
    then a pagoda on a rock."""
    r = pen.rng
    cloud(pen, 2120, 90, 140, 50)
    cloud(pen, 2520, 140, 180, 60)
    cloud(pen, 2860, 80, 130, 46)
    bird(pen, 2380, 210)
    # Dunes on the horizon.
    hills(pen, [(2000, 452), (2100, 430), (2230, 440), (2380, 418), (2520, 436), (2700, 424),
                (2840, 444), (2880, 455)], amp=0.8)
    # The oasis: a flat pond with reeds and palms.
    palm(pen, 2060, 470, 2042, 300)
    palm(pen, 2246, 468, 2280, 330)
    pen.ellipse(2150, 476, 112, 11, fill=True, amp=0.5)
    for k in range(5):
        x = 2070 + k * 34 + r.uniform(-6, 6)
        pen.curve([(x, 476 + r.uniform(-3, 3)), (x + 8, 474), (x + 16, 476)], amp=0.1, w=1.1)
    palm(pen, 2188, 466, 2214, 284)
    for x in (2036, 2262):
        pen.curve([(x, 478), (x - 2, 468), (x - 6, 462)], amp=0.1, w=1.2)
        pen.curve([(x + 3, 478), (x + 4, 466), (x + 8, 460)], amp=0.1, w=1.2)

    pyramid(pen, 2288, 2452, (2368, 334))
    pyramid(pen, 2650, 2836, (2742, 322))
    # The palace: a long hall, two slim towers and a big onion dome.
    for tx in (2478, 2622):
        pen.path([(tx - 8, 330), (tx + 8, 330), (tx + 8, 474), (tx - 8, 474)], closed=True,
                 fill=True, amp=0.4)
        pen.path([(tx - 10, 331), (tx - 7, 318), (tx, 305), (tx + 7, 318), (tx + 10, 331)],
                 smooth=True, fill=True, amp=0.3, fill_extra=[(tx - 10, 331)])
        pen.seg(tx, 305, tx, 294, amp=0.05, w=1.2)
        pen.path([(tx - 3, 350), (tx - 3, 342), (tx, 338), (tx + 3, 342), (tx + 3, 350)], amp=0.1, w=1.1)
    pen.path([(2488, 392), (2612, 392), (2612, 474), (2488, 474)], closed=True, fill=True, amp=0.6)
    pen.path([(2508, 393), (2508, 380), (2592, 380), (2592, 393)], fill=True, amp=0.4,
             fill_extra=[(2508, 393)])
    pen.path([(2512, 381), (2504, 352), (2518, 318), (2540, 296), (2550, 278),
              (2560, 296), (2582, 318), (2596, 352), (2588, 381)], smooth=True, fill=True,
             amp=0.5, fill_extra=[(2512, 381)])
    pen.seg(2550, 279, 2550, 262, amp=0.05, w=1.3)
    pen.ellipse(2550, 260, 3, 3)
    pen.curve([(2520, 360), (2550, 366), (2580, 360)], amp=0.2, w=1.1)
    # Arched door and windows.
    pen.path([(2536, 474), (2536, 440), (2550, 426), (2564, 440), (2564, 474)], smooth=True, amp=0.3)
    for wx in (2506, 2522, 2578, 2594):
        pen.path([(wx - 5, 432), (wx - 5, 418), (wx, 411), (wx + 5, 418), (wx + 5, 432)],
                 smooth=True, closed=True, amp=0.2, w=1.2)
    pen.seg(2490, 402, 2610, 402, amp=0.4, w=1.1)

    # Camel, in front of the second pyramid.
    cx = 2700
    for lx, lean in ((cx + 8, -2), (cx + 20, 3), (cx + 52, -3), (cx + 64, 2)):
        pen.path([(lx, 432), (lx + lean, 454), (lx + lean * 0.5, 476), (lx + lean + 4, 477)],
                 amp=0.2, w=1.4)
    pen.path([(cx, 430), (cx + 4, 416), (cx + 18, 400), (cx + 30, 414), (cx + 42, 400),
              (cx + 56, 414), (cx + 68, 420), (cx + 76, 404), (cx + 80, 386), (cx + 90, 384),
              (cx + 96, 390), (cx + 88, 394), (cx + 85, 410), (cx + 78, 428), (cx + 66, 436),
              (cx + 40, 440), (cx + 10, 438)], smooth=True, closed=True, fill=True, amp=0.4)
    pen.dot(cx + 88, 388, 1.2)
    pen.curve([(cx + 2, 424), (cx - 6, 430), (cx - 7, 440)], amp=0.1, w=1.2)
    pen.path([(cx + 28, 400), (cx + 40, 396), (cx + 48, 404)], smooth=True, amp=0.1, w=1.1)

    # A rock with a three-tier pagoda on it.
    pen.path([(2848, 478), (2852, 440), (2866, 420), (2890, 407), (2950, 405), (2972, 414),
              (2986, 438), (2992, 478)], smooth=True, fill=True, amp=0.7,
             fill_extra=[(2992, 482), (2848, 482)])
    for a, b in (((2870, 430), (2884, 446)), ((2960, 424), (2952, 444)), ((2900, 440), (2920, 452))):
        pen.path([a, ((a[0] + b[0]) / 2 + 3, (a[1] + b[1]) / 2), b], amp=0.2, w=1.1)
    tiers = [(380, 405, 30, 52), (345, 365, 23, 42), (312, 332, 17, 35)]
    px = 2920
    for top, bottom, half, roof in tiers:
        pen.path([(px - half, top), (px + half, top), (px + half, bottom), (px - half, bottom)],
                 closed=True, fill=True, amp=0.3)
        for k in range(1, 3):
            xx = px - half + k * 2 * half / 3
            pen.seg(xx, top + 5, xx, bottom - 2, amp=0.05, w=1.1)
        pen.path([(px - roof - 6, top - 8), (px - roof, top), (px + roof, top), (px + roof + 6, top - 8),
                  (px + roof - 10, top - 6), (px, top - 18), (px - roof + 10, top - 6)],
                 smooth=True, closed=True, fill=True, amp=0.3)
    pen.seg(px, 294, px, 262, amp=0.05, w=1.3)
    for k in range(3):
        pen.seg(px - 5 + k, 288 - k * 7, px + 5 - k, 288 - k * 7, amp=0.05, w=1.2)


def pine(pen, x, base, h):
    """A small pointed pine: a zigzag cone on a stub of trunk."""
    half = h * 0.32
    pts = [(x - half, base - 6)]
    for k in range(1, 3):
        t = k / 3
        pts += [(x - half * (1 - t) - 3, base - 6 - h * t + 6), (x - half * (1 - t) + 2, base - 6 - h * t)]
    pts.append((x, base - h))
    for k in range(2, 0, -1):
        t = k / 3
        pts += [(x + half * (1 - t) - 2, base - 6 - h * t), (x + half * (1 - t) + 3, base - 6 - h * t + 6)]
    pts.append((x + half, base - 6))
    pen.path(pts, closed=True, fill=True, amp=0.2, w=1.25)
    pen.seg(x, base - 6, x, base, amp=0.05, w=1.2)


def sunrise_town(pen):
    """A sleepy sun rising behind a snow-capped ridge, block houses and a
    noodle-shop signboard."""
    r = pen.rng
    cloud(pen, 3070, 110, 130, 48)
    cloud(pen, 3620, 90, 190, 62)
    cloud(pen, 3900, 170, 120, 44)
    sx, sy, sr = 3250, 296, 52
    for k in range(13):
        a = math.pi * (1.05 + k * 0.075)
        r0, r1 = sr + 12, sr + r.uniform(30, 42)
        pen.seg(sx + math.cos(a) * r0, sy + math.sin(a) * r0, sx + math.cos(a) * r1,
                sy + math.sin(a) * r1, amp=0.3, w=1.4)
    pen.ellipse(sx, sy, sr, sr)
    pen.curve([(sx - 26, sy - 14), (sx - 18, sy - 10), (sx - 10, sy - 14)], amp=0.1, w=1.5)
    pen.curve([(sx + 10, sy - 14), (sx + 18, sy - 10), (sx + 26, sy - 14)], amp=0.1, w=1.5)
    pen.curve([(sx - 8, sy + 4), (sx, sy + 10), (sx + 8, sy + 4)], amp=0.1, w=1.3)
    ridge = [(2990, 452), (3040, 396), (3092, 330), (3122, 350), (3152, 306), (3196, 352),
             (3240, 338), (3284, 350), (3334, 298), (3372, 332), (3404, 316), (3452, 382),
             (3510, 452)]
    hills(pen, ridge, smooth=False, amp=0.6)
    for peak, l, rr in (((3152, 306), 22, 26), ((3334, 298), 26, 30), ((3092, 330), 14, 16)):
        px, py = peak
        pts = [(px - l, py + l * 0.9)]
        n = 5
        for k in range(1, n):
            t = k / n
            pts.append((px - l + (l + rr) * t, py + l * 0.9 + (8 if k % 2 else -2)))
        pts.append((px + rr, py + rr * 0.9))
        pen.path(pts, amp=0.2, w=1.2)
    slope_hatch(pen, (3334, 298), 16, 3, side=1, spread=9)
    # A little pine wood at the foot of the ridge.
    x = 3030.0
    while x < 3470:
        h = r.uniform(26, 44)
        pine(pen, x, 474 + r.uniform(-3, 3), h)
        x += r.uniform(16, 40)

    # The row of block houses.
    houses = [(3500, 56, 338), (3560, 48, 374), (3612, 62, 352), (3678, 44, 392),
              (3726, 66, 334), (3796, 52, 366)]
    for i, (hx, hw, top) in enumerate(houses):
        pen.path([(hx, top), (hx + hw, top), (hx + hw, BASE_Y), (hx, BASE_Y)], closed=True,
                 fill=True, amp=0.5)
        pen.seg(hx - 3, top + 1, hx + hw + 3, top - 1, amp=0.2, w=1.3)
        rows = int((BASE_Y - top - 40) / 22)
        cols = 2 if hw < 55 else 3
        for row in range(rows):
            for col in range(cols):
                wx = hx + 8 + col * (hw - 16) / cols + (hw - 16) / cols / 2 - 5
                wy = top + 12 + row * 22
                pen.path([(wx, wy), (wx + 10, wy), (wx + 10, wy + 11), (wx, wy + 11)],
                         closed=True, amp=0.15, w=1.15)
                if (row + col + i) % 3 == 0:
                    pen.seg(wx + 2, wy + 2, wx + 3, wy + 9, amp=0.05, w=1.0)
        dx = hx + hw / 2 - 7
        pen.path([(dx, BASE_Y), (dx, BASE_Y - 24), (dx + 14, BASE_Y - 24), (dx + 14, BASE_Y)],
                 amp=0.2, w=1.2)
    # Roof clutter: an antenna, a water tank, a washing line.
    pen.seg(3520, 338, 3520, 312, amp=0.1, w=1.2)
    pen.seg(3510, 318, 3530, 316, amp=0.1, w=1.2)
    pen.seg(3513, 325, 3527, 324, amp=0.1, w=1.2)
    pen.path([(3740, 334), (3740, 318), (3762, 318), (3762, 334)], amp=0.2, w=1.2)
    pen.ellipse(3751, 318, 11, 3)
    pen.curve([(3612, 352), (3634, 358), (3658, 354), (3674, 352)], amp=0.1, w=1.0)
    for k, (wx, ww) in enumerate(((3622, 8), (3640, 10))):
        pen.path([(wx, 356), (wx, 366), (wx + ww, 366), (wx + ww, 357)], amp=0.1, w=1.1)

    # Signboard of a noodle shop: lettering and a steaming bowl.
    bx0, bx1, by0, by1 = 3874, 3996, 306, 402
    for px in (3892, 3978):
        pen.path([(px - 3, by1), (px + 3, by1), (px + 3, BASE_Y), (px - 3, BASE_Y)], closed=True,
                 fill=True, amp=0.2, w=1.3)
    pen.path([(bx0, by0), (bx1, by0), (bx1, by1), (bx0, by1)], closed=True, fill=True, amp=0.5)
    pen.path([(bx0 + 4, by0 + 4), (bx1 - 4, by0 + 4), (bx1 - 4, by1 - 4), (bx0 + 4, by1 - 4)],
             closed=True, amp=0.3, w=1.1)
    letter(pen, "ラーメン", bx0 + 12, by0 + 11, 23, w=2.0, advance=1.05)
    cx, cy = 3935, 372
    pen.path([(cx - 24, cy), (cx - 18, cy + 14), (cx - 8, cy + 20), (cx + 8, cy + 20),
              (cx + 18, cy + 14), (cx + 24, cy)], smooth=True, amp=0.2, w=1.5)
    pen.seg(cx - 26, cy, cx + 26, cy, amp=0.1, w=1.5)
    pen.seg(cx - 6, cy + 22, cx + 6, cy + 22, amp=0.05, w=1.3)
    pen.seg(cx + 8, cy - 4, cx + 34, cy - 22, amp=0.05, w=1.3)
    pen.seg(cx + 13, cy - 3, cx + 36, cy - 17, amp=0.05, w=1.3)
    for k in range(3):
        x = cx - 14 + k * 10
        pen.curve([(x, cy - 5), (x - 3, cy - 10), (x + 2, cy - 15), (x - 1, cy - 20)], amp=0.1, w=1.1)


def saucer_hill(pen):
    """Clouds with a flying saucer, a cat signboard and a big mountain."""
    r = pen.rng
    cloud(pen, 4070, 86, 150, 54)
    cloud(pen, 4340, 176, 190, 62)
    cloud(pen, 4590, 70, 140, 50)
    cloud(pen, 4850, 150, 120, 44)
    # The saucer, tilted, with a little passenger and speed lines.
    sx, sy, tilt = 4215, 118, -0.12
    for k in range(3):
        y = sy - 6 + k * 8
        pen.seg(sx - 112 + k * 8, y + 10, sx - 70 + k * 4, y + 5, amp=0.2, w=1.2)
    pen.ellipse(sx, sy - 12, 24, 20, rot=tilt)
    pen.ellipse(sx - 3, sy - 16, 6, 7, rot=tilt)
    pen.dot(sx - 5, sy - 17, 1.1)
    pen.dot(sx, sy - 18, 1.1)
    pen.seg(sx - 6, sy - 23, sx - 10, sy - 31, amp=0.05, w=1.0)
    pen.seg(sx + 1, sy - 23, sx + 4, sy - 31, amp=0.05, w=1.0)
    pen.ellipse(sx, sy + 2, 58, 13, rot=tilt)
    pen.ellipse(sx, sy + 2, 34, 6, rot=tilt, fill=False, amp=0.2)
    for k in range(-2, 3):
        pen.ellipse(sx + k * 22, sy + 4 - k * 22 * math.tan(-tilt) + 5 - abs(k) * 1.5, 3, 3)
    pen.curve([(sx - 20, sy + 26), (sx - 25, sy + 34)], amp=0.05, w=1.0)
    pen.curve([(sx + 16, sy + 22), (sx + 22, sy + 30)], amp=0.05, w=1.0)

    hills(pen, [(3990, 452), (4080, 428), (4180, 436), (4300, 414), (4420, 440), (4460, 452)])
    # The big mountain with a zigzag path and a flag on top.
    mt = [(4370, 452), (4430, 410), (4500, 350), (4560, 300), (4610, 262), (4652, 236),
          (4690, 258), (4720, 252), (4780, 308), (4840, 370), (4900, 420), (4950, 452)]
    hills(pen, mt, smooth=True, amp=0.9)
    pen.path([(4604, 270), (4618, 282), (4630, 274), (4642, 286), (4656, 276), (4670, 290),
              (4684, 278), (4700, 288), (4716, 276), (4728, 268)], amp=0.2, w=1.2)
    slope_hatch(pen, (4720, 252), 22, 5, side=1, spread=12)
    pen.seg(4652, 236, 4652, 212, amp=0.05, w=1.2)
    pen.path([(4652, 212), (4668, 217), (4652, 222)], amp=0.1, w=1.2)
    # A switchback trail up the near flank, in a few broken strokes.
    trail = [(4540, 450), (4700, 430), (4600, 410), (4690, 390), (4620, 372), (4680, 352),
             (4636, 336), (4668, 318)]
    for a, b in zip(trail, trail[1:]):
        pen.curve([a, ((a[0] + b[0]) / 2, (a[1] + b[1]) / 2 + 2), (b[0] + (a[0] - b[0]) * 0.06,
                   b[1] + (a[1] - b[1]) * 0.06)], amp=0.3, w=1.1)
    # Bushes and a lone tree on the way to the mountain.
    for bx in (4270, 4330):
        cloud(pen, bx, 472, 46, 22, bumps=6)
    pen.seg(4396, BASE_Y, 4397, 428, amp=0.2, w=1.3)
    pen.seg(4403, BASE_Y, 4402, 428, amp=0.2, w=1.3)
    cloud(pen, 4400, 404, 50, 56, bumps=7)

    # Signboard with a cat doodle and its meow.
    bx0, bx1, by0, by1 = 4050, 4230, 344, 418
    pen.path([(4137, by1), (4143, by1), (4143, BASE_Y), (4137, BASE_Y)], closed=True,
             fill=True, amp=0.2, w=1.3)
    pen.path([(bx0, by0 + 2), (bx1, by0), (bx1 + 1, by1), (bx0 - 1, by1 + 1)], closed=True,
             fill=True, amp=0.5)
    cx, cy = 4084, 384
    pen.path([(cx - 16, cy + 2), (cx - 16, cy - 12), (cx - 14, cy - 22), (cx - 6, cy - 14),
              (cx + 6, cy - 14), (cx + 14, cy - 22), (cx + 16, cy - 12), (cx + 16, cy + 2),
              (cx + 8, cy + 14), (cx - 8, cy + 14)], smooth=True, closed=True, amp=0.2, w=1.4)
    pen.curve([(cx - 10, cy - 3), (cx - 7, cy - 5), (cx - 4, cy - 3)], amp=0.05, w=1.3)
    pen.curve([(cx + 4, cy - 3), (cx + 7, cy - 5), (cx + 10, cy - 3)], amp=0.05, w=1.3)
    pen.curve([(cx - 4, cy + 4), (cx - 2, cy + 7), (cx, cy + 4), (cx + 2, cy + 7), (cx + 4, cy + 4)],
              amp=0.05, w=1.2)
    for side in (-1, 1):
        for k in (-1, 1):
            pen.seg(cx + side * 9, cy + 3 + k * 2, cx + side * 24, cy + 1 + k * 5, amp=0.05, w=1.0)
    letter(pen, "ニャー!", 4110, 364, 30, w=2.2, advance=0.82)


def spire(pen, x, top, half, base=HORIZON_Y + 6):
    """One tall jagged rock spire with a couple of cracks."""
    r = pen.rng
    n = max(4, int((base - top) / 28))
    left, right = [], []
    for k in range(n + 1):
        t = k / n
        y = base - (base - top) * t
        wk = half * (1 - 0.82 * t) * r.uniform(0.85, 1.15)
        jag = r.uniform(-5, 5)
        left.append((x - wk + jag, y))
        right.append((x + wk + r.uniform(-5, 5), y + r.uniform(-6, 6)))
    tipx = x + r.uniform(-6, 6)
    pts = left + [(tipx, top - r.uniform(6, 16))] + right[::-1]
    pen.path(pts, amp=0.5, fill_extra=[(right[0][0], base + 8), (left[0][0], base + 8)])
    for _ in range(r.randint(1, 3)):
        cy0 = r.uniform(top + 20, min(base - 40, top + 120))
        cx0 = x + r.uniform(-half * 0.4, half * 0.4)
        pts = [(cx0, cy0)]
        for k in range(3):
            pts.append((pts[-1][0] + r.uniform(-5, 5), pts[-1][1] + r.uniform(8, 14)))
        pen.path(pts, amp=0.2, w=1.1)
    for _ in range(r.randint(0, 2)):
        yy = r.uniform(top + 40, base - 30)
        t = (base - yy) / (base - top)
        wk = half * (1 - 0.82 * t)
        pen.seg(x - wk * 0.7, yy, x - wk * 0.1, yy + r.uniform(-2, 2), amp=0.2, w=1.0)


def bat(pen, x, y, s, flap):
    """A small round winged critter, wings up or down."""
    r = pen.rng
    if flap:
        wing = [(7, -2), (20, -12), (34, -16), (29, -6), (22, -3), (15, 2), (7, 4)]
    else:
        wing = [(7, -2), (18, -3), (31, 14), (24, 9), (18, 11), (12, 6), (7, 4)]
    for side in (-1, 1):
        pen.path([(x + side * wx * s, y + wy * s) for wx, wy in wing], amp=0.15, w=1.3)
    pen.ellipse(x, y + 1 * s, 8 * s, 9 * s)
    pen.path([(x - 6 * s, y - 5 * s), (x - 5 * s, y - 13 * s), (x - 2 * s, y - 7 * s)], amp=0.05, w=1.2)
    pen.path([(x + 2 * s, y - 7 * s), (x + 5 * s, y - 13 * s), (x + 6 * s, y - 5 * s)], amp=0.05, w=1.2)
    pen.dot(x - 3 * s, y - 1 * s, 1.2)
    pen.dot(x + 3 * s, y - 1 * s, 1.2)
    pen.curve([(x - 2 * s, y + 4 * s), (x, y + 5.5 * s), (x + 2 * s, y + 4 * s)], amp=0.02, w=1.0)
    del r


def spires(pen):
    """A long range of jagged rock spires, a bear and a mushroom at their foot,
    winged critters overhead."""
    r = pen.rng
    for cx, cy, w, h in ((5060, 120, 150, 50), (5420, 70, 120, 44), (5800, 140, 190, 64),
                         (6150, 80, 140, 50), (6420, 170, 110, 40)):
        cloud(pen, cx, cy, w, h)
    for x, y, s, f in ((5150, 200, 1.0, True), (5230, 170, 0.8, False), (5620, 110, 1.1, False),
                       (5980, 215, 0.9, True), (6300, 120, 1.0, True), (6360, 150, 0.7, False)):
        bat(pen, x, y, s, f)
    x = 4930.0
    while x < 6480:
        pen_top = r.uniform(258, 320)
        spire(pen, x, pen_top, r.uniform(24, 40))
        x += r.uniform(48, 82)
    x = 4960.0
    while x < 6470:
        spire(pen, x, r.uniform(340, 400), r.uniform(20, 34), base=HORIZON_Y + 10)
        x += r.uniform(90, 170)
    # Rubble at the foot, low and flat.
    for _ in range(14):
        px = r.uniform(4950, 6480)
        pen.ellipse(px, r.uniform(472, 482), r.uniform(4, 9), r.uniform(2, 3.5))

    # The bear: round ears, round tummy, waving paw.
    bx, by = 5440, BASE_Y + 2
    pen.zoom = (bx, by, 1.3)
    pen.seg(bx - 8, by - 14, bx - 9, by, amp=0.1, w=1.4)
    pen.seg(bx + 8, by - 14, bx + 9, by, amp=0.1, w=1.4)
    pen.ellipse(bx, by - 24, 16, 16)
    pen.ellipse(bx, by - 22, 8, 9, fill=False, amp=0.1)
    pen.path([(bx + 12, by - 30), (bx + 22, by - 40), (bx + 26, by - 46)], smooth=True, amp=0.1, w=1.4)
    pen.path([(bx - 12, by - 30), (bx - 20, by - 22)], amp=0.1, w=1.4)
    pen.ellipse(bx - 11, by - 60, 5, 5)
    pen.ellipse(bx + 11, by - 60, 5, 5)
    pen.ellipse(bx, by - 50, 14, 13)
    pen.dot(bx - 5, by - 53, 1.4)
    pen.dot(bx + 5, by - 53, 1.4)
    pen.ellipse(bx, by - 46, 4, 3, fill=False, amp=0.05)
    pen.dot(bx, by - 47, 1.2)
    pen.zoom = None
    # The mushroom: spotted cap on a stout stem.
    mx, my = 5500, BASE_Y + 2
    pen.path([(mx - 7, my), (mx - 6, my - 22), (mx + 6, my - 22), (mx + 7, my)], smooth=True,
             closed=True, fill=True, amp=0.15)
    pen.path([(mx - 22, my - 20), (mx - 18, my - 34), (mx, my - 42), (mx + 18, my - 34),
              (mx + 22, my - 20), (mx, my - 22)], smooth=True, closed=True, fill=True, amp=0.2)
    for ox, oy, rr in ((-10, -30, 3.5), (4, -35, 3), (12, -26, 3)):
        pen.ellipse(mx + ox, my + oy, rr, rr * 0.8, fill=False, amp=0.05)
    for x in (5380, 5530, 5560):
        tuft(pen, x, 485, 0.8)


def volcano_plain(pen):
    """A smoking volcano, then a flat plain strewn with pebbles."""
    r = pen.rng
    cloud(pen, 6560, 90, 130, 48)
    cloud(pen, 7150, 120, 200, 66)
    cloud(pen, 7420, 70, 130, 46)
    bird(pen, 7280, 230)
    bird(pen, 7305, 215, 0.8)
    # Smoke rising and drifting right, puffs getting bigger.
    puffs = [(6985, 70, 64), (6920, 112, 54), (6868, 158, 44), (6828, 200, 36), (6800, 236, 28),
             (6786, 264, 20), (6782, 284, 12)]
    for px, py, rr in puffs:
        cloud(pen, px + r.uniform(-4, 4), py, rr * 2.2, rr * 1.5, bumps=6)
    left = [(6500, 452), (6600, 422), (6680, 370), (6730, 320), (6748, 296)]
    right = [(6818, 298), (6840, 326), (6900, 380), (6990, 428), (7080, 452)]
    pen.path(left, smooth=True, amp=0.7, fill_extra=[(6780, 300), (6818, 298), (7080, 452), (7080, HORIZON_Y - 2), (6500, HORIZON_Y - 2)])
    pen.path(right, smooth=True, amp=0.7)
    pen.ellipse(6783, 298, 35, 6, fill=False, amp=0.3)
    for k, (a, b) in enumerate((((6760, 305), (6722, 372)), ((6778, 306), (6772, 360)),
                                ((6800, 305), (6842, 362)))):
        m = ((a[0] + b[0]) / 2 + (4 if k % 2 else -4), (a[1] + b[1]) / 2)
        pen.path([a, m, b], smooth=True, amp=0.3, w=1.2)
    slope_hatch(pen, (6830, 300), 24, 5, side=1, spread=14)
    for k in range(4):
        x = 6740 + r.uniform(-20, 60)
        pen.seg(x, 286 - k * 6, x + r.uniform(-6, 6), 280 - k * 6, amp=0.05, w=1.1)
    # The plain: a few boulders, then pebbles, flat and small, and low tufts.
    for bx, bw, bh in ((7130, 34, 20), (7162, 18, 11), (7310, 26, 16), (7440, 40, 24)):
        pen.path([(bx - bw / 2, 470), (bx - bw / 2 + 3, 470 - bh * 0.7), (bx - bw * 0.1, 470 - bh),
                  (bx + bw * 0.3, 470 - bh * 0.9), (bx + bw / 2, 470 - bh * 0.3), (bx + bw / 2 - 2, 470)],
                 smooth=True, fill=True, amp=0.3, fill_extra=[(bx - bw / 2, 470)])
        pen.seg(bx - bw * 0.2, 470 - bh * 0.6, bx + bw * 0.05, 470 - bh * 0.45, amp=0.05, w=1.1)
    for _ in range(60):
        px = r.uniform(6990, 7520)
        py = r.uniform(462, 487)
        rx = r.uniform(2.5, 8)
        pen.ellipse(px, py, rx, rx * r.uniform(0.35, 0.6), rot=r.uniform(-0.2, 0.2))
    for x in (7060, 7200, 7330, 7460):
        tuft(pen, x + r.uniform(-10, 10), 470, 0.7)


def homestead(pen):
    """A big parasol tree, a small tree and a house with a smoking chimney."""
    r = pen.rng
    cloud(pen, 7620, 110, 150, 52)
    cloud(pen, 7900, 70, 110, 42)
    # Chimney smoke curls, up into the sky.
    for k in range(4):
        cx, cy = 7962 + k * 7, 300 - k * 22
        pen.ellipse(cx, cy, 6 + k * 2, 5 + k * 1.5, fill=False, amp=0.1, start=0.5, sweep=5.4)
    # Parasol tree: a slim trunk, spreading branches, a wide flat crown.
    tx = 7640
    pen.path([(tx - 8, BASE_Y), (tx - 6, 420), (tx - 4, 360), (tx - 2, 332)], smooth=True, amp=0.4,
             fill_extra=[(tx + 2, 332), (tx + 7, BASE_Y)])
    pen.path([(tx + 8, BASE_Y), (tx + 5, 420), (tx + 4, 360), (tx + 3, 332)], smooth=True, amp=0.4)
    for ex, ey in ((7580, 326), (7610, 322), (7680, 322), (7712, 328)):
        pen.curve([(tx, 366), ((tx + ex) / 2, 344), (ex, ey)], amp=0.2, w=1.3)
    crown = [(7500, 330), (7520, 300), (7560, 278), (7610, 262), (7660, 258), (7710, 266),
             (7752, 284), (7782, 312), (7786, 330), (7740, 336), (7700, 330), (7660, 338),
             (7620, 330), (7580, 338), (7540, 332)]
    pen.path(crown, smooth=True, closed=True, fill=True, amp=0.8)
    for _ in range(9):
        x = r.uniform(7535, 7750)
        y = r.uniform(285, 318)
        pen.curve([(x, y), (x + 5, y - 3), (x + 10, y)], amp=0.05, w=1.1)
    # Small round tree.
    pen.seg(7796, BASE_Y, 7797, 432, amp=0.2, w=1.4)
    pen.seg(7804, BASE_Y, 7803, 432, amp=0.2, w=1.4)
    cloud(pen, 7800, 410, 58, 50, bumps=7)
    # The house.
    pen.path([(7850, 386), (7978, 386), (7978, BASE_Y), (7850, BASE_Y)], closed=True, fill=True, amp=0.5)
    pen.path([(7944, 346), (7944, 314), (7962, 314), (7962, 332)], fill=True, amp=0.2,
             fill_extra=[(7944, 346)])
    pen.seg(7940, 314, 7966, 313, amp=0.1, w=1.3)
    pen.path([(7836, 390), (7914, 322), (7992, 390)], amp=0.5, fill_extra=[(7836, 390)])
    pen.path([(7870, BASE_Y), (7870, 428), (7894, 428), (7894, BASE_Y)], amp=0.2)
    pen.dot(7889, 454, 1.3)
    pen.path([(7918, 408), (7954, 408), (7954, 438), (7918, 438)], closed=True, amp=0.2)
    pen.seg(7936, 409, 7936, 437, amp=0.05, w=1.2)
    pen.seg(7919, 423, 7953, 423, amp=0.05, w=1.2)
    pen.ellipse(7914, 360, 9, 9)
    pen.seg(7914, 352, 7914, 368, amp=0.05, w=1.1)
    pen.seg(7906, 360, 7922, 360, amp=0.05, w=1.1)
    # Flowers by the door.
    for fx in (7858, 7906, 7966):
        pen.seg(fx, BASE_Y - 1, fx, 470, amp=0.05, w=1.1)
        pen.ellipse(fx, 466, 3, 3, fill=False, amp=0.05)


def draw_scenes(pen):
    for fn in (farm, ridges, desert, sunrise_town, saucer_hill, spires, volcano_plain, homestead):
        pen.scene(fn.__name__)
        fn(pen)
        pen.end()


def build():
    pen = Pen()
    pen.scene("horizon")
    horizon(pen)
    pen.end()
    draw_scenes(pen)
    pen.scene("ground")
    ground(pen)
    pen.end()
    return pen.svg(WIDTH, HEIGHT, title="Skelvar background panorama")


def main():
    root = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
        root, "assets", "src", "pictures", "imgBack.svg")
    with open(out, "w", encoding="utf-8") as f:
        f.write(build())


if __name__ == "__main__":
    main()
