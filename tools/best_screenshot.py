#!/usr/bin/env python3
"""The README's picture of the best games (run by tools/screenshots.sh, on an X screen with
openbox): a data folder with five games of other players, recorded as the window records them
(their player and date in their first lines), a game played in the window with real clicks,
and the table that F6 shows over it, the new game highlighted.

    best_screenshot.py FENWING PNG

XDG_DATA_HOME and XDG_CONFIG_HOME must name folders of their own: the games go there.
"""

import os
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
sys.dont_write_bytecode = True
from xwin import (Frame, click, client_origin, field_box, find_window, flying_ducks,  # noqa: E402
                  press, quit_with_del, run, running, setup, start_game, steady, wait_for,
                  within)

WHERE = "# A game played in the window: fenwing-sim plays it headless, fenwing --replay in the window."
DUCKS = ["ImgDuck1", "Imgduck2", "Imgduck3"]
# player, when the session began, clicks on the ducks (a miss may hit one too), shots, and
# whether the clock ended it
GAMES = [("Ada", "2026-11-28T19:42:10Z", 14, 25, False),
         ("Bo", "2026-12-01T08:15:00Z", 11, 12, True),
         ("Cy", "2026-12-03T21:30:45Z", 9, 25, False),
         ("Ada", "2026-12-05T17:05:02Z", 7, 25, False),
         ("Dee", "2026-12-06T12:00:30Z", 4, 9, True)]


def recording(player, started, hits, shots, by_time):
    lines = [WHERE, "# player: " + player, "# started: " + started, "version 1", "seed 4242",
             "advance 1500", "key F1"]
    for i in range(hits):  # a shot duck counts again while it falls
        lines += ["advance 0", "click " + DUCKS[i % 3]]
    for _ in range(shots - hits):
        lines += ["advance 350", "click_at 2000 9500"]  # the grass, left
    if by_time:
        lines.append("advance 61000")
    return "\n".join(lines + ["state"]) + "\n"


def main():
    setup("best screenshot", timeout=30)
    binary, picture = sys.argv[1], sys.argv[2]
    data = os.path.join(os.environ["XDG_DATA_HOME"], "fenwing", "recordings")
    os.makedirs(data, exist_ok=True)
    for i, game in enumerate(GAMES):
        with open(os.path.join(data, "2026120%d-000000-%d.sim" % (i + 1, 100 + i)), "w") as f:
            f.write(recording(*game))
    config = os.path.join(os.environ["XDG_CONFIG_HOME"], "fenwing")
    os.makedirs(config, exist_ok=True)
    with open(os.path.join(config, "fenwing.ini"), "w") as f:
        f.write("[player]\nname=Sam\n")

    # The table made from the recordings, once.
    with running([binary, "--mute"]) as game:
        wid = wait_for("the window", lambda: find_window("Fenwing"), 30)
        press(wid, "F6", activate=True)
        wait_for("the table", lambda: find_window("Best Games"), 20)
        time.sleep(1)
        quit_with_del(game, wid, 10, activate=True)

    with running([binary, "--mute"]) as game:
        wid = wait_for("the window", lambda: find_window("Fenwing"), 30)
        run("xdotool", "windowactivate", "--sync", wid)
        origin = wait_for("the client area", lambda: client_origin(Frame(wid)), 20)
        empty = wait_for("a steady first frame", lambda: steady(wid), 20)
        start_game(wid, empty, origin, 0.3, activate=True)
        field = field_box(origin)
        for _ in range(6):
            targets = within(lambda: flying_ducks(wid, empty, field), 3)
            if targets:
                click(wid, *targets[0][:2])
            time.sleep(0.3)
        while not find_window("Oh no!"):
            click(wid, field[0] + 12, field[3] - 12)
            time.sleep(0.1)
        box = find_window("Oh no!")
        press(box, "Return", activate=True)
        wait_for("the box to close", lambda: not find_window("Oh no!"), 10)
        press(wid, "F6", activate=True)
        wait_for("the table", lambda: find_window("Best Games"), 20)
        time.sleep(1.5)
        frame = subprocess.run(["xwininfo", "-id", wid], capture_output=True, text=True).stdout
        f = dict(line.strip().split(":", 1) for line in frame.splitlines() if ":" in line)
        x, y = int(f["Absolute upper-left X"]), int(f["Absolute upper-left Y"])
        w, h = int(f["Width"]), int(f["Height"])
        extents = subprocess.run(["xprop", "-id", wid, "_NET_FRAME_EXTENTS"], capture_output=True,
                                 text=True).stdout
        left, right, top, bottom = [int(n) for n in extents.split("=")[1].split(",")]
        run("import", "-window", "root", "-strip", "-crop",
            "%dx%d+%d+%d" % (w + left + right, h + top + bottom, x - left, y - top), "+repage",
            picture)
        print("wrote " + picture)
        quit_with_del(game, wid, 10, activate=True)


if __name__ == "__main__":
    main()
