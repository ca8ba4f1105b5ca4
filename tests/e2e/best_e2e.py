#!/usr/bin/env python3
"""The best games in the real window, end to end, with openbox (run by xvfb.sh --wm).

A game played with real clicks to the "Oh no!" box enters the table in the data folder; F6
shows the table, and so does Games -> Best Games... chosen with the mouse; Return watches the
newest game, whose window ends on exactly the picture fenwing-frames draws for the recording
at that game's end; Esc stops watching. The player's own session is untouched by it: at Del,
its --state is what fenwing-sim prints for its recording. After a restart the game is still in
the table and is watched again from it; `fenwing --replay FILE --game N --state FILE` ends in
the state fenwing-sim prints for the recording cut at the game's end.

    best_e2e.py FENWING FENWING_SIM FENWING_FRAMES WORKDIR
"""

import argparse
import os
import shutil
import subprocess
import time

from xwin import (Frame, click, client_origin, fail, field_box, find_window, flying_ducks,
                  note, press, quit_with_del, run, running, same, setup, start_game, steady, wait_for,
                  within)

MENU_TEXT = 110  # a menu title's letters are darker than this, on every channel


def table_rows(data):
    path = os.path.join(data, "fenwing", "best-games.txt")
    if not os.path.exists(path):
        return []
    with open(path) as f:
        lines = f.read().splitlines()
    return [line.split("\t") for line in lines[2:]]


def millis(text):
    return round(float(text) * 1000)  # in microseconds


def cut_at(recording, end):
    """The recording's lines up to `end` (microseconds), the commands then too, and `state`."""
    out, t = [], 0
    for line in recording.splitlines():
        word = line.split(" ", 1)[0]
        if word in ("advance", "stall"):
            if t >= end:
                break
            step = millis(line.split()[1])
            if t + step > end:
                left = end - t
                out.append("%s %d.%03d" % (word, left // 1000, left % 1000))
                t = end
                continue
            t += step
        out.append(line)
    return "\n".join(out) + "\nstate\n"


def clicks_near(recording, end, within_us=400_000):
    """The clicks (twips) made in the last `within_us` before `end`: fenwing-frames draws a ring
    around each."""
    found, t = [], 0
    for line in recording.splitlines():
        parts = line.split()
        if parts and parts[0] in ("advance", "stall"):
            t += millis(parts[1])
        elif parts and parts[0] == "click_at" and end - within_us <= t <= end:
            found.append((float(parts[1]), float(parts[2])))
    return found


def menu_titles(frame, origin):
    """The menu bar's titles, left to right, as spans of columns holding dark letters."""
    columns = [any(max(frame.at(x, y)) < MENU_TEXT for y in range(2, origin[1] - 2))
               for x in range(frame.width)]
    spans, start = [], None
    for x, dark in enumerate(columns + [False]):
        if dark and start is None:
            start = x
        elif not dark and start is not None:
            spans.append([start, x - 1])
            start = None
    titles = []
    for span in spans:  # letters of one title are closer than 7 pixels
        if titles and span[0] - titles[-1][1] < 7:
            titles[-1][1] = span[1]
        else:
            titles.append(span)
    return titles


def play_a_game(wid):
    """F1, a shot at a duck, then every other shot on the bare field, until the box."""
    origin = wait_for("the client area", lambda: client_origin(Frame(wid)), 20)
    empty = wait_for("a steady first frame", lambda: steady(wid), 20)
    start_game(wid, empty, origin, 0.3, activate=True)
    field = field_box(origin)
    targets = within(lambda: flying_ducks(wid, empty, field), 5)
    if targets:
        click(wid, *targets[0][:2])
    # The bottom-left corner of the field: the grass, where a duck seldom is.
    for _ in range(40):
        if find_window("Oh no!"):
            break
        click(wid, field[0] + 12, field[3] - 12)
        time.sleep(0.08)
    return wait_for("the out-of-shots box", lambda: find_window("Oh no!"), 20)


def watched_to_the_end(frames, recording, row, workdir, title):
    """The watch window, once its picture is fenwing-frames' at the game's end (the rings of
    the last clicks left out): returns its window id."""
    start, end = millis(row[6]), millis(row[7])
    script = os.path.join(workdir, "cut.sim")
    with open(script, "w") as f:
        f.write(cut_at(recording, end))
    pictures = os.path.join(workdir, "frames")
    shutil.rmtree(pictures, ignore_errors=True)
    os.makedirs(pictures)
    at = "%d.%03d" % (end // 1000, end % 1000)
    run(frames, script, pictures, "100", at, at)
    expected = Frame.__new__(Frame)
    ppm_expected = subprocess.run(["convert", os.path.join(pictures, "frame-00000.png"), "-depth",
                                   "8", "ppm:-"], capture_output=True, timeout=30).stdout
    parts = ppm_expected.split(maxsplit=4)
    expected.width, expected.height, expected.pixels = int(parts[1]), int(parts[2]), parts[4]
    rings = [(x / 15, y / 15) for x, y in clicks_near(recording, end)]

    wid = wait_for("the watch window", lambda: find_window(title), 20)
    note("watching %s: %.1f s of game" % (title, (end - start) / 1e6))

    last = {}

    def same_as_expected():
        frame = steady(wid, 0.3)
        if not frame:
            return None
        # The watch window's field view is its top-left, at its natural size.
        differ = 0
        for y in range(0, expected.height, 2):
            for x in range(0, expected.width, 2):
                if any(abs(x - rx) < 30 and abs(y - ry) < 30 for rx, ry in rings):
                    continue
                if frame.at(x, y) != expected.at(x, y):
                    differ += 1
        last.update(frame=frame, differ=differ)
        return differ == 0 or None
    if not within(same_as_expected, (end - start) / 1e6 + 30, step=0.5):
        if "frame" in last:
            for name, ppm in (("watched", last["frame"].ppm), ("expected", ppm_expected)):
                with open(os.path.join(workdir, name + ".ppm"), "wb") as f:
                    f.write(ppm)
        fail("the watch window did not end on the game's last picture: %s pixels differ "
             "(%s/watched.ppm, expected.ppm)" % (last.get("differ", "all"), workdir))
    return wid


def main():
    setup("best e2e", timeout=30)
    parser = argparse.ArgumentParser()
    parser.add_argument("binary")
    parser.add_argument("sim")
    parser.add_argument("frames")
    parser.add_argument("workdir")
    args = parser.parse_args()
    shutil.rmtree(args.workdir, ignore_errors=True)
    os.makedirs(args.workdir)
    data = os.path.join(args.workdir, "data")
    env = dict(os.environ, XDG_DATA_HOME=data, XDG_CONFIG_HOME=os.path.join(args.workdir, "cfg"))
    state = os.path.join(args.workdir, "state.txt")

    with running([args.binary, "--state", state], env=env) as game:
        wid = wait_for("the game's window", lambda: find_window("Fenwing"), 30)
        box = play_a_game(wid)
        rows = wait_for("the game in the table", lambda: table_rows(data), 30)
        if len(rows) != 1 or rows[0][2] != "25" or rows[0][5] != "shots":
            fail("the table holds %r" % rows)
        note("in the table: %d hits, 25 shots, game %s" % (int(rows[0][1]), rows[0][10]))
        press(box, "Return", activate=True)
        wait_for("the box to close", lambda: not find_window("Oh no!"), 10)

        # F6, then Esc.
        press(wid, "F6", activate=True)
        table = wait_for("the table after F6", lambda: find_window("Best Games"), 20)
        press(table, "Escape", activate=True)
        wait_for("the table to close", lambda: not find_window("Best Games"), 10)

        # Games -> Best Games... with the mouse: the third title of the menu bar, then its
        # first item.
        run("xdotool", "windowactivate", "--sync", wid)
        frame = Frame(wid)
        origin = client_origin(frame)
        titles = menu_titles(frame, origin)
        if len(titles) < 3:
            fail("the menu bar shows %d titles" % len(titles))
        x = (titles[2][0] + titles[2][1]) // 2
        click(wid, x, origin[1] // 2)
        time.sleep(0.5)
        click(wid, x + 10, origin[1] + 12)
        table = wait_for("the table chosen with the mouse", lambda: find_window("Best Games"), 20)

        # Return watches the newest game, which is chosen.
        press(table, "Return", activate=True)
        recording_name = rows[0][9]
        recording_path = os.path.join(data, "fenwing", "recordings", recording_name)
        title = "Fenwing: game %s of .* \\(watching\\)" % rows[0][10]
        with open(recording_path) as f:
            recording = f.read()
        watch = watched_to_the_end(args.frames, recording, rows[0], args.workdir, title)
        press(watch, "Escape", activate=True)
        wait_for("the watch window to close", lambda: not find_window(title), 10)
        quit_with_del(game, wid, 10, activate=True)

    # The player's own session, untouched: its recording, kept in the data folder, replays to
    # the window's state.
    with open(recording_path) as f:
        recording = f.read()
    sim = subprocess.run([args.sim, "--check", recording_path], capture_output=True, text=True,
                         timeout=60)
    with open(state) as f:
        same("fenwing-sim on the kept recording and the window's --state", sim.stdout, f.read())

    # Restarted: the game is still in the table, and watched again from it.
    with running([args.binary], env=env) as game:
        wid = wait_for("the game's window again", lambda: find_window("Fenwing"), 30)
        press(wid, "F6", activate=True)
        table = wait_for("the table after the restart", lambda: find_window("Best Games"), 20)
        if table_rows(data) != rows:
            fail("the table changed: %r" % table_rows(data))
        press(table, "Return", activate=True)
        watch = watched_to_the_end(args.frames, recording, rows[0], args.workdir, title)
        press(watch, "Escape", activate=True)
        quit_with_del(game, wid, 10, activate=True)

    # The same from the command line: the state at the game's end is fenwing-sim's.
    watched = os.path.join(args.workdir, "watched.txt")
    with running([args.binary, "--replay", recording_path, "--game", rows[0][10], "--state",
                  watched, "--mute"], env=env) as game:
        watch = watched_to_the_end(args.frames, recording, rows[0], args.workdir, title)
        press(watch, "Escape", activate=True)
        if game.wait(timeout=10) != 0:
            fail("fenwing --replay --game ended with status %d" % game.returncode)
    cut = subprocess.run([args.sim], input=cut_at(recording, millis(rows[0][7])),
                         capture_output=True, text=True, timeout=60).stdout
    with open(watched) as f:
        same("fenwing --replay --game's --state and fenwing-sim at the game's end", cut, f.read())
    note("PASS")


if __name__ == "__main__":
    main()
