#!/usr/bin/env python3
"""Recording and replaying, end to end, on an X display (run by xvfb.sh --wm).

A whole session in the real window, recorded with --record and played by xdotool: F1, shots at
ducks found in the window's pixels, misses, the ammunition crate, a help box left open while
the ticks go on and closed with Return after a click on the window, a stall of the process (SIGSTOP, SIGCONT), a restart with F1 and one chosen
from the File menu with the mouse, every shot spent, and Del. At exit the window writes its
state (--state); fenwing-sim --check must print exactly the same for the recording. Then the
recording is replayed in the window (--replay, with clicks, keys and a stall of its own that
must change nothing) and must end in the same state. Last, recordings cut short, edited and of
a future version must end in the driver's `error: FILE:LINE: REASON` and status 2 in both
programs.

    replay_e2e.py FENWING FENWING_SIM [WORKDIR]

The window may be of any size: the field is found in its pixels and everything is placed from
it. While the session is played, what the game made of each click is asked of fenwing-sim, on
the recording written so far (each event is on disk as soon as it happens).
"""

import os
import re
import signal
import subprocess
import sys
import tempfile
import time

from xwin import (GRID, Frame, blobs, centre, click, fail, find_window, flying_ducks, moving,
                  note, press, quit_with_del, run, running, same, setup, steady, wait_for, within)


class Field:
    """Where the field lies in the window, found in a frame with nothing on it: the longest run
    of pixels unlike the window's background across its middle, and up and down from there in
    the sky. Everything else is placed from it, in twips as the game counts them."""

    LEFT, TOP, WIDTH, HEIGHT = 1440, 840, 11040, 9405  # imgField, twips

    def __init__(self, frame):
        back = frame.at(2, frame.height - 3)
        y = frame.height * 45 // 100
        best, start = (0, 0), None
        for x in range(frame.width + 1):
            inside = x < frame.width and frame.at(x, y) != back
            if inside and start is None:
                start = x
            elif not inside and start is not None:
                best = max(best, (x - start, start))
                start = None
        width, self.left = best
        self.right = self.left + width
        x = self.left + width * 4 // 5
        top, bottom = y, y
        while top > 0 and frame.at(x, top - 1) != back:
            top -= 1
        while bottom < frame.height and frame.at(x, bottom) != back:
            bottom += 1
        self.top, self.bottom = top, bottom
        self.box = self.left, top, self.right, bottom
        self.scale = width * 15.0 / self.WIDTH  # pixels per 15 twips
        if width < 200 or abs((bottom - top) * 15.0 / self.scale - self.HEIGHT) > 300:
            fail("no field found in the window (%d x %d px at %d, %d)"
                 % (width, bottom - top, self.left, top))

    def px(self, x, y):
        """A point in twips, in the window's pixels."""
        return (self.left + (x - self.LEFT) / 15.0 * self.scale,
                self.top + (y - self.TOP) / 15.0 * self.scale)

    def size(self, twips):
        return twips / 15.0 * self.scale


class Session:
    """The window being played, its recording, and what fenwing-sim makes of it so far."""

    def __init__(self, process, sim, recording):
        self.process, self.sim, self.recording = process, sim, recording
        self.wid = wait_for("the game's window", lambda: find_window("Fenwing"), 30)
        self.focus()
        # The first steady frame: the field bare, before Start.
        self.empty = wait_for("a steady first frame", lambda: steady(self.wid, 0.2), 30)
        self.field = Field(self.empty)
        f = self.field
        note("window %s: %d x %d px, the field at (%d, %d)-(%d, %d), %.2f px a pixel"
             % (self.wid, self.empty.width, self.empty.height, f.left, f.top, f.right,
                f.bottom, f.scale))

    def focus(self, wid=None):
        run("xdotool", "windowfocus", "--sync", wid or self.wid, check=False)

    def key(self, name, wid=None):
        press(wid or self.wid, name, check=False)

    def click(self, x, y, recorded=True):
        """A click; unless it is to be refused, until the recording has it."""
        inputs = len(self.inputs())
        click(self.wid, x, y)
        if recorded:
            wait_for("the click in the recording", lambda: len(self.inputs()) > inputs, 10)

    def recorded(self):
        """The recording so far, without a last line still being written."""
        with open(self.recording) as f:
            text = f.read()
        return text[:text.rfind("\n") + 1]

    def game_says(self, *names):
        """What the game holds now, by the driver's `get`, from the recording so far."""
        script = self.recorded() + "".join("get %s\n" % n for n in names)
        result = subprocess.run([self.sim], input=script, capture_output=True, text=True,
                                timeout=60)
        if result.returncode != 0:
            fail("fenwing-sim could not play the recording so far: " + result.stderr.strip())
        return result.stdout.splitlines()[-len(names):]

    def wait_recorded(self, line, count=1, seconds=10):
        wait_for("'%s' in the recording" % line,
                 lambda: self.recorded().splitlines().count(line) >= count, seconds)

    def inputs(self):
        return [l for l in self.recorded().splitlines()
                if l.split()[:1] in (["click_at"], ["key"], ["menu"])]

    def shots_and_hits(self):
        shots, hits = self.game_says("Shots", "LblScore2.Caption")
        return int(shots), int(hits)


def lateness(x, y, vx, vy, centres):
    """How much later than reckoned a click at (x, y) aimed along (vx, vy) came, from where
    the game had the nearest target then; none when no target was near."""
    near = [(cx, cy) for cx, cy in centres if abs(cx - x) + abs(cy - y) < 150]
    speed2 = vx * vx + vy * vy
    if not near or speed2 == 0:
        return 0.0
    cx, cy = min(near, key=lambda c: abs(c[0] - x) + abs(c[1] - y))
    return max(-0.1, min(0.3, ((cx - x) * vx + (cy - y) * vy) / speed2))


def shoot_ducks(session, hits_wanted, seconds, required=True):
    """Shots at flying ducks found in the pixels, until `hits_wanted` have hit. A miss tells,
    from where the game had the ducks at that moment, how much later than reckoned the click
    came (a slow build, a busy machine), and the next aim allows for it."""
    f = session.field
    names = ("ImgDuck1", "Imgduck2", "Imgduck3")
    shots, hits = session.shots_and_hits()
    first_hits, attempts, late = hits, 0, 0.0
    deadline = time.monotonic() + seconds
    while hits - first_hits < hits_wanted and time.monotonic() < deadline:
        targets = flying_ducks(session.wid, session.empty, f.box, f.scale, late)
        if not targets:
            time.sleep(0.05)
            continue
        x, y, vx, vy = targets[0]
        session.click(x, y)
        attempts += 1
        said = session.game_says("Shots", "LblScore2.Caption",
                                 *("%s.%s" % (n, p) for n in names for p in ("Left", "Top")))
        shots, now_hits = int(said[0]), int(said[1])
        note("%s at (%d, %d): %d shots left"
             % ("a hit" if now_hits > hits else "a miss", x - f.left, y - f.top, shots))
        if now_hits == hits:
            places = [float(v) for v in said[2:]]
            late += lateness(x, y, vx, vy, [f.px(places[i] + 652.5, places[i + 1] + 450)
                                            for i in (0, 2, 4)])
        hits = now_hits
    if hits == first_hits and required:
        fail("no duck was hit in %d shots" % attempts)
    return hits - first_hits


def bare_point(session):
    """A point of the field that no duck covers now nor will soon."""
    f = session.field
    frame = Frame(session.wid)
    taken = blobs(session.empty, frame, f.box)
    reach = f.size(1305) + 40
    for tx, ty in ((2000, 1400), (11900, 1400), (2000, 9700), (11900, 9700), (7000, 5000)):
        x, y = f.px(tx, ty)
        if all(abs(x - centre(b)[0]) > reach or abs(y - centre(b)[1]) > reach for b in taken):
            return x, y
    return f.px(7000, 1000)


def miss(session):
    before = session.shots_and_hits()
    x, y = bare_point(session)
    session.click(x, y)
    after = session.shots_and_hits()
    note("a click on the bare field at (%d, %d): shots %d -> %d, hits %d -> %d"
         % (x - session.field.left, y - session.field.top, before[0], after[0], before[1],
            after[1]))


def click_the_crate(session, seconds):
    """The crate crosses right to left, first about 10 s after the first Start and then every
    5 to 34 s at a random height: found in the field as a blob of its size moving straight to
    the left, and clicked where it will be, until it has been hit twice; a miss is allowed for
    as a duck's."""
    f = session.field
    crate_w, crate_h = f.size(600), f.size(555)

    def crate(box, dx, dy, dt):
        w, h = box[2] - box[0], box[3] - box[1]
        return abs(w - crate_w) <= 3 * GRID + 2 and abs(h - crate_h) <= 3 * GRID + 2 and \
            dx < 0 and abs(dy) <= 2 and -dx <= 400 * f.scale * dt + 10

    deadline = time.monotonic() + seconds
    clicks, late = 0, 0.0
    before = session.game_says("AmmoClicks")[0]
    while time.monotonic() < deadline and clicks < 2:
        for x, y, vx, vy in moving(session.wid, session.empty, f.box, crate, late):
            if x > f.left + crate_w:
                session.click(x, y)
                after, left = session.game_says("AmmoClicks", "ImgAmmo.Left")
                crate_x = f.px(float(left) + 300, 0)[0]
                note("a click at the crate at (%d, %d), its centre at %d then: AmmoClicks %s -> %s"
                     % (x - f.left, y - f.top, crate_x - f.left, before, after))
                if after != before:
                    clicks += 1
                else:
                    late += lateness(x, y, vx, vy, [(crate_x, y)])
                before = after
                break
        else:
            time.sleep(0.05)
    if not clicks:
        fail("the crate was not clicked in %g s" % seconds)


def play(session):
    # F1 until the ducks show: a key sent before the window has the focus is lost.
    def started():
        session.key("F1")
        time.sleep(0.3)
        return session.game_says("ImgDuck1.Visible") == ["True"]
    wait_for("the game to start", started, 20, step=0.5)
    started_at = time.monotonic()
    note("F1 started the game")

    # Ducks until about 7 s in, and two misses: the crate comes at about 10 s. If no duck was
    # hit by then, more shots after the crate.
    hits = shoot_ducks(session, 2, max(2, started_at + 7 - time.monotonic()), required=False)
    miss(session)
    miss(session)
    time.sleep(max(0, started_at + 9 - time.monotonic()))
    click_the_crate(session, 45)
    if not hits:
        shoot_ducks(session, 1, 20)

    # A help box left open while the ticks go on, then closed with Return. A click on the field
    # meanwhile is refused: it is not game input, and is not recorded. The window manager gives
    # the window the keyboard at that click, and the box takes it back: Return, sent to whatever
    # has the keyboard, still closes the box.
    session.key("F3")
    box = wait_for("the Controls box", lambda: find_window("Controls"), 20)
    seconds_before = session.game_says("LblTimeLeft.Caption")[0]
    inputs = session.inputs()
    session.click(*bare_point(session), recorded=False)
    time.sleep(1.5)
    if session.inputs() != inputs:
        fail("a click while the Controls box was open was recorded as game input")
    run("xdotool", "key", "Return")
    if not within(lambda: not find_window("Controls"), 5):
        fail("Return after a click on the window did not close the Controls box (the keyboard "
             "is with window %s)" % run("xdotool", "getwindowfocus").strip())
    session.focus()
    note("the Controls box was open from %s s left; a click meanwhile was refused, and Return "
         "closed the box after it" % seconds_before)

    # A stall: the process stopped for 1.5 s; the window's timers catch up in one late tick.
    def stalls():
        return sum(1 for l in session.recorded().splitlines() if l.startswith("stall "))
    before = stalls()
    session.process.send_signal(signal.SIGSTOP)
    time.sleep(1.5)
    session.process.send_signal(signal.SIGCONT)
    wait_for("the stall in the recording", lambda: stalls() > before, 10)
    note("a stall of the process was recorded")

    # A restart with F1, and one chosen from the File menu with the mouse: the menu opened
    # with a click on File, its first item chosen with Down and Return (not a shortcut).
    session.key("F1")
    session.wait_recorded("key F1", 2)
    time.sleep(1)
    menu_bar = session.field.top - session.field.size(840)  # the client area's top
    for _ in range(5):
        session.focus()
        click(session.wid, menu_bar, menu_bar / 2)
        time.sleep(1)
        run("xdotool", "key", "Down", "Return")
        if within(lambda: "menu mnufileStart" in session.recorded(), 5):
            break
        run("xdotool", "key", "Escape")  # the menu did not open in time: again
    session.wait_recorded("menu mnufileStart")
    note("restarted with F1 and with File -> Start")

    # Every shot spent on the bare field (again if a bonus item gave more meanwhile): the game
    # ends with its box.
    spent = 0
    while True:
        shots = session.shots_and_hits()[0]
        if shots <= 0:
            break
        x, y = bare_point(session)
        inputs = len(session.inputs())
        run("xdotool", "mousemove", "--window", session.wid, str(int(x)), str(int(y)))
        for _ in range(shots):
            run("xdotool", "click", "1")
            time.sleep(0.04)
        wait_for("the clicks in the recording",
                 lambda: len(session.inputs()) >= inputs + shots, 20)
        spent += shots
    # The box that opens at a click has the keyboard: Return, sent to whatever has it, closes
    # the box.
    box = wait_for("the out-of-shots box", lambda: find_window("Oh no!"), 20)
    while box:  # one, unless a click came before it opened
        time.sleep(0.5)
        run("xdotool", "key", "Return")
        if not within(lambda: find_window("Oh no!") != box, 5):
            fail("Return did not close the out-of-shots box that opened at a click (the "
                 "keyboard is with window %s)" % run("xdotool", "getwindowfocus").strip())
        box = within(lambda: find_window("Oh no!"), 1)
    note("%d shots spent; the game ended with its box, which Return closed" % spent)

    quit_with_del(session.process, session.wid, 20, check=False)


def replay(binary, recording, workdir, expected):
    """The recording played in the window must end in the same state, whatever the player
    does meanwhile and however the process is stopped."""
    state = os.path.join(workdir, "replay-state.txt")
    started = time.monotonic()
    with running([binary, "--replay", recording, "--state", state]) as game:
        wid = wait_for("the replay's window", lambda: find_window(r"Fenwing \(replay\)"), 30)
        note("the replay's window is titled 'Fenwing (replay)'")
        time.sleep(3)
        if game.poll() is None:  # the player's own clicks and keys are ignored
            run("xdotool", "windowfocus", "--sync", wid, check=False)
            click(wid, 300, 300, check=False)
            run("xdotool", "key", "F1", "F3", check=False)
            time.sleep(2)
            game.send_signal(signal.SIGSTOP)
            time.sleep(1.5)
            game.send_signal(signal.SIGCONT)
        length = sum(float(l.split()[1]) for l in open(recording)
                     if l.startswith(("advance ", "stall "))) / 1000
        try:
            status = game.wait(timeout=length + 90)
        except subprocess.TimeoutExpired:
            fail("the replay was still running long after its end")
    if status != 0:
        fail("the replay ended with status %d" % status)
    same("the replay's state", expected, open(state).read())
    note("the replay ended by itself after %.1f s in the same state" % (time.monotonic() - started))


def bad_recordings(binary, sim, recording, workdir):
    text = open(recording).read()
    lines = text.splitlines(True)
    cut = next(i for i, l in enumerate(lines) if l.startswith("click_at "))
    cases = {
        "cut short": "".join(lines[:cut]) + lines[cut][:12],
        "edited": text.replace("key F1\n", "key F13\n", 1),
        "of a future version": text.replace("version 1\n", "version 2\n", 1),
    }
    for what, bad in cases.items():
        path = os.path.join(workdir, "bad.sim")
        with open(path, "w") as f:
            f.write(bad)
        results = []
        for args in ([sim, path], [binary, "--replay", path]):
            try:
                r = subprocess.run(args, capture_output=True, text=True, timeout=30)
            except subprocess.TimeoutExpired:
                fail("%s on a recording %s did not end" % (args[0], what))
            if r.returncode != 2 or not re.fullmatch(r"error: %s:\d+: [^\n]+\n" % re.escape(path),
                                                      r.stderr):
                fail("%s on a recording %s: status %d, %r"
                     % (os.path.basename(args[0]), what, r.returncode, r.stderr))
            results.append(r.stderr)
        if results[0] != results[1]:
            fail("a recording %s: fenwing-sim says %r, the window %r" % (what, *results))
        note("a recording %s: %s" % (what, results[0].strip()))


def main():
    setup("replay e2e", timeout=20)
    binary, sim = sys.argv[1:3]
    workdir = sys.argv[3] if len(sys.argv) > 3 else tempfile.mkdtemp(prefix="fenwing-replay-")
    os.makedirs(workdir, exist_ok=True)
    recording = os.path.join(workdir, "session.sim")
    state = os.path.join(workdir, "window-state.txt")
    with running([binary, "--record", recording, "--state", state]) as process:
        play(Session(process, sim, recording))
    counts = {w: sum(1 for l in open(recording) if l.split()[:1] == [w])
              for w in ("advance", "stall", "click_at", "key", "menu")}
    note("the recording: " + ", ".join("%d %s" % (n, w) for w, n in counts.items()))

    window = open(state).read()
    result = subprocess.run([sim, "--check", recording], capture_output=True, text=True,
                            timeout=60)
    if result.returncode != 0:
        fail("fenwing-sim --check on the recording: status %d, %s"
             % (result.returncode, result.stderr.strip()))
    same("fenwing-sim's output", window, result.stdout)
    note("fenwing-sim --check prints exactly the window's state (%d lines, %d boxes)"
         % (len(window.splitlines()), window.count("msgbox ")))

    replay(binary, recording, workdir, window)
    bad_recordings(binary, sim, recording, workdir)
    note("PASS")


if __name__ == "__main__":
    main()
