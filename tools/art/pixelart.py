"""A tiny pixel-art toolkit: a canvas of named colours, shapes tested at pixel centres,
outline passes, and byte-stable PNG/GIF writers (JPEG goes through ImageMagick).

Only the standard library is used, so the art builds with a stock python3.
"""

import math
import struct
import subprocess
import zlib

from palette import PALETTE


def rgb(name):
    """The (r, g, b) of a palette colour name."""
    value = PALETTE[name]
    return int(value[1:3], 16), int(value[3:5], 16), int(value[5:7], 16)


# --- transforms -------------------------------------------------------------------------------


class Affine:
    """x' = a*x + b*y + c, y' = d*x + e*y + f."""

    def __init__(self, a=1.0, b=0.0, c=0.0, d=0.0, e=1.0, f=0.0):
        self.m = (a, b, c, d, e, f)

    def __mul__(self, other):  # self after other
        a, b, c, d, e, f = self.m
        A, B, C, D, E, F = other.m
        return Affine(a * A + b * D, a * B + b * E, a * C + b * F + c,
                      d * A + e * D, d * B + e * E, d * C + e * F + f)

    def apply(self, x, y):
        a, b, c, d, e, f = self.m
        return a * x + b * y + c, d * x + e * y + f

    def inverse(self):
        a, b, c, d, e, f = self.m
        det = a * e - b * d
        ia, ib, id_, ie = e / det, -b / det, -d / det, a / det
        return Affine(ia, ib, -(ia * c + ib * f), id_, ie, -(id_ * c + ie * f))


def translate(x, y):
    return Affine(1, 0, x, 0, 1, y)


def scale(sx, sy=None):
    return Affine(sx, 0, 0, 0, sx if sy is None else sy, 0)


def rotate(degrees, cx=0.0, cy=0.0):
    """Rotation about (cx, cy); positive turns clockwise on screen (y points down)."""
    r = math.radians(degrees)
    co, si = math.cos(r), math.sin(r)
    return translate(cx, cy) * Affine(co, -si, 0, si, co, 0) * translate(-cx, -cy)


def mirror_x(width):
    return Affine(-1, 0, width, 0, 1, 0)


IDENTITY = Affine()


# --- shapes -----------------------------------------------------------------------------------
# Every shape answers contains(x, y) in its own coordinates and a bounding box (x0, y0, x1, y1).


class Ellipse:
    def __init__(self, cx, cy, rx, ry=None, angle=0.0):
        self.cx, self.cy, self.rx, self.ry = cx, cy, rx, rx if ry is None else ry
        r = math.radians(angle)
        self.co, self.si = math.cos(r), math.sin(r)

    def contains(self, x, y):
        dx, dy = x - self.cx, y - self.cy
        u = dx * self.co + dy * self.si
        v = -dx * self.si + dy * self.co
        return (u / self.rx) ** 2 + (v / self.ry) ** 2 <= 1.0

    def bbox(self):
        r = max(self.rx, self.ry)
        return self.cx - r, self.cy - r, self.cx + r, self.cy + r


def Circle(cx, cy, r):
    return Ellipse(cx, cy, r, r)


class Rect:
    def __init__(self, x0, y0, x1, y1):
        self.box = (x0, y0, x1, y1)

    def contains(self, x, y):
        x0, y0, x1, y1 = self.box
        return x0 <= x < x1 and y0 <= y < y1

    def bbox(self):
        return self.box


class Poly:
    def __init__(self, *points):
        self.pts = points

    def contains(self, x, y):
        inside = False
        pts = self.pts
        j = len(pts) - 1
        for i in range(len(pts)):
            xi, yi = pts[i]
            xj, yj = pts[j]
            if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
                inside = not inside
            j = i
        return inside

    def bbox(self):
        xs = [p[0] for p in self.pts]
        ys = [p[1] for p in self.pts]
        return min(xs), min(ys), max(xs), max(ys)


class Segment:
    """A thick line with round ends (a capsule) from p to q, half-width r."""

    def __init__(self, p, q, r):
        self.p, self.q, self.r = p, q, r

    def contains(self, x, y):
        (px, py), (qx, qy) = self.p, self.q
        dx, dy = qx - px, qy - py
        length2 = dx * dx + dy * dy
        t = 0.0 if length2 == 0 else max(0.0, min(1.0, ((x - px) * dx + (y - py) * dy) / length2))
        ex, ey = px + t * dx - x, py + t * dy - y
        return ex * ex + ey * ey <= self.r * self.r

    def bbox(self):
        (px, py), (qx, qy), r = self.p, self.q, self.r
        return min(px, qx) - r, min(py, qy) - r, max(px, qx) + r, max(py, qy) + r


class Union:
    def __init__(self, *shapes):
        self.shapes = shapes

    def contains(self, x, y):
        return any(s.contains(x, y) for s in self.shapes)

    def bbox(self):
        boxes = [s.bbox() for s in self.shapes]
        return (min(b[0] for b in boxes), min(b[1] for b in boxes),
                max(b[2] for b in boxes), max(b[3] for b in boxes))


class Minus:
    def __init__(self, shape, hole):
        self.shape, self.hole = shape, hole

    def contains(self, x, y):
        return self.shape.contains(x, y) and not self.hole.contains(x, y)

    def bbox(self):
        return self.shape.bbox()


class Both:
    def __init__(self, a, b):
        self.a, self.b = a, b

    def contains(self, x, y):
        return self.a.contains(x, y) and self.b.contains(x, y)

    def bbox(self):
        return self.a.bbox()


# --- canvas -----------------------------------------------------------------------------------

OUTLINE_PART = -1


class Canvas:
    """Pixels hold palette colour names (None = background). Each pixel also remembers which
    part painted it; parts stack in the order they are first used, which is what the inner
    outline pass uses to decide which side of a seam gets the line."""

    def __init__(self, width, height, background=None):
        self.w, self.h = width, height
        self.background = background
        self.px = [background] * (width * height)
        self.part = [0] * (width * height)
        self.parts = {}

    def part_id(self, name):
        if name not in self.parts:
            self.parts[name] = len(self.parts) + 1
        return self.parts[name]

    def get(self, x, y):
        return self.px[y * self.w + x]

    def put(self, x, y, colour, part=None):
        if 0 <= x < self.w and 0 <= y < self.h:
            i = y * self.w + x
            self.px[i] = colour
            if part is not None:
                self.part[i] = self.part_id(part)

    def fill(self, shape, colour, part=None, xf=IDENTITY, clip=None):
        """Paint shape (in its own coordinates, placed by xf). A new part name starts a new layer;
        clip (a part name or a list of them) limits painting to pixels of those parts."""
        pid = self.part_id(part) if part is not None else None
        clip_ids = None
        if clip is not None:
            names = [clip] if isinstance(clip, str) else clip
            clip_ids = {self.part_id(n) for n in names}
        inv = xf.inverse()
        x0, y0, x1, y1 = shape.bbox()
        corners = [xf.apply(x, y) for x, y in ((x0, y0), (x1, y0), (x0, y1), (x1, y1))]
        bx0 = max(0, int(math.floor(min(c[0] for c in corners))) - 1)
        by0 = max(0, int(math.floor(min(c[1] for c in corners))) - 1)
        bx1 = min(self.w, int(math.ceil(max(c[0] for c in corners))) + 1)
        by1 = min(self.h, int(math.ceil(max(c[1] for c in corners))) + 1)
        for y in range(by0, by1):
            row = y * self.w
            for x in range(bx0, bx1):
                i = row + x
                if clip_ids is not None and self.part[i] not in clip_ids:
                    continue
                u, v = inv.apply(x + 0.5, y + 0.5)
                if shape.contains(u, v):
                    self.px[i] = colour
                    if pid is not None:
                        self.part[i] = pid

    def neighbours4(self, x, y):
        for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1)):
            nx, ny = x + dx, y + dy
            if 0 <= nx < self.w and 0 <= ny < self.h:
                yield ny * self.w + nx

    def outline_outside(self, colour):
        """A one-pixel line around everything painted, drawn on the background."""
        snapshot = list(self.part)
        for y in range(self.h):
            for x in range(self.w):
                i = y * self.w + x
                if snapshot[i] == 0 and any(snapshot[j] != 0 for j in self.neighbours4(x, y)):
                    self.px[i] = colour
                    self.part[i] = OUTLINE_PART

    def outline_seams(self, colour, parts=None):
        """A line on the upper side of every seam between two parts (optionally only for the
        named upper parts). colour may be a dict from part name to colour, with None as default."""
        snapshot = list(self.part)
        names = {v: k for k, v in self.parts.items()}
        wanted = None if parts is None else {self.part_id(p) for p in parts}
        for y in range(self.h):
            for x in range(self.w):
                i = y * self.w + x
                p = snapshot[i]
                if p <= 0 or (wanted is not None and p not in wanted):
                    continue
                if any(0 < snapshot[j] < p for j in self.neighbours4(x, y)):
                    if isinstance(colour, dict):
                        self.px[i] = colour.get(names[p], colour.get(None))
                    else:
                        self.px[i] = colour
                    self.part[i] = OUTLINE_PART

    def recolour(self, mapping):
        self.px = [mapping.get(c, c) for c in self.px]

    def mirrored(self):
        out = Canvas(self.w, self.h, self.background)
        for y in range(self.h):
            row = y * self.w
            out.px[row:row + self.w] = self.px[row:row + self.w][::-1]
            out.part[row:row + self.w] = self.part[row:row + self.w][::-1]
        out.parts = dict(self.parts)
        return out

    def paste_grid(self, x0, y0, rows, key):
        """Copy a character grid onto the canvas; key maps characters to colours, '.' is skipped."""
        for dy, line in enumerate(rows):
            for dx, ch in enumerate(line):
                if ch != '.' and ch != ' ':
                    self.put(x0 + dx, y0 + dy, key[ch], 'grid')


# --- resampling -------------------------------------------------------------------------------


def cells(src_len, dst_len):
    """For an image of src_len pixels shown at dst_len with nearest-neighbour sampling, the
    source pixel range [start, end) that belongs to each shown pixel, so that an image drawn
    on a dst_len grid and enlarged with these cells shrinks back to exactly that grid whether
    the scaler samples pixel centres or pixel corners (needs src_len >= 2 * dst_len)."""
    k = src_len / dst_len
    edges = [int(math.floor(i * k)) for i in range(dst_len)] + [src_len]
    return [(edges[i], edges[i + 1]) for i in range(dst_len)]


def enlarge(canvas, width, height):
    """Enlarge a canvas designed at its shown size to the stored size (see cells())."""
    out = Canvas(width, height, canvas.background)
    for ly, (y0, y1) in enumerate(cells(height, canvas.h)):
        for lx, (x0, x1) in enumerate(cells(width, canvas.w)):
            c = canvas.get(lx, ly)
            for y in range(y0, y1):
                for x in range(x0, x1):
                    out.px[y * width + x] = c
    return out


def centre_sampled(src_len, dst_len, block):
    """For an image of src_len pixels shown stretched to dst_len by sampling pixel centres,
    which design cell (of `block` shown pixels) each source pixel should carry, so the shown
    picture is made of even blocks."""
    k = src_len / dst_len
    owner = [None] * src_len
    for s in range(dst_len):
        src = min(src_len - 1, int(math.floor((s + 0.5) * k)))
        if owner[src] is None:
            owner[src] = s // block
    last = 0
    for i in range(src_len):  # rows the scaler skips take their upper neighbour
        if owner[i] is None:
            owner[i] = last
        last = owner[i]
    return owner


def resample(canvas, width, height, xmap, ymap):
    out = Canvas(width, height, canvas.background)
    for y in range(height):
        src = ymap[y] * canvas.w
        row = y * width
        for x in range(width):
            out.px[row + x] = canvas.px[src + xmap[x]]
    return out


def scale_up(canvas, factor):
    return resample(canvas, canvas.w * factor, canvas.h * factor,
                    [x // factor for x in range(canvas.w * factor)],
                    [y // factor for y in range(canvas.h * factor)])


# --- writers ----------------------------------------------------------------------------------


def _rgb_bytes(canvas):
    cache = {}
    out = bytearray()
    for c in canvas.px:
        if c not in cache:
            cache[c] = bytes(rgb(c))
        out += cache[c]
    return bytes(out)


def write_jpeg(canvas, path, quality):
    """JPEG through ImageMagick with every option pinned: no metadata, 4:4:4 chroma."""
    ppm = b'P6\n%d %d\n255\n' % (canvas.w, canvas.h) + _rgb_bytes(canvas)
    data = subprocess.run(
        ['convert', 'ppm:-', '-strip', '-interlace', 'none', '-sampling-factor', '1x1',
         '-quality', str(quality), 'jpg:-'],
        input=ppm, stdout=subprocess.PIPE, check=True).stdout
    with open(path, 'wb') as f:
        f.write(data)


def write_png(canvas, path):
    """RGBA PNG with only IHDR, IDAT and IEND; background pixels are fully transparent."""
    raw = bytearray()
    for y in range(canvas.h):
        raw.append(0)
        for c in canvas.px[y * canvas.w:(y + 1) * canvas.w]:
            raw += b'\0\0\0\0' if c is None else bytes(rgb(c)) + b'\xff'

    def chunk(kind, body):
        return (struct.pack('>I', len(body)) + kind + body
                + struct.pack('>I', zlib.crc32(kind + body) & 0xffffffff))

    data = (b'\x89PNG\r\n\x1a\n'
            + chunk(b'IHDR', struct.pack('>IIBBBBB', canvas.w, canvas.h, 8, 6, 0, 0, 0))
            + chunk(b'IDAT', zlib.compress(bytes(raw), 9))
            + chunk(b'IEND', b''))
    with open(path, 'wb') as f:
        f.write(data)


def _lzw(indices, min_size):
    """GIF flavoured LZW: variable-width codes packed LSB first."""
    clear, end = 1 << min_size, (1 << min_size) + 1
    out = bytearray()
    acc = bits = 0

    def emit(code, width):
        nonlocal acc, bits
        acc |= code << bits
        bits += width
        while bits >= 8:
            out.append(acc & 0xff)
            acc >>= 8
            bits -= 8

    table = {(i,): i for i in range(clear)}
    next_code, width = end + 1, min_size + 1
    emit(clear, width)
    run = ()
    for index in indices:
        grown = run + (index,)
        if grown in table:
            run = grown
            continue
        emit(table[run], width)
        if next_code < 4096:
            table[grown] = next_code
            next_code += 1
            if next_code > (1 << width) and width < 12:
                width += 1
        else:
            emit(clear, width)
            table = {(i,): i for i in range(clear)}
            next_code, width = end + 1, min_size + 1
        run = (index,)
    if run:
        emit(table[run], width)
    emit(end, width)
    if bits:
        out.append(acc & 0xff)
    return bytes(out)


def write_gif(canvas, path):
    """A single-frame GIF with a global colour table and no extension blocks at all, so there
    is no transparent colour and no animation."""
    colours = sorted(set(canvas.px), key=lambda c: rgb(c))
    if len(colours) > 256:
        raise ValueError('too many colours for a GIF')
    bits = max(1, (len(colours) - 1).bit_length())
    table = b''.join(bytes(rgb(c)) for c in colours) + b'\0\0\0' * ((1 << bits) - len(colours))
    index = {c: i for i, c in enumerate(colours)}
    pixels = [index[c] for c in canvas.px]
    min_size = max(2, bits)
    lzw = _lzw(pixels, min_size)
    blocks = b''.join(bytes([len(lzw[i:i + 255])]) + lzw[i:i + 255]
                      for i in range(0, len(lzw), 255))
    data = (b'GIF89a' + struct.pack('<HHBBB', canvas.w, canvas.h, 0x80 | (bits - 1) << 4
                                    | (bits - 1), 0, 0)
            + table
            + b'\x2c' + struct.pack('<HHHHB', 0, 0, canvas.w, canvas.h, 0)
            + bytes([min_size]) + blocks + b'\0'
            + b'\x3b')
    with open(path, 'wb') as f:
        f.write(data)


class Lcg:
    """A small fixed pseudo-random sequence, the same on every Python."""

    def __init__(self, seed):
        self.state = seed & 0xffffffff

    def next(self):
        self.state = (self.state * 1664525 + 1013904223) & 0xffffffff
        return self.state >> 8

    def uniform(self, lo, hi):
        return lo + (hi - lo) * (self.next() / float(1 << 24))

    def choice(self, seq):
        return seq[self.next() % len(seq)]
