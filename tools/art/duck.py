"""The duck: one drawing, posed flying (head to the right) or hit and tumbling."""

from pixelart import (Canvas, Circle, Ellipse, Poly, Rect, Segment, Union, mirror_x, rotate,
                      scale, translate)

W, H = 87, 60

# Everything below is in the flying duck's frame: 87 x 60, head to the right.
BODY = Ellipse(41, 39.5, 24, 11, angle=-7)
NECK = Poly((54, 34), (62, 25), (68, 21), (73, 28), (66, 37), (60, 42))
HEAD = Ellipse(71.5, 21, 9.5, 8, angle=-12)
BEAK = Poly((77, 19.5), (83, 20.5), (86, 22.5), (86.5, 25), (84.5, 26.5), (77, 27.5))
TAIL = Poly((22, 32.5), (12, 33), (4.5, 36), (4, 39), (9, 42), (22, 47))
TAIL_CURL = Poly((18, 33.5), (11, 33), (8, 31), (10, 34.5), (18, 36))
FOOT = Poly((23, 45), (15, 47), (10, 49), (11, 51), (17, 51), (25, 49))

# A raised wing: the root sits on the back, the tip reaches the top left corner.
WING = Poly((56, 33), (55, 25), (50, 16), (43, 9), (34, 4), (24, 1.5), (19, 2), (22, 5),
            (25, 8), (27, 12), (30, 17), (32, 23), (33, 31))
WING_COVERTS = Poly((56, 33), (55, 25), (50, 16), (45, 11.5), (41, 15), (40, 24), (38, 33))
WING_MIRROR = Poly((45, 11.5), (41, 15), (39.5, 24), (38, 33), (35, 33), (35.5, 23), (37.5, 14),
                   (41, 9.5))
# Trailing feathers, drawn as separate dark strokes over the wing.
FEATHER_LINES = [((34, 23), (31, 20)), ((32, 16), (28.5, 12.5)), ((30, 11), (26.5, 7)),
                 ((27, 6), (22.5, 3.5))]


def _draw_body(c, xf, head_xf):
    c.fill(TAIL, 'collar', 'tail', xf)
    c.fill(Ellipse(12, 41, 10, 3), 'body_dark', clip='tail', xf=xf)
    c.fill(TAIL_CURL, 'tail', clip='tail', xf=xf)
    c.fill(FOOT, 'foot', 'foot', xf)
    c.fill(BODY, 'body', 'body', xf)
    c.fill(Ellipse(42, 44.5, 22, 7, angle=-7), 'body_dark', clip='body', xf=xf)
    c.fill(Ellipse(59, 41, 10, 10), 'chest', clip='body', xf=xf)
    c.fill(Ellipse(59, 45, 9, 6), 'chest_dark', clip='body', xf=xf)
    c.fill(NECK, 'head', 'head', head_xf)
    c.fill(HEAD, 'head', 'head', head_xf)
    c.fill(BEAK, 'beak', 'beak', head_xf)


def _draw_wing(c, xf, part):
    c.fill(WING, 'wing', part, xf)
    c.fill(WING_COVERTS, 'wing_light', clip=part, xf=xf)
    c.fill(WING_MIRROR, 'mirror', clip=part, xf=xf)
    for p, q in FEATHER_LINES:
        c.fill(Segment(p, q, 0.6), 'wing_dark', clip=part, xf=xf)


def _details(c, xf, dead):
    """Collar, head shine, beak shade and eye; xf is where the head is."""
    c.fill(Segment((57, 31), (68, 37.5), 1.1), 'collar', clip='head', xf=xf)
    if not dead:
        c.fill(Ellipse(70, 17, 5, 2.5, angle=-15), 'head_light', clip='head', xf=xf)
    c.fill(Ellipse(72, 27, 8, 3, angle=-12), 'head_dark', clip='head', xf=xf)
    c.fill(Rect(77, 24.5, 88, 30), 'beak_dark', clip='beak', xf=xf)
    if dead:
        # A crisp pixel cross for the eye, whatever angle the head is at.
        ex, ey = xf.apply(75, 18.5)
        ex, ey = int(ex), int(ey)
        for d in range(-2, 3):
            c.put(ex + d, ey + d, 'ink')
            c.put(ex + d, ey - d, 'ink')
    else:
        c.fill(Rect(74, 17, 76, 19.5), 'ink', xf=xf)
        c.fill(Rect(74, 17, 75, 18), 'shine', xf=xf)


def _finish(c):
    c.outline_seams('ink', parts=['wing', 'beak'])
    c.outline_seams('head_dark', parts=['head'])
    c.outline_outside('ink')


def flying():
    """Flying to the right, wings raised."""
    c = Canvas(W, H, 'white')
    xf = translate(0, 4)
    # The far wing peeks out behind the near one.
    _draw_wing(c, xf * translate(9, 3) * rotate(6, 45, 32), 'farwing')
    c.recolour({'wing': 'wing_dark', 'wing_light': 'wing', 'mirror': 'wing_dark'})
    _draw_body(c, xf, xf)
    _draw_wing(c, xf, 'wing')
    _finish(c)
    _details(c, xf, dead=False)
    return c


def tumbling():
    """Hit: tipped over head first to the left, wings thrown up, a red wound."""
    c = Canvas(W, H, 'white')
    xf = translate(45, 34) * rotate(-22) * scale(0.86) * mirror_x(0) * translate(-45, -32)
    head_xf = xf * rotate(36, 58, 38)
    _draw_wing(c, xf * translate(6, 2) * rotate(14, 45, 32), 'farwing')
    c.recolour({'wing': 'wing_dark', 'wing_light': 'wing', 'mirror': 'wing_dark'})
    _draw_body(c, xf, head_xf)
    _draw_wing(c, xf * rotate(-6, 45, 32), 'wing')
    # Two loose feathers.
    for x, y, angle in ((71, 9, 28), (15, 17, -35)):
        c.fill(Ellipse(x, y, 4.5, 1.6, angle), 'wing_light', 'feather')
        c.fill(Segment(rotate(angle, x, y).apply(x - 4, y), rotate(angle, x, y).apply(x + 2, y),
                       0.5), 'wing_dark', clip='feather')
    _finish(c)
    _details(c, head_xf, dead=True)
    # The hit.
    c.fill(Union(Ellipse(42, 40, 4.2, 3.6), Circle(46.5, 38.5, 1.5)), 'red_dark', xf=xf)
    c.fill(Union(Ellipse(41.5, 39.5, 3.2, 2.6), Circle(46.5, 38.3, 0.8)), 'red', xf=xf)
    return c
