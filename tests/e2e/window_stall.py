#!/usr/bin/env python3
"""A game in the real window while the process is stopped now and then (run by xvfb.sh --wm).

F1, then ten times a 400 ms stop (SIGSTOP, SIGCONT) some three seconds apart, as a suspended
machine or a busy desktop would stop it: the game must still last 60 +- 0.5 s from F1 to the
time-up box, and the ticks missed during a stop must not all come at once when it ends. The
times are the window's own (FENWING_TRACE): F1's Start, the box, each tick of tmrAmmoMove. Only
the game's ticks count: before the Start and after the box nothing moves, and the window is
woken only now and then, for all the ticks due since at once.

    window_stall.py BINARY
"""

import argparse
import os
import signal
import tempfile
import time

from xwin import (Frame, client_origin, fail, find_window, note, press, quit_with_del, read_trace,
                  running, setup, start_game, steady, wait_for)

STOPS, STOP_S, BETWEEN_S = 10, 0.4, 3.3
# Ticks up to 100 ms late are all delivered, the jitter of a busy desktop: at most 7 at once.
MOST_AT_ONCE, AT_ONCE_S = 8, 0.005


def main():
    setup("window stall")
    parser = argparse.ArgumentParser()
    parser.add_argument("binary")
    args = parser.parse_args()
    trace = tempfile.NamedTemporaryFile(prefix="fenwing-stall-", delete=False).name
    with running([args.binary], env=dict(os.environ, FENWING_TRACE=trace)) as game:
        wid = wait_for("the game's window", lambda: find_window("Fenwing"), 30)
        origin = wait_for("the client area", lambda: client_origin(Frame(wid)), 20)
        empty = wait_for("a steady first frame", lambda: steady(wid), 20)
        start_game(wid, empty, origin, 0.3, activate=True)
        for i in range(STOPS):
            time.sleep(BETWEEN_S + 0.037 * i)  # the stops fall at every phase of the second
            game.send_signal(signal.SIGSTOP)
            time.sleep(STOP_S)
            game.send_signal(signal.SIGCONT)
        note("stopped the game %d times for %g s" % (STOPS, STOP_S))
        box = wait_for("the time-up box", lambda: find_window("Fail"), 60)
        press(box, "Return", activate=True)
        wait_for("the box to close", lambda: not find_window("Fail"), 20)
        quit_with_del(game, wid, 10, activate=True)

    marks, every, ticks, _ = read_trace(trace)
    os.unlink(trace)
    box = marks.get("box:Fail")
    if box is None or "start" not in every:
        fail("the trace has no Start or no time-up box")
    start = max(t for t in every["start"] if t < box)
    length = box - start
    note("the game lasted %.3f s from F1 to the time-up box" % length)
    if abs(length - 60) > 0.5:
        fail("the game did not last 60 +- 0.5 s")
    ticks = [t for t in ticks if start < t < box]
    most, first = 0, 0
    for last, t in enumerate(ticks):
        while t - ticks[first] > AT_ONCE_S:
            first += 1
        most = max(most, last - first + 1)
    note("at most %d ticks of tmrAmmoMove within %g ms" % (most, AT_ONCE_S * 1000))
    if most > MOST_AT_ONCE:
        fail("the ticks missed during a stop came all at once")
    note("PASS")


if __name__ == "__main__":
    main()
