"""A thin-pen sketching helper that writes SVG drawings meant to be rasterised 1:1 without
antialiasing (shape-rendering crispEdges), so every pixel comes out as exactly one of the
drawing's colours.

Shapes are given in pixel coordinates. Points pass through the current transform and then get
a small, seeded wobble, so the lines look drawn by hand rather than by a ruler while every run
of the generator writes the same file.
"""

import math
import random

INK = "#000000"
BODY = "#fff0ff"  # the pale pink that fills bodies
PAPER = "#ffffff"  # white, the see-through key colour in the game
RED = "#ff0000"
BLUE = "#4000ff"


def _fmt(v):
    s = f"{v:.2f}".rstrip("0").rstrip(".")
    return "0" if s in ("-0", "") else s


class Drawing:
    def __init__(self, width, height, seed, wobble=0.3):
        self.width = width
        self.height = height
        self.rng = random.Random(seed)
        self.wobble = wobble
        self.items = []
        self.stack = [(1.0, 0.0, 0.0, 1.0, 0.0, 0.0)]
        self.extent = [math.inf, math.inf, -math.inf, -math.inf]  # of every pen point drawn

    def reseed(self, seed):
        """Restart the wobble so parts shared by two poses come out identical."""
        self.rng = random.Random(seed)

    # ---- transforms (applied to points in Python so the pen width never scales) ----
    def push(self, a=1.0, b=0.0, c=0.0, d=1.0, e=0.0, f=0.0):
        A, B, C, D, E, F = self.stack[-1]
        # new = current * given
        self.stack.append(
            (A * a + C * b, B * a + D * b, A * c + C * d, B * c + D * d, A * e + C * f + E,
             B * e + D * f + F))

    def push_place(self, dx=0.0, dy=0.0, angle_deg=0.0, scale=1.0, mirror=False):
        t = math.radians(angle_deg)
        co, si = math.cos(t) * scale, math.sin(t) * scale
        mx = -1.0 if mirror else 1.0
        self.push(co * mx, si * mx, -si, co, dx, dy)

    def pop(self):
        self.stack.pop()

    def tp(self, p):
        A, B, C, D, E, F = self.stack[-1]
        x, y = p
        return (A * x + C * y + E, B * x + D * y + F)

    def _wob(self, pts, amount):
        a = self.wobble if amount is None else amount
        out = []
        for p in pts:
            x, y = self.tp(p)
            if a:
                x += self.rng.uniform(-a, a)
                y += self.rng.uniform(-a, a)
            out.append((x, y))
            e = self.extent
            e[0], e[1], e[2], e[3] = min(e[0], x), min(e[1], y), max(e[2], x), max(e[3], y)
        return out

    # ---- path construction ----
    @staticmethod
    def _smooth(pts, closed):
        n = len(pts)
        if n < 3:
            return "M" + " L".join(f"{_fmt(x)} {_fmt(y)}" for x, y in pts)

        def P(i):
            if closed:
                return pts[i % n]
            return pts[min(max(i, 0), n - 1)]

        d = f"M{_fmt(pts[0][0])} {_fmt(pts[0][1])}"
        last = n if closed else n - 1
        for i in range(last):
            p0, p1, p2, p3 = P(i - 1), P(i), P(i + 1), P(i + 2)
            c1 = (p1[0] + (p2[0] - p0[0]) / 6, p1[1] + (p2[1] - p0[1]) / 6)
            c2 = (p2[0] - (p3[0] - p1[0]) / 6, p2[1] - (p3[1] - p1[1]) / 6)
            d += (f" C{_fmt(c1[0])} {_fmt(c1[1])} {_fmt(c2[0])} {_fmt(c2[1])} "
                  f"{_fmt(p2[0])} {_fmt(p2[1])}")
        if closed:
            d += " Z"
        return d

    @staticmethod
    def _straight(pts, closed):
        d = "M" + " L".join(f"{_fmt(x)} {_fmt(y)}" for x, y in pts)
        return d + (" Z" if closed else "")

    def _path(self, d, fill, stroke, width=1.0):
        attrs = [f'd="{d}"', f'fill="{fill or "none"}"']
        if stroke:
            attrs.append(f'stroke="{stroke}" stroke-width="{_fmt(width)}"')
            attrs.append('stroke-linejoin="round" stroke-linecap="round"')
        self.items.append("<path " + " ".join(attrs) + "/>")

    # ---- pen strokes ----
    def blob(self, pts, fill=BODY, wobble=None, smooth=True, ink=INK):
        """A closed outlined shape through the given points."""
        w = self._wob(pts, wobble)
        self._path(self._smooth(w, True) if smooth else self._straight(w, True), fill, ink)

    def line(self, pts, wobble=None, smooth=True, width=1.0, ink=INK):
        """An open pen line through the given points."""
        w = self._wob(pts, wobble)
        self._path(self._smooth(w, False) if smooth else self._straight(w, False), None, ink, width)

    def ellipse_pts(self, cx, cy, rx, ry, n=16, start=0.0, end=360.0, rot=0.0):
        pts = []
        closed = abs(end - start) >= 360.0
        count = n if closed else n + 1
        r = math.radians(rot)
        for i in range(count):
            t = math.radians(start + (end - start) * i / n)
            x, y = rx * math.cos(t), ry * math.sin(t)
            pts.append((cx + x * math.cos(r) - y * math.sin(r), cy + x * math.sin(r) + y * math.cos(r)))
        return pts

    def oval(self, cx, cy, rx, ry, fill=BODY, rot=0.0, n=16, wobble=None):
        self.blob(self.ellipse_pts(cx, cy, rx, ry, n=n, rot=rot), fill=fill, wobble=wobble)

    def arc(self, cx, cy, rx, ry, start, end, n=8, rot=0.0, wobble=None):
        self.line(self.ellipse_pts(cx, cy, rx, ry, n=n, start=start, end=end, rot=rot),
                  wobble=wobble)

    def limb(self, pts, width, fill=BODY, wobble=None, cap_start=True, cap_end=True):
        """An outlined tube of the given width along a centre line (arms, legs, tails)."""
        n = len(pts)
        left, right = [], []
        for i, p in enumerate(pts):
            a = pts[max(i - 1, 0)]
            b = pts[min(i + 1, n - 1)]
            dx, dy = b[0] - a[0], b[1] - a[1]
            ln = math.hypot(dx, dy) or 1.0
            nx, ny = -dy / ln * width / 2, dx / ln * width / 2
            left.append((p[0] + nx, p[1] + ny))
            right.append((p[0] - nx, p[1] - ny))
        outline = list(left)
        if cap_end:
            a, b = pts[-2], pts[-1]
            ln = math.hypot(b[0] - a[0], b[1] - a[1]) or 1.0
            outline.append((b[0] + (b[0] - a[0]) / ln * width / 2,
                            b[1] + (b[1] - a[1]) / ln * width / 2))
        outline += list(reversed(right))
        if cap_start:
            a, b = pts[1], pts[0]
            ln = math.hypot(b[0] - a[0], b[1] - a[1]) or 1.0
            outline.append((b[0] + (b[0] - a[0]) / ln * width / 2,
                            b[1] + (b[1] - a[1]) / ln * width / 2))
        self.blob(outline, fill=fill, wobble=wobble)

    def dot(self, x, y, w=1, h=1, color=INK):
        """Exact pixels (no transform, no wobble): eyes, nostrils and colour accents."""
        self.items.append(
            f'<rect x="{_fmt(x)}" y="{_fmt(y)}" width="{_fmt(w)}" height="{_fmt(h)}" fill="{color}"/>')

    def svg(self, title):
        body = "\n  ".join(self.items)
        return (
            '<?xml version="1.0" encoding="UTF-8"?>\n'
            f'<svg xmlns="http://www.w3.org/2000/svg" width="{self.width}" height="{self.height}" '
            f'viewBox="0 0 {self.width} {self.height}" shape-rendering="crispEdges">\n'
            f"  <title>{title}</title>\n"
            f'  <rect width="{self.width}" height="{self.height}" fill="{PAPER}"/>\n'
            f"  {body}\n"
            "</svg>\n")
