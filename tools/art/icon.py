"""The application icon: the duck's head, facing right, on a transparent background.

The smallest sizes are hand-placed pixel grids (icons/head-N.txt); 48 and 64 are drawn from
shapes, and the large sizes are the 64 grid enlarged pixel for pixel."""

import os

from pixelart import Canvas, Ellipse, Poly, Rect, scale, scale_up

HERE = os.path.dirname(os.path.abspath(__file__))

# Grid characters, for the hand-placed sizes.
KEY = {
    'k': 'ink', 'g': 'head', 'G': 'head_light', 'd': 'head_dark', 'y': 'beak', 'Y': 'beak_dark',
    'w': 'collar', 'c': 'chest', 'C': 'chest_dark', 's': 'shine',
}
GRID_SIZES = (16, 24, 32)


def drawn(size):
    """The head drawn from shapes on a size x size grid (coordinates are in 64ths)."""
    c = Canvas(size, size, None)
    xf = scale(size / 64.0)
    c.fill(Poly((15, 34), (36, 34), (40, 54), (11, 54)), 'head', 'neck', xf)
    c.fill(Ellipse(27, 24, 19.5, 18), 'head', 'head', xf)
    c.fill(Ellipse(22, 13, 10, 4.5, angle=-15), 'head_light', clip='head', xf=xf)
    c.fill(Ellipse(26, 43, 16, 7), 'head_dark', clip=['head', 'neck'], xf=xf)
    c.fill(Poly((9, 50), (40, 50), (46, 64), (2, 64)), 'chest', 'chest', xf)
    c.fill(Poly((0, 58), (64, 58), (64, 64), (0, 64)), 'chest_dark', clip='chest', xf=xf)
    c.fill(Poly((9, 45), (40, 45), (41, 50), (9, 50)), 'collar', clip='neck', xf=xf)
    c.fill(Poly((41, 19), (55, 23), (59.5, 24.5), (62, 27.5), (61.5, 32), (58.5, 34), (41, 34.5)),
           'beak', 'beak', xf)
    c.fill(Poly((41, 30), (64, 30), (64, 40), (41, 40)), 'beak_dark', clip='beak', xf=xf)
    c.outline_seams('ink', parts=['beak'])
    c.outline_seams('head_dark', parts=['head', 'neck'])
    c.outline_outside('ink')
    e = max(1, round(size / 16))
    ex, ey = round(size * 34 / 64), round(size * 17 / 64)
    c.fill(Rect(ex, ey, ex + e, ey + e + (1 if size >= 32 else 0)), 'ink')
    if size >= 24:
        c.put(ex, ey, 'shine')
    return c


def grid_path(size):
    return os.path.join(HERE, 'icons', 'head-%d.txt' % size)


def from_grid(size):
    with open(grid_path(size)) as f:
        rows = [line.rstrip('\n') for line in f if not line.startswith('#')]
    if len(rows) != size or any(len(r) != size for r in rows):
        raise ValueError('%s is not %d x %d' % (grid_path(size), size, size))
    c = Canvas(size, size, None)
    for y, row in enumerate(rows):
        for x, ch in enumerate(row):
            if ch != '.':
                c.put(x, y, KEY[ch])
    return c


def to_grid(canvas):
    back = {v: k for k, v in KEY.items()}
    return [''.join('.' if p is None else back[p] for p in canvas.px[y * canvas.w:(y + 1) *
                                                                      canvas.w])
            for y in range(canvas.h)]


def icons():
    """{size: canvas} for every icon size."""
    out = {size: from_grid(size) for size in GRID_SIZES}
    out[48] = drawn(48)
    out[64] = drawn(64)
    out[128] = scale_up(out[64], 2)
    out[192] = scale_up(out[64], 3)  # 192 and 512: the page's install icons
    out[256] = scale_up(out[64], 4)
    out[512] = scale_up(out[64], 8)
    return out
