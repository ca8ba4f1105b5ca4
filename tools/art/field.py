"""The field: sky, a tree on the left, a bush on the right, tall grass along the bottom.

The picture is stored as 720 x 720 but the game shows it stretched to 736 x 627, so it is
drawn on a grid of 2 x 2 shown pixels (368 x 314 cells) and spread over the stored pixels so
that the shown cells come out square and even.
"""

import math

from pixelart import (Canvas, Circle, Ellipse, Lcg, Minus, Poly, Rect, Union, centre_sampled,
                      resample)

STORED_W, STORED_H = 720, 720
SHOWN_W, SHOWN_H = 736, 627
CELL = 2
W, H = (SHOWN_W + CELL - 1) // CELL, (SHOWN_H + CELL - 1) // CELL
GROUND = 286  # top of the solid grass band

# Round crowns of the tree, back to front: (x, y, radius).
CROWNS = [(10, 74, 30), (114, 70, 30), (62, 46, 36), (16, 134, 28), (116, 128, 27),
          (64, 110, 34)]
BUSH = [(312, 252, 20), (362, 248, 20), (337, 236, 25)]


def _leafy(x, y, r):
    """A round crown with a scalloped edge, so it reads as a mass of leaves."""
    bumps = []
    n = max(8, int(r / 3))
    for k in range(n):
        a = 2 * math.pi * (k + 0.5 * (r % 2)) / n
        bumps.append(Circle(x + r * 0.84 * math.cos(a), y + r * 0.84 * math.sin(a), r * 0.2))
    return Union(Circle(x, y, r * 0.86), *bumps)


def _crown(c, x, y, r, part, seed):
    rnd = Lcg(seed)
    c.fill(_leafy(x, y, r), 'leaf', part)
    c.fill(Minus(_leafy(x, y, r), _leafy(x - r * 0.16, y - r * 0.2, r * 0.96)), 'leaf_dark',
           clip=part)
    c.fill(Minus(_leafy(x, y, r * 0.9), _leafy(x + r * 0.12, y + r * 0.14, r * 0.92)),
           'leaf_light', clip=part)
    # Leaf clumps: little arcs, shade below and light above.
    for _ in range(int(r * r / 90)):
        a = rnd.uniform(0, 2 * math.pi)
        d = r * 0.62 * math.sqrt(rnd.uniform(0, 1))
        cx, cy, rr = x + d * math.cos(a), y + d * math.sin(a), rnd.uniform(3, 4.5)
        dark = (cx - x) + (cy - y) > -r * 0.2
        if dark:
            c.fill(Minus(Circle(cx, cy, rr), Circle(cx - 1, cy - 1.5, rr)), 'leaf_dark',
                   clip=part)
        else:
            c.fill(Minus(Circle(cx, cy, rr), Circle(cx + 1, cy + 1.5, rr)), 'leaf_light',
                   clip=part)


def _tree(c):
    trunk = Poly((40, 90), (62, 90), (61, 200), (64, 262), (78, 290), (22, 290), (37, 262),
                 (40, 200))
    c.fill(trunk, 'trunk', 'trunk')
    c.fill(Poly((30, 90), (46, 90), (45, 250), (34, 290), (10, 290)), 'trunk_light', clip='trunk')
    c.fill(Poly((56, 90), (80, 90), (90, 290), (64, 290), (57, 250)), 'trunk_dark', clip='trunk')
    for x0, y0, y1 in ((48, 170, 196), (52, 214, 244), (44, 252, 274), (50, 152, 162)):
        c.fill(Rect(x0, y0, x0 + 2, y1), 'trunk_dark', clip='trunk')
    c.fill(Ellipse(50, 204, 3.5, 4.5), 'trunk_dark', clip='trunk')  # knot
    c.fill(Ellipse(50, 204, 2, 2.5), 'ink', clip='trunk')
    for i, (x, y, r) in enumerate(CROWNS):
        _crown(c, x, y, r, 'crown%d' % i, 11 + i)


def _bush(c):
    c.fill(Rect(298, 250, W, GROUND + 4), 'leaf_dark', 'bush_base')
    for i, (x, y, r) in enumerate(BUSH):
        _crown(c, x, y, r, 'bush%d' % i, 31 + i)


def _clump(c, x, base, height, colour, part, rnd):
    """Three blades from one root: a tall one in the middle, two leaning out."""
    for k, (dx, h, lean) in enumerate(((-5, 0.7, -7), (5, 0.75, 7), (0, 1.0, 0))):
        w = rnd.uniform(4, 5.5)
        tip = x + dx + lean + rnd.uniform(-2, 2)
        c.fill(Poly((x + dx - w, base), (x + dx + w, base), (tip, base - height * h)), colour,
               '%s_%d' % (part, k))


def _grass(c):
    rnd = Lcg(7)
    c.fill(Rect(0, GROUND, W, H), 'grass', 'turf')
    for n, (colour, lo, hi, base, offset) in enumerate(
            (('grass', 40, 56, GROUND + 6, 0), ('grass_light', 26, 38, GROUND + 14, 9))):
        x = offset - 10
        i = 0
        while x < W + 12:
            _clump(c, x + rnd.uniform(-2, 2), base, rnd.uniform(lo, hi), colour,
                   'blade%d_%d' % (n, i), rnd)
            x += 18
            i += 1
    c.fill(Rect(0, GROUND + 14, W, H), 'grass_light', clip=['turf'])


def draw_cells():
    c = Canvas(W, H, 'sky')
    _tree(c)
    _bush(c)
    _grass(c)
    seams = {None: 'ink'}
    for name in c.parts:
        if name.startswith('crown') or name.startswith('bush'):
            seams[name] = 'leaf_deep'
        elif name.startswith('blade0'):
            seams[name] = 'grass_dark'
        elif name.startswith('blade1'):
            seams[name] = 'grass'
    c.outline_seams(seams)
    c.outline_outside('ink')
    return c


def field():
    cells = draw_cells()
    xmap = centre_sampled(STORED_W, SHOWN_W, CELL)
    ymap = centre_sampled(STORED_H, SHOWN_H, CELL)
    return resample(cells, STORED_W, STORED_H, xmap, ymap)
