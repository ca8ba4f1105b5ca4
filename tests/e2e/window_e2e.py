#!/usr/bin/env python3
"""The real window, end to end, on an X display (run by xvfb.sh).

Starts the game, presses F1, finds a flying duck in the window's pixels, shoots it, and checks
on screen that the hit and shot counters changed; opens the About box with F5 and closes it
with Return; quits with Del, which must end the program with status 0 within a second. Also
checks that without any display the program says so in one line and fails.

    window_e2e.py BINARY [--save PNG] [--exit-seconds S]
"""

import argparse
import os
import subprocess
import time

from xwin import (Frame, click, client_origin, fail, field_box, find_window, flying_ducks, note,
                  press, quit_with_del, run, running, setup, start_game, steady, wait_for)

HITS = (136, 744, 249, 776)  # LblScore2
SHOTS = (656, 744, 800, 776)  # LblShotsLeft2


def shoot_a_duck(wid, empty, origin):
    hits_before = Frame(wid).area(HITS, origin)
    attempt = 0
    deadline = time.monotonic() + 20
    while attempt < 15 and time.monotonic() < deadline:  # a miss costs one of the 25 shots
        targets = flying_ducks(wid, empty, field_box(origin))
        if not targets:  # ducks crossing each other, or near an edge
            time.sleep(0.05)
            continue
        attempt += 1
        x, y = targets[0][:2]
        click(wid, x, y)
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
    setup("window e2e")
    parser = argparse.ArgumentParser()
    parser.add_argument("binary")
    parser.add_argument("--save", help="write the window after the hit to this PNG file")
    parser.add_argument("--exit-seconds", type=float, default=1.0,
                        help="how soon after Del the program must have ended")
    args = parser.parse_args()

    no_display(args.binary)

    with running([args.binary]) as game:
        wid = wait_for("the game's window", lambda: find_window("Fenwing"), 30)
        run("xdotool", "windowfocus", "--sync", wid)
        # The first frame: the field empty, the counters at their start.
        origin = wait_for("the client area to be drawn", lambda: client_origin(Frame(wid)), 20)
        empty = wait_for("a steady first frame", lambda: steady(wid), 20)
        note("window %s: %d x %d, client area at %s" % (wid, empty.width, empty.height, origin))
        shots_before = empty.area(SHOTS, origin)
        start_game(wid, empty, origin, 0.2)

        after = shoot_a_duck(wid, empty, origin)
        if after.area(SHOTS, origin) == shots_before:
            fail("the shots counter did not change on screen")
        note("the hits and shots counters changed on screen")
        if args.save:
            subprocess.run(["convert", "ppm:-", "-strip", "png:" + args.save], input=after.ppm,
                           check=True)
            note("wrote " + args.save)

        # F5: the About box; Return closes it.
        run("xdotool", "key", "F5")
        box = wait_for("the About box", lambda: find_window("About"), 20)
        press(box, "Return")
        wait_for("the About box to close", lambda: not find_window("About"), 20)
        note("the About box opened and closed")

        # Del quits at once.
        took = quit_with_del(game, wid, args.exit_seconds + 10)
        if took > args.exit_seconds:
            fail("the program took %.2f s to end after Del" % took)
        note("Del ended the program with status 0 in %.2f s" % took)
    note("PASS")


if __name__ == "__main__":
    main()
