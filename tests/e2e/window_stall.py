#!/usr/bin/env python3
"""A game in the real window while the process is stopped now and then (run by with_wm.sh).

F1, then ten times a 400 ms stop (SIGSTOP, SIGCONT) some three seconds apart, as a suspended
machine or a busy desktop would stop it: the game must still last 60 +- 0.5 s from F1 to the
time-up box, and the ticks missed during a stop must not all come at once when it ends. The
times are the window's own (FENWING_TRACE): F1's Start, the box, each tick of tmrAmmoMove.

    window_stall.py BINARY
"""

import argparse
import os
import signal
import subprocess
import tempfile
import time

from window_e2e import Frame, blobs, client_origin, fail, find_window, note, run, steady, wait_for

STOPS, STOP_S, BETWEEN_S = 10, 0.4, 3.3
# Ticks up to 100 ms late are all delivered, the jitter of a busy desktop: at most 7 at once.
MOST_AT_ONCE, AT_ONCE_S = 8, 0.005


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("binary")
    args = parser.parse_args()
    trace = tempfile.NamedTemporaryFile(prefix="fenwing-stall-", delete=False).name
    game = subprocess.Popen([args.binary], env=dict(os.environ, FENWING_TRACE=trace))
    try:
        wid = wait_for("the game's window", lambda: find_window("Fenwing"), 30)
        origin = wait_for("the client area", lambda: client_origin(Frame(wid)), 20)
        empty = wait_for("a steady first frame", lambda: steady(wid), 20)

        def started():
            run("xdotool", "windowactivate", "--sync", wid)
            run("xdotool", "key", "F1")
            time.sleep(0.3)
            return blobs(empty, Frame(wid), origin)
        wait_for("the ducks after F1", started, 20, step=0.5)
        for i in range(STOPS):
            time.sleep(BETWEEN_S + 0.037 * i)  # the stops fall at every phase of the second
            game.send_signal(signal.SIGSTOP)
            time.sleep(STOP_S)
            game.send_signal(signal.SIGCONT)
        note("stopped the game %d times for %g s" % (STOPS, STOP_S))
        box = wait_for("the time-up box", lambda: find_window("Fail"), 60)
        run("xdotool", "windowactivate", "--sync", box)
        run("xdotool", "key", "Return")
        wait_for("the box to close", lambda: not find_window("Fail"), 20)
        run("xdotool", "windowactivate", "--sync", wid)
        run("xdotool", "key", "Delete")
        if game.wait(timeout=10) != 0:
            fail("the program ended with status %d" % game.returncode)
    finally:
        if game.poll() is None:
            game.send_signal(signal.SIGCONT)
            game.kill()

    starts, box, ticks = [], None, []
    with open(trace) as f:
        for line in f:
            kind, *rest = line.split()
            if kind == "tick":
                ticks.append(float(rest[0]))
            elif rest[0] == "start":
                starts.append(float(rest[1]))
            elif rest[0] == "box:Fail" and box is None:
                box = float(rest[1])
    os.unlink(trace)
    if box is None or not starts:
        fail("the trace has no Start or no time-up box")
    length = box - max(t for t in starts if t < box)
    note("the game lasted %.3f s from F1 to the time-up box" % length)
    if abs(length - 60) > 0.5:
        fail("the game did not last 60 +- 0.5 s")
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
