"""What the real-window scripts share: commands that must work, waiting, the game started and
quit, its windows found by title, screenshots of them, and the ducks told apart from the empty
field. A script calls setup() first, with the name its lines begin with.

Only the standard library, xdotool, xwininfo and ImageMagick's import are used.
"""

import contextlib
import difflib
import subprocess
import sys
import time

# The window's layout in pixels at its natural size (twips / 15), from the client area's
# top-left corner.
CLIENT_W, CLIENT_H = 927, 803  # 13905 x 12045 twips
BACK = (0xC0, 0xC0, 0xC0)
FIELD = (96, 56, 832, 683)  # imgField: left, top, right, bottom
DUCK_W, DUCK_H = 87, 60
GRID = 3  # the duck finder compares every third pixel each way

_name, _timeout = "", 10


def setup(name, timeout=10):
    """`name` begins every line printed; `timeout`, in seconds, bounds each X tool's run."""
    global _name, _timeout
    _name, _timeout = name, timeout


def note(message):
    print("%s: %s" % (_name, message), flush=True)


def fail(message):
    note("FAIL: " + message)
    sys.exit(1)


def same(what, expected, got):
    """Fails with the first lines of a diff unless `got` is `expected`."""
    if expected != got:
        diff = "".join(list(difflib.unified_diff(expected.splitlines(True), got.splitlines(True),
                                                 "expected", what))[:60])
        fail("%s differs:\n%s" % (what, diff))
    note("%s: the same (%d lines)" % (what, expected.count("\n")))


def run(*args, check=True):
    result = subprocess.run(args, capture_output=True, text=True, timeout=_timeout)
    if check and result.returncode != 0:
        fail("%s exited with %d: %s" % (" ".join(args), result.returncode, result.stderr.strip()))
    return result.stdout


def within(probe, seconds, step=0.05):
    """Calls probe until it returns something true, for at most `seconds`; that, or None."""
    end = time.monotonic() + seconds
    while True:
        value = probe()
        if value or time.monotonic() > end:
            return value or None
        time.sleep(step)


def wait_for(what, probe, seconds, step=0.05):
    value = within(probe, seconds, step)
    if not value:
        fail("timed out after %g s waiting for %s" % (seconds, what))
    return value


@contextlib.contextmanager
def running(args, **popen):
    """The program, started; killed on leaving if it is still running."""
    process = subprocess.Popen(args, **popen)
    try:
        yield process
    finally:
        if process.poll() is None:
            process.kill()
            process.wait()


def find_window(title):
    """A shown window whose whole title matches `title` (a pattern), or None."""
    ids = run("xdotool", "search", "--onlyvisible", "--name", "^%s$" % title, check=False).split()
    return ids[0] if ids else None


def geometry(wid):
    """The window's client area on the screen: x, y, width, height."""
    info = run("xwininfo", "-id", wid)
    f = dict(line.strip().split(":", 1) for line in info.splitlines() if ":" in line)
    return tuple(int(f[k]) for k in ("Absolute upper-left X", "Absolute upper-left Y", "Width",
                                     "Height"))


def press(wid, *keys, check=True, activate=False):
    """Keys, once the window has the focus (with `activate`, raised by the window manager too);
    `check`: the focus must be had."""
    run("xdotool", "windowactivate" if activate else "windowfocus", "--sync", wid, check=check)
    run("xdotool", "key", *keys)


def click(wid, x, y, check=True):
    run("xdotool", "mousemove", "--window", wid, str(int(x)), str(int(y)), "click", "1",
        check=check)


def quit_with_del(game, wid, seconds, check=True, activate=False):
    """Del, which must end the program with status 0 within `seconds`: how long it took."""
    press(wid, "Delete", check=check, activate=activate)
    pressed = time.monotonic()
    try:
        status = game.wait(timeout=seconds)
    except subprocess.TimeoutExpired:
        fail("the program was still running %g s after Del" % seconds)
    if status != 0:
        fail("the program ended with status %d after Del" % status)
    return time.monotonic() - pressed


class Frame:
    """One screenshot of a window: its pixels as RGB bytes, and when it was taken."""

    def __init__(self, wid):
        before = time.monotonic()
        self.ppm = subprocess.run(["import", "-window", wid, "-depth", "8", "ppm:-"],
                                  capture_output=True, timeout=_timeout).stdout
        self.time = (before + time.monotonic()) / 2
        # P6 <width> <height> <maxval> then the pixels.
        parts = self.ppm.split(maxsplit=4)
        if len(parts) < 5 or parts[0] != b"P6":
            fail("import gave no picture of window %s" % wid)
        self.width, self.height = int(parts[1]), int(parts[2])
        self.pixels = parts[4]
        if len(self.pixels) < self.width * self.height * 3:
            fail("import gave a short picture")

    def at(self, x, y):
        i = (y * self.width + x) * 3
        return tuple(self.pixels[i:i + 3])

    def area(self, box, origin):
        ox, oy = origin
        left, top, right, bottom = box
        rows = []
        for y in range(top + oy, bottom + oy):
            i = (y * self.width + left + ox) * 3
            rows.append(self.pixels[i:i + (right - left) * 3])
        return b"".join(rows)


def steady(wid, pause=0.1):
    """A frame that the next one, `pause` seconds later, does not differ from: the window has
    finished drawing."""
    a = Frame(wid)
    time.sleep(pause)
    b = Frame(wid)
    return b if a.pixels == b.pixels else None


def client_origin(frame):
    """Where the client area of a window at its natural size lies: below the menu bar, filling
    the rest of the window; grey where no control covers it (its left strip beside the field)."""
    def grey_from(y):
        return all(frame.at(x, y + dy) == BACK for x in (2, 40, 80) for dy in (0, 10, 30))
    guess = frame.height - CLIENT_H
    if guess >= 0 and grey_from(guess) and (guess == 0 or not grey_from(guess - 1)):
        return 0, guess
    for y in range(0, frame.height - 40):
        if grey_from(y):
            return 0, y
    return None


def field_box(origin):
    """The field of a window at its natural size, in window pixels."""
    ox, oy = origin
    left, top, right, bottom = FIELD
    return left + ox, top + oy, right + ox, bottom + oy


def changed(a, b, x, y):
    i = (y * a.width + x) * 3
    pa, pb = a.pixels, b.pixels
    return (abs(pa[i] - pb[i]) + abs(pa[i + 1] - pb[i + 1]) + abs(pa[i + 2] - pb[i + 2])) > 60


def blobs(empty, frame, box):
    """Connected groups of pixels in `box` that differ from the empty field, as bounding boxes:
    the shown ducks and bonus items."""
    left, top, right, bottom = box
    hit = {(x, y) for y in range(top, bottom, GRID) for x in range(left, right, GRID)
           if changed(empty, frame, x, y)}
    found = []
    while hit:
        stack = [hit.pop()]
        x0 = x1 = stack[0][0]
        y0 = y1 = stack[0][1]
        while stack:
            x, y = stack.pop()
            x0, x1, y0, y1 = min(x0, x), max(x1, x), min(y0, y), max(y1, y)
            for n in ((x + GRID, y), (x - GRID, y), (x, y + GRID), (x, y - GRID)):
                if n in hit:
                    hit.remove(n)
                    stack.append(n)
        found.append((x0, y0, x1 + GRID, y1 + GRID))
    return found


def centre(box):
    return (box[0] + box[2]) / 2, (box[1] + box[3]) / 2


def moving(wid, empty, box, wanted, late=0.0):
    """Two quick screenshots; each blob in `box` seen in both that moves as
    `wanted(blob, dx, dy, dt)` allows, followed to where it will be when a click sent now
    arrives, 15 ms and `late` seconds from now. Returns the points to click with the speeds, in
    pixels a second, slowest first."""
    a, b = Frame(wid), Frame(wid)
    dt = b.time - a.time
    points = []
    for bb in blobs(empty, b, box):
        for ab in blobs(empty, a, box):
            (bx, by), (ax, ay) = centre(bb), centre(ab)
            if wanted(bb, bx - ax, by - ay, dt):
                vx, vy = (bx - ax) / dt, (by - ay) / dt
                lead = time.monotonic() + 0.015 + late - b.time
                points.append((abs(vx) + abs(vy), bx + vx * lead, by + vy * lead, vx, vy))
    return [p[1:] for p in sorted(points)]


def flying_ducks(wid, empty, field, scale=1.0, late=0.0):
    """moving() for the flying ducks on a field drawn `scale` times its natural size, less those
    near an edge, where they may have bounced off it meanwhile."""
    duck_w, duck_h, margin = DUCK_W * scale, DUCK_H * scale, 15 * scale
    left, top, right, bottom = field

    def duck(box, dx, dy, dt):
        # A group no bigger than one duck lies inside one duck, whatever its picture looks like;
        # a flying duck moves as far across as down, at most 10 px a tick (1/64 s).
        w, h = box[2] - box[0], box[3] - box[1]
        small = 2 * GRID <= w <= duck_w + 2 * GRID and 2 * GRID <= h <= duck_h + 2 * GRID
        diagonal = abs(abs(dx) - abs(dy)) <= 8 + 0.3 * max(abs(dx), abs(dy))
        return small and diagonal and max(abs(dx), abs(dy)) <= 700 * scale * dt + 10
    return [(x, y, vx, vy) for x, y, vx, vy in moving(wid, empty, field, duck, late)
            if left + duck_w / 2 + margin < x < right - duck_w / 2 - margin
            and top + duck_h / 2 + margin < y < bottom - duck_h / 2 - margin]


def start_game(wid, empty, origin, pause, activate=False):
    """F1 until something shows on the field (a key sent before the window has the focus is
    lost)."""
    def started():
        press(wid, "F1", activate=activate)
        time.sleep(pause)
        return blobs(empty, Frame(wid), field_box(origin))
    wait_for("the ducks after F1", started, 20, step=0.5)


def read_trace(path, cpu=None):
    """The window's trace (FENWING_TRACE): the first time of each mark, every time of each, the
    ticks, and the paints (time, device pixels); into `cpu`, the CPU time of the process and of
    the marking thread at each first mark."""
    marks, every, ticks, paints = {}, {}, [], []
    with open(path) as f:
        for line in f:
            kind, *rest = line.split()
            if kind == "tick":
                ticks.append(float(rest[0]))
            elif kind == "mark":
                # A mark's name may hold spaces ("box:Oh no!"): the three times end the line.
                name, (at, process, thread) = " ".join(rest[:-3]), rest[-3:]
                if name not in marks and cpu is not None:
                    cpu[name] = (float(process), float(thread))
                marks.setdefault(name, float(at))
                every.setdefault(name, []).append(float(at))
            elif kind == "painted":
                paints.append((float(rest[0]), int(rest[1])))
    return marks, every, ticks, paints
