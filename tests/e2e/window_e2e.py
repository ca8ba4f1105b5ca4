#!/usr/bin/env python3
"""The real window, end to end, on an X display (run by window_e2e.sh under xvfb-run).

Starts the game, presses F1, finds a flying duck in the window's pixels, shoots it, and checks
on screen that the hit and shot counters changed; opens the About box with F5 and closes it
with Return; quits with Del, which must end the program with status 0 within a second. Also
checks that without any display the program says so in one line and fails.

    window_e2e.py BINARY [--save PNG] [--exit-seconds S]

Only the standard library, xdotool, xwininfo and ImageMagick's import are used.
"""

import argparse
import os
import struct
import subprocess
import sys
import time
import zlib

# The window's layout in pixels (twips / 15), from the client area's top-left corner.
CLIENT_W, CLIENT_H = 927, 803  # 13905 x 12045 twips
BACK = (0xC0, 0xC0, 0xC0)
FIELD = (96, 56, 832, 683)  # imgField: left, top, right, bottom
HITS = (136, 744, 249, 776)  # LblScore2
SHOTS = (656, 744, 800, 776)  # LblShotsLeft2
DUCK_W, DUCK_H = 87, 60

GRID = 3  # the duck finder compares every third pixel each way


def fail(message):
    print("window e2e: FAIL: " + message, flush=True)
    sys.exit(1)


def note(message):
    print("window e2e: " + message, flush=True)


def run(*args, timeout=10, check=True):
    result = subprocess.run(args, capture_output=True, text=True, timeout=timeout)
    if check and result.returncode != 0:
        fail("%s exited with %d: %s" % (" ".join(args), result.returncode, result.stderr.strip()))
    return result.stdout


def wait_for(what, probe, seconds, step=0.05):
    """Calls probe until it returns something true, for at most `seconds`."""
    end = time.monotonic() + seconds
    while True:
        value = probe()
        if value:
            return value
        if time.monotonic() > end:
            fail("timed out after %g s waiting for %s" % (seconds, what))
        time.sleep(step)


def find_window(title):
    out = run("xdotool", "search", "--onlyvisible", "--name", "^%s$" % title, check=False)
    ids = out.split()
    return ids[0] if ids else None


def window_size(wid):
    info = run("xwininfo", "-id", wid)
    fields = dict(line.strip().split(":", 1) for line in info.splitlines() if ":" in line)
    return int(fields["Width"]), int(fields["Height"])


class Frame:
    """One screenshot of a window: its pixels as RGB bytes, and when it was taken."""

    def __init__(self, wid):
        before = time.monotonic()
        data = subprocess.run(["import", "-window", wid, "-depth", "8", "ppm:-"],
                              capture_output=True, timeout=10).stdout
        self.time = (before + time.monotonic()) / 2
        # P6 <width> <height> <maxval> then the pixels.
        parts = data.split(maxsplit=4)
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


def client_origin(frame):
    """The client area lies below the menu bar and fills the rest of the window; it is grey
    where no control covers it (its left strip beside the field)."""
    def grey_from(y):
        return all(frame.at(x, y + dy) == BACK for x in (2, 40, 80) for dy in (0, 10, 30))
    guess = frame.height - CLIENT_H
    if guess >= 0 and grey_from(guess) and (guess == 0 or not grey_from(guess - 1)):
        return 0, guess
    for y in range(0, frame.height - 40):
        if grey_from(y):
            return 0, y
    return None


def changed(a, b, x, y):
    i = (y * a.width + x) * 3
    pa, pb = a.pixels, b.pixels
    return (abs(pa[i] - pb[i]) + abs(pa[i + 1] - pb[i + 1]) + abs(pa[i + 2] - pb[i + 2])) > 60


def blobs(empty, frame, origin):
    """Connected groups of pixels of the field that differ from the empty field, as bounding
    boxes in window pixels: the shown ducks (and bonus items)."""
    ox, oy = origin
    left, top, right, bottom = FIELD
    xs = range(left + ox, right + ox, GRID)
    ys = range(top + oy, bottom + oy, GRID)
    hit = {(x, y) for y in ys for x in xs if changed(empty, frame, x, y)}
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


def one_duck(box):
    """A group no bigger than one duck lies inside one duck, whatever its picture looks like."""
    w, h = box[2] - box[0], box[3] - box[1]
    return 2 * GRID <= w <= DUCK_W + 2 * GRID and 2 * GRID <= h <= DUCK_H + 2 * GRID


def centre(box):
    return (box[0] + box[2]) / 2, (box[1] + box[3]) / 2


def aim(empty, origin, wid):
    """Two quick screenshots; a duck seen in both, moving diagonally, is followed to where it
    will be now. Returns the point to click in window pixels, or None."""
    a = Frame(wid)
    b = Frame(wid)
    ducks_a = [centre(box) for box in blobs(empty, a, origin) if one_duck(box)]
    ducks_b = [centre(box) for box in blobs(empty, b, origin) if one_duck(box)]
    dt = b.time - a.time
    moves = []
    for bx, by in ducks_b:
        for ax, ay in ducks_a:
            dx, dy = bx - ax, by - ay
            # A flying duck moves as far across as down, at most 10 px a tick (1/64 s).
            if abs(abs(dx) - abs(dy)) <= 8 + 0.3 * max(abs(dx), abs(dy)) and \
                    max(abs(dx), abs(dy)) <= 700 * dt + 10:
                moves.append((max(abs(dx), abs(dy)), bx, by, dx / dt, dy / dt))
    ox, oy = origin
    left, top, right, bottom = FIELD
    for _, bx, by, vx, vy in sorted(moves):  # the slowest first
        lead = time.monotonic() + 0.015 - b.time
        x, y = bx + vx * lead, by + vy * lead
        # Not where it may have bounced off an edge meanwhile.
        if left + ox + DUCK_W / 2 + 15 < x < right + ox - DUCK_W / 2 - 15 and \
                top + oy + DUCK_H / 2 + 15 < y < bottom + oy - DUCK_H / 2 - 15:
            return int(x), int(y)
    return None


def shoot_a_duck(wid, empty, origin):
    hits_before = Frame(wid).area(HITS, origin)
    attempt = 0
    deadline = time.monotonic() + 20
    while attempt < 15 and time.monotonic() < deadline:  # a miss costs one of the 25 shots
        target = aim(empty, origin, wid)
        if not target:  # ducks crossing each other, or near an edge
            time.sleep(0.05)
            continue
        attempt += 1
        x, y = target
        run("xdotool", "mousemove", "--window", wid, str(x), str(y), "click", "1")
        for _ in range(10):  # the counters are drawn with the next frame
            time.sleep(0.05)
            frame = Frame(wid)
            if frame.area(HITS, origin) != hits_before:
                note("hit a duck at (%d, %d) on attempt %d"
                     % (x - origin[0], y - origin[1], attempt))
                return frame
        note("missed at (%d, %d) on attempt %d" % (x - origin[0], y - origin[1], attempt))
    fail("no duck was hit in %d shots" % attempt)


def no_display(binary):
    env = {k: v for k, v in os.environ.items()
           if k not in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM")}
    try:
        result = subprocess.run([binary], env=env, capture_output=True, text=True, timeout=20)
    except subprocess.TimeoutExpired:
        fail("without a display the program did not end within 20 s")
    lines = [l for l in result.stderr.splitlines() if l.strip()]
    if result.returncode == 0 or len(lines) != 1 or "display" not in lines[0]:
        fail("without a display: status %d, error output %r" % (result.returncode, result.stderr))
    note("without a display: status %d, %r" % (result.returncode, lines[0]))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("binary")
    parser.add_argument("--save", help="write the window after the hit to this PNG file")
    parser.add_argument("--exit-seconds", type=float, default=1.0,
                        help="how soon after Del the program must have ended")
    args = parser.parse_args()

    no_display(args.binary)

    game = subprocess.Popen([args.binary])
    try:
        wid = wait_for("the game's window", lambda: find_window("Fenwing"), 30)
        width, height = window_size(wid)
        run("xdotool", "windowfocus", "--sync", wid)
        # The first frame: the field empty, the counters at their start.
        origin = wait_for("the client area to be drawn", lambda: client_origin(Frame(wid)), 20)
        note("window %s: %d x %d, client area at %s" % (wid, width, height, origin))
        empty = wait_for("a steady first frame", lambda: steady(wid), 20)
        shots_before = empty.area(SHOTS, origin)

        # F1, until the ducks show (a key sent before the window has the focus is lost).
        def started():
            run("xdotool", "windowfocus", "--sync", wid)
            run("xdotool", "key", "F1")
            time.sleep(0.2)
            return blobs(empty, Frame(wid), origin)
        wait_for("the ducks after F1", started, 20, step=0.5)

        after = shoot_a_duck(wid, empty, origin)
        if after.area(SHOTS, origin) == shots_before:
            fail("the shots counter did not change on screen")
        note("the hits and shots counters changed on screen")
        if args.save:
            write_png(after, args.save)
            note("wrote " + args.save)

        # F5: the About box; Return closes it.
        run("xdotool", "key", "F5")
        box = wait_for("the About box", lambda: find_window("About"), 20)
        run("xdotool", "windowfocus", "--sync", box)
        run("xdotool", "key", "Return")
        wait_for("the About box to close", lambda: not find_window("About"), 20)
        note("the About box opened and closed")

        # Del quits at once.
        run("xdotool", "windowfocus", "--sync", wid)
        run("xdotool", "key", "Delete")
        pressed = time.monotonic()
        try:
            status = game.wait(timeout=args.exit_seconds + 10)
        except subprocess.TimeoutExpired:
            fail("the program was still running 10 s after Del")
        took = time.monotonic() - pressed
        if status != 0:
            fail("the program ended with status %d after Del" % status)
        if took > args.exit_seconds:
            fail("the program took %.2f s to end after Del" % took)
        note("Del ended the program with status 0 in %.2f s" % took)
    finally:
        if game.poll() is None:
            game.kill()
    note("PASS")


def write_png(frame, path):
    """The frame as an 8-bit RGB PNG file."""
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))
    stride = frame.width * 3
    rows = b"".join(b"\0" + frame.pixels[y * stride:(y + 1) * stride]
                    for y in range(frame.height))
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n")
        f.write(chunk(b"IHDR", struct.pack(">IIBBBBB", frame.width, frame.height, 8, 2, 0, 0, 0)))
        f.write(chunk(b"IDAT", zlib.compress(rows, 9)))
        f.write(chunk(b"IEND", b""))


def steady(wid):
    """A frame that the next one does not differ from: the window has finished drawing."""
    a = Frame(wid)
    time.sleep(0.1)
    b = Frame(wid)
    return b if a.pixels == b.pixels else None


if __name__ == "__main__":
    main()
