#!/usr/bin/env python3
"""Writes the editable SVG drawings of the character frames into assets/src/frames/ together with
frames.list, which tells tools/make-assets.sh how each frame bitmap is made: rendered from its
own drawing, or the exact left-right mirror of another frame.

Usage: tools/art/draw_frames.py [output-dir]   (default: assets/src/frames next to this tool)
"""

import math
import os
import sys

sys.dont_write_bytecode = True  # keep the source tree free of caches

from pen import INK, PAPER, RED, BLUE, Drawing  # noqa: E402


# ----------------------------------------------------------------------------------------------
# The girl, 66 x 116, facing right. Frame 0 stands with arms down, frame 1 is mid-stride.
def girl(frame):
    d = Drawing(66, 116, seed=100, wobble=0.25)
    stride = frame == 1
    # Long straight hair hanging behind her back to below the waist.
    sway = 1.5 if stride else 0.0
    hair = [(22, 10), (16, 22), (14, 40), (13.5, 58), (13 - sway, 74), (12.5 - sway, 84),
            (16 - sway, 86.5), (20 - sway, 85), (24 - sway, 87), (28 - sway, 85), (31, 84),
            (32, 66), (32, 48), (31, 30), (30, 14)]
    d.blob(hair)
    d.line([(19, 36), (17.5, 56), (17 - sway, 78)])
    d.line([(24, 40), (23.5, 62), (22.5 - sway, 82)])
    d.line([(28, 44), (28, 64), (27.5, 80)])
    # The far arm, mostly behind the dress.
    if stride:
        d.limb([(30, 50), (25, 58), (20, 65)], 4.8)
        d.oval(19, 66.5, 2.6, 2.6)
    else:
        d.limb([(30, 50), (28.5, 60), (28, 70)], 4.8)
    # Legs and small shoes; the shoe soles rest on the bottom row.
    if stride:
        d.limb([(34, 90), (30, 100), (25.5, 109.5)], 4.4)
        d.limb([(39, 90), (43, 100), (47.5, 109.5)], 4.4)
        d.blob([(20, 115.5), (20.5, 110.5), (24, 108.5), (29, 109.5), (32, 112.5), (32, 115.5)])
        d.blob([(42, 115.5), (42.5, 110.5), (46, 108.5), (51, 109.5), (54, 112.5), (54, 115.5)])
    else:
        d.limb([(33, 90), (32.5, 100), (32.5, 109.5)], 4.4)
        d.limb([(40, 90), (40.5, 100), (40.5, 109.5)], 4.4)
        d.blob([(28, 115.5), (28.5, 110.5), (31.5, 108.5), (36, 109.5), (39, 112.5), (39, 115.5)])
        d.blob([(36.5, 115.5), (37, 110.5), (40, 108.5), (44.5, 109.5), (47.5, 112.5),
                (47.5, 115.5)])
    # Neck and the plain knee-length dress, a little wider at the hem.
    d.blob([(34.5, 36), (39, 36), (39, 45), (34.5, 45)], smooth=False)
    hem_l, hem_r = (20, 51) if stride else (21.5, 51)
    d.blob([(31, 43.5), (42, 43.5), (46.5, 47), (45.5, 58), (44.5, 64), (47.5, 76),
            (hem_r, 91), (44, 93), (37, 92), (30, 93.5), (hem_l, 91), (25.5, 76), (28.5, 64),
            (27.5, 58), (27, 47)])
    d.line([(29, 63), (37, 64.5), (44.5, 63)])  # waist seam
    d.line([(32, 44), (36.5, 48), (41, 44)])  # round neckline
    # The near arm with its short puffed sleeve.
    if stride:
        d.limb([(44, 50), (50, 57), (55.5, 63)], 4.8)
        d.oval(57, 64.5, 2.6, 2.6)
        d.blob([(40.5, 45.5), (45, 44.5), (49.5, 48), (50, 53), (46, 55.5), (41.5, 53)])
    else:
        d.limb([(44.5, 50), (46, 61), (46.5, 70.5)], 4.8)
        d.oval(46.7, 72, 2.6, 2.6)
        d.blob([(40.5, 45.5), (45, 44.5), (48.5, 47.5), (49, 53), (45.5, 55), (41.5, 53)])
    d.reseed(150)  # the head is the same in both poses
    # Head: the hair cap, the face turned right, a straight fringe, dot eyes and a small smile.
    d.oval(37, 21.5, 17.5, 18, n=20)
    d.line([(23.5, 29), (25, 22), (27.5, 17), (31, 18.5), (33.5, 16), (36.5, 19), (39.5, 16.5),
            (42.5, 19.5), (45.5, 17), (48.5, 19.5), (51, 17.5), (53.5, 20)], wobble=0.15)
    d.line([(23.5, 29), (25.5, 34), (28, 38)], wobble=0.15)  # where the hair meets the cheek
    d.line([(30, 6.5), (27, 9.5), (25, 14)], wobble=0.2)  # a strand on the crown
    d.line([(38, 5), (35, 8), (33, 12.5)], wobble=0.2)
    d.arc(28, 27, 2.2, 3, 200, 520, n=8, wobble=0.1)  # ear peeking out of the hair
    d.dot(40, 24, 2, 3)
    d.dot(48, 24, 2, 3)
    d.line([(42, 31), (44, 32.6), (46.5, 31.2)], wobble=0.1)
    return d


# ----------------------------------------------------------------------------------------------
# Actor 1, 204 x 102: a traffic cone on a flat base and a trestle barrier.
def cone_and_barrier():
    d = Drawing(204, 102, seed=200, wobble=0.3)
    # Cone: flat base, tapering body with two striped bands.
    d.blob([(10, 92), (13, 60), (18, 36), (24, 14), (28, 6), (32, 4.5), (36, 6), (40, 14),
            (46, 36), (51, 60), (54, 92)], smooth=False)
    d.blob([(3, 101.5), (3.5, 93), (8, 90.5), (56, 90.5), (60.5, 93), (61, 101.5)])
    for top, bottom in ((30, 41), (58, 70)):
        d.line([(20.5 - top * 0.05, top), (32, top + 1.2), (43.5 + top * 0.05, top)])
        d.line([(17 - bottom * 0.02, bottom), (32, bottom + 1.5), (47 + bottom * 0.02, bottom)])
        for x in range(20, 46, 5):
            d.line([(x, bottom - 1), (x + 4, top + 2)], smooth=False)
    d.line([(27, 9), (25, 16)])  # a glint on the tip
    # Barrier: a striped crossbar on two pairs of splayed legs.
    for cx in (95, 184):
        d.limb([(cx, 42), (cx - 12, 100)], 3.6, cap_end=False)
        d.limb([(cx, 42), (cx + 12, 100)], 3.6, cap_end=False)
        d.line([(cx - 8, 78), (cx + 8, 78)], smooth=False)
        d.blob([(cx - 16, 101.5), (cx - 16, 98.5), (cx - 8, 98.5), (cx - 8, 101.5)], smooth=False)
        d.blob([(cx + 8, 101.5), (cx + 8, 98.5), (cx + 16, 98.5), (cx + 16, 101.5)], smooth=False)
    d.blob([(78, 26), (201, 25), (202.5, 27), (202.5, 42), (201, 44), (78, 45), (76.5, 43),
            (76.5, 28)], smooth=False)
    for x in range(84, 200, 13):
        d.line([(x, 44), (x + 10, 26)], smooth=False)
    d.oval(95, 35, 2.5, 2.5, fill=PAPER)
    d.oval(184, 35, 2.5, 2.5, fill=PAPER)
    return d


# ----------------------------------------------------------------------------------------------
# Actor 2, 146 x 49: a long low block with knobs at both ends and a toothy seam.
def toothy_block():
    d = Drawing(146, 49, seed=300, wobble=0.3)
    d.oval(6, 16, 4.5, 5)
    d.oval(140, 16, 4.5, 5)
    d.oval(6, 32, 3.5, 4)
    d.oval(140, 32, 3.5, 4)
    d.blob([(11, 48.5), (9, 40), (9, 10), (12, 4.5), (30, 3), (73, 4), (116, 3), (134, 4.5),
            (137, 10), (137, 40), (135, 48.5)])
    teeth = []
    for i, x in enumerate(range(10, 138, 7)):
        teeth.append((x, 27 if i % 2 == 0 else 35))
    d.line(teeth, smooth=False)
    d.line([(x, 40) for x in range(12, 136, 30)], smooth=True)
    for x in (30, 58, 88, 116):
        d.dot(x, 12, 2, 2)
    d.line([(16, 8), (40, 7), (60, 8.5)])  # a highlight along the top
    return d


# ----------------------------------------------------------------------------------------------
def brickwork(d, left, right, top, bottom, rows, seed):
    """Irregular brick courses inside an outline given by left(y) and right(y)."""
    rng = d.rng
    ys = [top]
    for i in range(1, rows):
        ys.append(top + (bottom - top) * i / rows + rng.uniform(-1.5, 1.5))
    ys.append(bottom)
    for y in ys[1:-1]:
        d.line([(left(y) + 0.5, y), ((left(y) + right(y)) / 2, y + rng.uniform(-0.8, 0.8)),
                (right(y) - 0.5, y)])
    for r in range(len(ys) - 1):
        y0, y1 = ys[r], ys[r + 1]
        ym = (y0 + y1) / 2
        x = left(ym) + (rng.uniform(6, 14) if r % 2 else rng.uniform(14, 22))
        while x < right(ym) - 7:
            d.line([(x + rng.uniform(-1, 1), y0 + 0.5), (x + rng.uniform(-1, 1), y1 - 0.5)])
            x += rng.uniform(15, 26)
        if rng.random() < 0.5:  # a chipped brick now and then
            cx = left(ym) + rng.uniform(10, max(11, right(ym) - left(ym) - 10))
            d.line([(cx, ym - 1), (cx + 3, ym + 1), (cx + 5, ym)])


# Actor 3, 96 x 95: a squarish block of irregular brickwork.
def brick_block():
    d = Drawing(96, 95, seed=400, wobble=0.35)
    d.blob([(2, 94.5), (1.5, 50), (2.5, 3), (30, 1.5), (60, 2.5), (93.5, 1.5), (94, 48),
            (93.5, 94.5)], smooth=False)
    brickwork(d, lambda y: 2, lambda y: 93.5, 2, 94.5, 7, 401)
    return d


# Actor 6, 104 x 195: a tall, slightly tapering pillar of irregular brickwork.
def brick_pillar():
    d = Drawing(104, 195, seed=700, wobble=0.35)

    def left(y):
        return 13 - 11 * (y / 195)

    def right(y):
        return 91 + 11 * (y / 195)

    d.blob([(left(194.5), 194.5), (left(100) - 0.5, 100), (12, 4), (14, 1.5), (52, 2.5),
            (90, 1.5), (92, 4), (right(100) + 0.5, 100), (right(194.5), 194.5)], smooth=False)
    brickwork(d, left, right, 3, 194.5, 14, 701)
    return d


# ----------------------------------------------------------------------------------------------
# Actor 4, 258 x 111: a long bench, a thin board on four legs.
def bench():
    d = Drawing(258, 111, seed=500, wobble=0.35)
    for x in (34, 222):  # back legs, partly hidden
        d.limb([(x, 34), (x + (2 if x > 100 else -2), 103)], 5, cap_start=False)
    d.blob([(12, 24), (246, 23.5), (256, 31), (2, 31.5)], smooth=False)  # top of the board
    d.blob([(2, 31.5), (256, 31), (256, 39.5), (2, 40)], smooth=False)  # its front edge
    d.line([(40, 27), (120, 27.5), (200, 26.8)])  # wood grain
    d.line([(70, 29), (150, 28.6)])
    for x in (16, 240):  # front legs, standing on the bottom row
        d.limb([(x, 40), (x + (3 if x > 100 else -3), 109.5)], 6, cap_start=False)
        d.blob([(x - 6 + (3 if x > 100 else -3), 110.5), (x - 5 + (3 if x > 100 else -3), 107),
                (x + 5 + (3 if x > 100 else -3), 107), (x + 6 + (3 if x > 100 else -3), 110.5)],
               smooth=False)
    return d


# ----------------------------------------------------------------------------------------------
# Hand-lettered "そよかぜ" (a gentle breeze): each kana as pen strokes in a 10 x 10 box.
KANA = {
    "so": [[(2.5, 1.2), (7.2, 0.8), (2.6, 4.2), (8.8, 3.7), (5.6, 5.4), (4.6, 7.2), (5.2, 8.9),
            (7.4, 9.5), (8.6, 9.2)]],
    "yo": [[(4.8, 0.8), (4.8, 4.0), (4.9, 7.6), (3.6, 7.4), (2.4, 8.1), (2.6, 9.3), (3.8, 9.8),
            (5.4, 9.3), (6.6, 8.2), (8.8, 9.4)],
           [(4.9, 3.8), (6.4, 3.6), (8.0, 3.8)]],
    "ka": [[(1.0, 3.8), (4.2, 3.3), (6.8, 3.1), (7.0, 5.6), (6.2, 8.4), (5.2, 9.6), (4.2, 8.8)],
           [(4.2, 0.8), (3.6, 4.4), (2.6, 7.4), (1.4, 9.6)],
           [(8.4, 3.0), (9.0, 4.5), (9.4, 6.2)]],
    "ze": [[(0.8, 4.2), (4.8, 3.8), (8.6, 3.6)],
           [(6.6, 1.6), (6.7, 4.8), (6.5, 6.3), (5.6, 6.8)],
           [(3.0, 1.0), (3.0, 5.0), (3.2, 8.2), (4.2, 9.4), (6.2, 9.5), (8.4, 9.3)],
           [(8.2, 0.4), (8.8, 1.8)], [(9.5, 0.0), (10.1, 1.4)]],
}


def letter_soyokaze(d, x, y, size):
    for i, k in enumerate(("so", "yo", "ka", "ze")):
        d.push_place(x + i * size * 1.12, y + (1.2 if i % 2 else 0), scale=size / 10)
        for stroke in KANA[k]:
            d.line(stroke, wobble=0.25, width=1.0)
        d.pop()


# Actor 5, 340 x 180: a person in a long robe flying horizontally, head at the right, one arm
# stretched forward, wind streaks all around. Facing 1 mirrors the figure but keeps the word
# readable in the upper right corner.
def flier_figure(d):
    # wind streaks above, below and trailing behind
    d.line([(84, 62), (130, 58), (180, 61), (226, 56), (250, 58)])
    d.line([(150, 46), (190, 43), (214, 45)])
    d.line([(14, 80), (50, 76), (78, 80)])
    d.line([(40, 150), (110, 153), (170, 149), (230, 152)])
    d.line([(150, 166), (220, 168), (280, 163), (300, 157), (304, 150), (298, 146), (292, 150)])
    d.line([(4, 130), (14, 128), (24, 131)])
    d.line([(288, 130), (312, 127), (330, 130)])
    # bare feet sticking out of the hem
    d.blob([(14, 104), (26, 102), (30, 108), (16, 110)])
    d.blob([(12, 114), (24, 112), (28, 118), (14, 120)])
    # the long robe, flapping behind
    d.blob([(266, 88), (240, 90), (200, 92), (150, 94), (100, 96), (60, 98), (40, 96), (30, 100),
            (36, 106), (26, 110), (34, 116), (26, 122), (40, 128), (60, 126), (100, 129),
            (160, 125), (220, 121), (262, 114), (274, 104)])
    d.line([(70, 108), (130, 106), (190, 103)])  # folds
    d.line([(90, 118), (150, 116), (210, 112)])
    d.line([(204, 92), (202, 106), (205, 121)])  # sash, its ends streaming back
    d.limb([(203, 98), (186, 90), (170, 86), (156, 88)], 4)
    d.limb([(203, 100), (184, 98), (168, 94), (152, 98)], 4)
    # the far arm held along the body
    d.limb([(256, 108), (238, 114), (220, 116)], 5)
    d.oval(218, 116.5, 3, 3)
    # the near arm stretched forward above the head, in a wide sleeve
    d.limb([(300, 77), (316, 73), (326, 71)], 4.5)
    d.oval(329, 70.5, 4.5, 4, n=10)
    d.blob([(254, 92), (262, 84), (284, 77), (304, 72), (306, 80), (296, 86), (282, 92),
            (270, 98)])
    d.line([(272, 86), (290, 82)])
    # head: hair over the back of it streaming behind, eye and mouth facing ahead
    d.limb([(276, 90), (260, 84), (246, 82), (236, 84)], 5)
    d.oval(286, 101, 13.5, 13, n=16)
    d.line([(298, 93), (290, 91.5), (282, 95), (278, 102), (279, 110)], wobble=0.15)
    d.line([(280, 92), (277, 97)], wobble=0.15)
    d.line([(286, 90), (282, 94)], wobble=0.15)
    d.dot(293, 99, 2, 2)
    d.line([(292, 107), (295, 108), (297.5, 107)], wobble=0.15)


def flier(facing):
    d = Drawing(340, 180, seed=600 + facing, wobble=0.35)
    if facing == 0:
        flier_figure(d)
        letter_soyokaze(d, 8, 8, 24)
    else:
        d.push_place(340, 0, mirror=True)
        flier_figure(d)
        d.pop()
        letter_soyokaze(d, 340 - 8 - 24 * 1.12 * 3 - 24, 8, 24)
    return d


# ----------------------------------------------------------------------------------------------
# Actor 7, 260 x 230: a big long-beaked bird swooping head first toward the lower right, feet
# trailing at the upper left, motion lines across the body. Frame 1 lowers the wing and shows
# a red eye and a blue glint on the beak.
BIRD_ANGLE = 32
BIRD_SCALE = 0.86


def bird_body(d, frame):
    """The bird in its own frame: body along +u, head and beak at +u, back up at -v."""
    d.reseed(800)
    # motion lines trailing behind
    for v, u0, u1 in ((-34, -178, -128), (-8, -186, -124), (18, -172, -128), (38, -150, -112)):
        d.line([(u0, v), ((u0 + u1) / 2, v + 0.8), (u1, v)])
    # trailing legs and three-toed feet
    for dv in (0, 8):
        d.limb([(-28, 16 + dv), (-62, 28 + dv), (-94, 34 + dv)], 4)
        for toe in ((-110, 26), (-113, 35), (-107, 44)):
            d.line([(-95, 34 + dv), (toe[0], toe[1] + dv)], smooth=False)
    # tail fan
    d.blob([(-56, -8), (-88, -24), (-102, -20), (-94, -11), (-108, -7), (-98, 0), (-108, 7),
            (-92, 12), (-56, 10)])
    d.line([(-64, -2), (-94, -11)])
    d.line([(-64, 4), (-96, 2)])
    # body and head with the long beak
    d.blob([(-62, -4), (-44, -20), (0, -27), (44, -23), (66, -16), (80, -6), (80, 8), (60, 18),
            (22, 24), (-32, 20), (-60, 8)])
    d.blob([(92, -14), (130, -2), (168, 9), (128, 6), (94, 7)])  # upper bill
    d.blob([(94, 7), (128, 7), (162, 12), (126, 13), (92, 12)])  # lower bill
    d.oval(82, -3, 17, 15, n=16)
    d.line([(70, -16), (73, -6), (70, 6)])  # cheek line
    # motion lines across the body
    for v, u0, u1 in ((-14, -48, 24), (0, -56, 46), (13, -44, 16)):
        d.line([(u0, v), ((u0 + u1) / 2, v - 0.6), (u1, v)])
    # the wing: raised in frame 0, lowered in frame 1
    if frame == 0:
        wing = [(-22, -18), (-52, -52), (-70, -96), (-58, -104), (-44, -94), (-38, -106),
                (-22, -94), (-14, -104), (-2, -86), (10, -90), (14, -66), (26, -42), (34, -20)]
        feathers = [[(-32, -42), (-50, -90)], [(-18, -42), (-30, -92)], [(-2, -38), (-12, -86)],
                    [(12, -34), (6, -74)]]
    else:
        wing = [(-24, 2), (-42, 42), (-60, 86), (-48, 92), (-38, 82), (-26, 94), (-18, 82),
                (-6, 92), (-2, 78), (12, 84), (16, 60), (24, 32), (32, 8)]
        feathers = [[(-26, 28), (-46, 78)], [(-12, 28), (-26, 80)], [(2, 26), (-8, 76)],
                    [(16, 22), (10, 68)]]
    d.blob(wing)
    for f in feathers:
        d.line(f)


def bird_place():
    """Where to put the bird so that both wing poses fit the 260 x 230 frame."""
    lo_x = lo_y = math.inf
    hi_x = hi_y = -math.inf
    for frame in (0, 1):
        probe = Drawing(260, 230, seed=0)
        probe.push_place(angle_deg=BIRD_ANGLE, scale=BIRD_SCALE)
        bird_body(probe, frame)
        lo_x, lo_y = min(lo_x, probe.extent[0]), min(lo_y, probe.extent[1])
        hi_x, hi_y = max(hi_x, probe.extent[2]), max(hi_y, probe.extent[3])
    return dict(dx=(260 - (hi_x - lo_x)) / 2 - lo_x, dy=(230 - (hi_y - lo_y)) / 2 - lo_y,
                angle_deg=BIRD_ANGLE, scale=BIRD_SCALE)


def bird(frame):
    d = Drawing(260, 230, seed=800, wobble=0.35)
    place = bird_place()
    d.push_place(**place)
    bird_body(d, frame)
    # The eye sits on the head; its pixels are placed exactly so the accents count right.
    ex, ey = d.tp((86, -8))
    gx, gy = d.tp((136, 2))
    d.pop()
    ex, ey, gx, gy = round(ex), round(ey), round(gx), round(gy)
    if frame == 0:
        d.dot(ex - 1, ey - 1, 3, 3)
    else:
        d.dot(ex - 2, ey - 1, 4, 3, color=INK)
        d.dot(ex - 1, ey, 2, 1, color=RED)
        d.dot(gx, gy, 1, 2, color=BLUE)
    return d


# ----------------------------------------------------------------------------------------------
# Actor 8, 100 x 62: a small dog, pointed muzzle, pricked ears, raised tail, open mouth.
def dog(frame):
    d = Drawing(100, 62, seed=900, wobble=0.25)
    walk = frame == 1
    d.limb([(24, 32), (15, 22), (10, 12), (11, 4)], 4.8)  # raised tail
    # far legs
    far = [((38, 40), (32, 59) if walk else (40, 59)), ((74, 40), (80, 59) if walk else (76, 59))]
    for top, foot in far:
        d.limb([top, foot], 5, cap_end=False)
        d.oval(foot[0] + 1.5, 59.5, 4, 2, n=10)
    d.blob([(22, 34), (26, 24), (40, 21), (58, 22), (72, 20), (78, 28), (76, 40), (62, 44),
            (40, 44), (26, 42)])
    d.line([(36, 27), (46, 26)])  # a patch of fur
    d.line([(52, 28), (60, 27.5)])
    # near legs, with paws on the bottom row
    near = [((28, 38), (36, 60) if walk else (28, 60)), ((66, 38), (58, 60) if walk else (66, 60))]
    for top, foot in near:
        d.limb([top, foot], 5.2, cap_end=False)
        d.oval(foot[0] + 1.5, 59.5, 4.5, 2.2, n=10)
    d.reseed(950)
    # ears, then the head with a pointed muzzle and an open mouth
    d.blob([(70, 14), (71, 1.5), (79, 10)])
    d.blob([(78, 11), (84, 1), (87, 12)])
    d.blob([(68, 24), (70, 14), (78, 8.5), (88, 10), (93, 15), (99, 20.5), (91, 23.5),
            (96, 28.5), (88, 31), (78, 32), (70, 30)])
    d.dot(97, 19, 2, 2)  # nose
    d.dot(84, 14, 2, 2)  # eye
    d.line([(73, 4), (75, 10)])  # inner ear
    d.line([(83, 5), (84, 10)])
    d.line([(90, 27), (93, 27.5)])  # tongue
    return d


# ----------------------------------------------------------------------------------------------
# Actor 9, 80 x 70: a stocky striped cat with an oversized head and a smug half-closed eye.
# Frame 0 stands square on all four paws; frame 1 is a walking step (near legs spread in a
# stride, the near front paw lifted). Only the legs change, so the two alternate without jitter.
def cat_leg(d, hip, paw, width, lift=0.0):
    """A short stocky leg from the body down to a round paw whose sole sits on the bottom row,
    or `lift` pixels above it for a paw in mid-step."""
    sole = 69.5 - lift
    d.limb([hip, (paw, sole - 3)], width, cap_start=False, cap_end=False)
    d.oval(paw + 1, sole - 2.5, 4.5, 2.5, n=12)
    d.line([(paw + 1.5, sole - 0.5), (paw + 1.5, sole - 2)], smooth=False, wobble=0)  # toe


def cat(frame):
    d = Drawing(80, 70, seed=1000, wobble=0.25)
    step = frame == 1
    # The tail curls up behind, ringed with stripes.
    d.limb([(14, 45), (7, 38), (5, 29), (7, 21), (12.5, 17.5)], 6)
    for a, b in (((2.5, 36), (8, 33.5)), ((2.5, 29), (8, 29)), ((4, 22), (8.5, 24.5))):
        d.line([a, b], wobble=0.15)
    # The far legs, half hidden behind the body: in the step the hind one reaches forward and
    # the front one pushes back.
    far = [((23, 50), 29), ((49, 50), 42)] if step else [((23, 50), 23), ((49, 50), 50)]
    for hip, paw in far:
        d.reseed(1010)
        cat_leg(d, hip, paw, 7)
    d.reseed(1020)
    # The stocky barrel of a body with stripes over the back.
    d.blob([(10, 47), (13, 38), (24, 33), (42, 32), (55, 36), (60, 46), (57, 55), (44, 58),
            (24, 58), (13, 55)])
    for x in (19, 26, 33, 40, 47):
        d.line([(x - 1.5, 34), (x + 0.5, 40), (x - 0.5, 45)])
    d.line([(15, 47), (18.5, 50.5)])  # a haunch
    # The near legs in front: in the step they spread in a stride, the front paw lifted.
    if step:
        near = [((17, 51), 9, 0.0), ((54, 51), 62, 3.5)]
    else:
        near = [((17, 51), 15, 0.0), ((54, 51), 55, 0.0)]
    for hip, paw, lift in near:
        d.reseed(1030)
        cat_leg(d, hip, paw, 7.5, lift)
    d.reseed(1050)
    # The big head, ears up, face to the right.
    d.blob([(38, 17), (40, 1.5), (50, 9)])
    d.blob([(63, 7.5), (74, 1), (75, 16)])
    d.oval(57, 25, 21, 18.5, n=20)
    d.line([(42, 5.5), (45, 10.5)])  # inner ears
    d.line([(71.5, 4.5), (72, 10.5)])
    for x in (48, 53, 58):  # stripes on the forehead
        d.line([(x, 8), (x + 0.5, 14)])
    d.line([(37.5, 26), (42, 27)])  # stripes on the cheek
    d.line([(38, 31), (42.5, 31)])
    # The smug eye: a heavy lid drawn straight across the middle of the eye with the pupil
    # peeking out beneath it and a lazy crease above; the far eye is a smaller copy.
    d.line([(53, 21.5), (58.5, 20.5), (64.5, 21.5)], width=2, wobble=0.1)
    d.arc(58.8, 21.8, 5.3, 3.8, 10, 170, n=6, wobble=0.1)
    d.dot(59, 22, 3, 2)
    d.line([(54.5, 17.5), (59, 16.5), (63.5, 17.5)], wobble=0.1)
    d.line([(67.5, 21), (72.5, 20.5)], width=2, wobble=0.1)
    d.arc(70, 21.2, 2.6, 2.6, 20, 160, n=4, wobble=0.1)
    d.dot(70, 22, 2, 1)
    # A small nose on the muzzle and, under it, a lopsided smirk curling up at the corner.
    d.blob([(70.5, 25.5), (74.5, 25.5), (72.5, 27.5)], fill=INK, wobble=0.1)
    d.line([(72.5, 27.5), (72.5, 29.5)], wobble=0)
    d.line([(72.5, 29.5), (70, 31.5), (67.5, 31), (66, 29)], wobble=0.1)
    d.line([(72.5, 29.5), (74.5, 31)], wobble=0.1)
    d.line([(74, 33), (79.5, 33.5)], wobble=0.1)  # whiskers
    d.line([(73.5, 35), (79, 37.5)], wobble=0.1)
    return d


# ----------------------------------------------------------------------------------------------
# Actor 10, 48 x 8: a small, thin, flat lump lying on the ground.
def lump():
    d = Drawing(48, 8, seed=1100, wobble=0.15)
    d.blob([(3, 7.5), (6, 3.5), (13, 1.5), (22, 2.5), (28, 1), (38, 2), (44, 4), (46, 7.5)])
    d.line([(14, 4), (20, 4.5)])
    d.dot(31, 4, 2, 1)
    return d


# ----------------------------------------------------------------------------------------------
# name -> (how it is made, drawing or mirrored frame, colour table)
def frame_list():
    rows = []

    def draw(name, drawing, palette="plain"):
        rows.append((name, "draw", drawing, palette))

    def mirror(name, of, palette="plain"):
        rows.append((name, "mirror", of, palette))

    draw("imgEm0000", girl(0))
    draw("imgEm0001", girl(1))
    mirror("imgEm0010", "imgEm0000")
    mirror("imgEm0011", "imgEm0001")
    draw("imgEm0100", cone_and_barrier())
    draw("imgEm0200", toothy_block())
    draw("imgEm0300", brick_block())
    draw("imgEm0400", bench())
    draw("imgEm0500", flier(0))
    draw("imgEm0510", flier(1))
    draw("imgEm0600", brick_pillar())
    draw("imgEm0700", bird(0))
    draw("imgEm0701", bird(1), "accent")
    mirror("imgEm0710", "imgEm0700")
    mirror("imgEm0711", "imgEm0701", "accent")
    draw("imgEm0800", dog(0))
    draw("imgEm0801", dog(1))
    mirror("imgEm0810", "imgEm0800")
    mirror("imgEm0811", "imgEm0801")
    draw("imgEm0900", cat(0))
    draw("imgEm0901", cat(1))
    mirror("imgEm0910", "imgEm0900")
    mirror("imgEm0911", "imgEm0901")
    draw("imgEm1000", lump())
    return rows


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "..", "assets", "src",
                                                             "frames")
    os.makedirs(out, exist_ok=True)
    lines = ["# frame  how     source     colour-table"]
    for name, how, what, palette in frame_list():
        if how == "draw":
            with open(os.path.join(out, name + ".svg"), "w", encoding="utf-8") as f:
                f.write(what.svg(name))
            lines.append(f"{name} draw {name}.svg {palette}")
        else:
            lines.append(f"{name} mirror {what} {palette}")
    with open(os.path.join(out, "frames.list"), "w", encoding="utf-8") as f:
        f.write("\n".join(lines) + "\n")


if __name__ == "__main__":
    main()
