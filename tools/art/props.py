"""The two bonus items: a box of cartridges and a wall clock.

Both are shown at about 40 pixels, so they are drawn pixel by pixel at that size and then
enlarged to the stored size (see pixelart.enlarge)."""

import math

from pixelart import Canvas, Circle, Minus, Rect, Segment, Union

# Tiny digits, three pixels wide.
DIGITS = {
    '1': ['.#.', '##.', '.#.', '.#.', '###'],
    '2': ['##.', '..#', '.#.', '#..', '###'],
    '3': ['##.', '..#', '.#.', '..#', '##.'],
    '6': ['.##', '#..', '##.', '#.#', '.#.'],
    '9': ['.#.', '#.#', '.##', '..#', '##.'],
}


def ammo_box():
    """An open olive box full of upright cartridges, 40 x 37 as shown."""
    c = Canvas(40, 37, 'white')
    # The far wall of the open box and the dark inside, then the cartridges standing in it.
    c.fill(Rect(2, 11, 38, 20), 'ink', 'inside')
    c.fill(Rect(2, 11, 38, 13), 'olive_dark', clip='inside')
    for k in range(6):
        _cartridge(c, 3 + k * 6, 2 + (k % 2), 'shell%d' % k)
    # The front of the box.
    c.fill(Rect(1, 19, 39, 36), 'olive', 'box')
    c.fill(Rect(1, 19, 39, 22), 'olive_light', clip='box')
    c.fill(Rect(1, 32, 39, 36), 'olive_dark', clip='box')
    c.fill(Rect(35, 19, 39, 36), 'olive_dark', clip='box')
    c.fill(Rect(12, 24, 27, 31), 'brass_light', clip='box')  # a label
    c.outline_seams('ink', parts=['box'])
    c.outline_outside('ink')
    for x, y in ((3, 24), (3, 30), (33, 24), (33, 30)):  # rivets
        c.put(x, y, 'olive_dark')
        c.put(x - 1, y - 1, 'olive_light')
    for x in range(12, 27):
        c.put(x, 24, 'ink')
        c.put(x, 30, 'ink')
    for y in range(24, 31):
        c.put(12, y, 'ink')
        c.put(26, y, 'ink')
    # A cartridge lying on the label.
    for x, y0, y1 in ((15, 26, 28), (16, 26, 28), (17, 26, 28), (18, 26, 28), (19, 26, 28),
                      (20, 26, 28), (21, 27, 27), (22, 27, 27), (23, 27, 27)):
        for y in range(y0, y1 + 1):
            c.put(x, y, 'olive_dark')
    return c


def _cartridge(c, x, top, part):
    """Five pixels wide: a pointed copper bullet on a brass case with a shoulder."""
    c.fill(Union(Rect(x + 2, top, x + 3, top + 1), Rect(x + 1, top + 1, x + 4, top + 4),
                 Rect(x + 1, top + 4, x + 4, top + 5), Rect(x, top + 5, x + 5, 20)), 'brass',
           part)
    c.fill(Rect(x, top, x + 5, top + 4), 'copper', clip=part)
    c.fill(Rect(x + 3, top + 1, x + 4, top + 4), 'copper_dark', clip=part)
    c.fill(Rect(x + 1, top + 1, x + 2, top + 3), 'brass_light', clip=part)
    c.fill(Rect(x, top + 5, x + 1, 20), 'brass_light', clip=part)
    c.fill(Rect(x + 4, top + 4, x + 5, 20), 'brass_dark', clip=part)
    c.fill(Rect(x + 1, top + 4, x + 4, top + 5), 'brass_dark', clip=part)


def clock():
    """A round wall clock, 38 x 38 as shown."""
    c = Canvas(38, 38, 'white')
    cx = cy = 19.0
    c.fill(Circle(cx, cy, 18.2), 'rim', 'rim')
    c.fill(Minus(Circle(cx, cy, 18.2), Circle(cx + 1.6, cy + 1.6, 17.6)), 'rim_light', clip='rim')
    c.fill(Minus(Circle(cx, cy, 18.2), Circle(cx - 1.6, cy - 1.6, 17.6)), 'rim_dark', clip='rim')
    c.fill(Circle(cx, cy, 14.2), 'white', 'face')
    c.fill(Minus(Circle(cx, cy, 14.2), Circle(cx + 1.2, cy + 1.2, 14.2)), 'face_shade',
           clip='face')
    c.outline_seams('ink')
    c.outline_outside('ink')
    _digits(c, '12', 16, 7)
    _digits(c, '3', 28, 17)
    _digits(c, '6', 18, 27)
    _digits(c, '9', 8, 17)
    for x, y in ((12, 12), (26, 12), (12, 26), (26, 26)):  # marks between the numbers
        c.put(x, y, 'rim_dark')
    # Hands: ten past ten, yellow with a dark edge.
    _hand(c, -60, 6.5)
    _hand(c, 60, 10.5)
    c.fill(Circle(19, 19, 2.2), 'ink')
    c.put(19, 19, 'rim')
    return c


def _hand(c, degrees, length):
    a = math.radians(degrees)
    tip = (19 + length * math.sin(a), 19 - length * math.cos(a))
    c.fill(Segment((19, 19), tip, 2.1), 'ink')
    c.fill(Segment((19, 19), tip, 1.1), 'hand')


def _digits(c, text, x, y):
    for ch in text:
        for dy, line in enumerate(DIGITS[ch]):
            for dx, bit in enumerate(line):
                if bit == '#':
                    c.put(x + dx, y + dy, 'ink')
        x += 4
