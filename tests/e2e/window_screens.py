#!/usr/bin/env python3
"""The real window on a player's screen, with a window manager (run by xvfb.sh --wm).

On the screen it is given: the window opens whole, frame, title bar and menu bar included,
centred, with its exact title; File -> Start, chosen with the mouse, brings the ducks out. With
--maximise it is first maximised by a double click on its title bar, and the field then fills
the window's height, centred across.

    window_screens.py BINARY [--maximise]
"""

import argparse
import time

from xwin import (BACK, CLIENT_H, CLIENT_W, Frame, click, fail, find_window, geometry, note,
                  quit_with_del, run, running, setup, wait_for)

FIELD_TOP, FIELD_BOTTOM = 840 / 15, 10245 / 15  # imgField, in natural pixels
COLUMN = 1600 / 15  # a column of the field with no label above or below it


def screen_size():
    fields = run("xwininfo", "-root").split()
    return int(fields[fields.index("Width:") + 1]), int(fields[fields.index("Height:") + 1])


def placed(wid):
    """The client window and its frame on the screen: (x, y, w, h) each."""
    x, y, w, h = geometry(wid)
    extents = run("xprop", "-id", wid, "_NET_FRAME_EXTENTS").split("=")[-1]
    left, right, top, bottom = [int(v) for v in extents.split(",")] \
        if "," in extents else (0, 0, 0, 0)
    return (x, y, w, h), (x - left, y - top, w + left + right, h + top + bottom)


def settled(wid):
    """The geometry once two looks a quarter of a second apart agree."""
    a = placed(wid)
    time.sleep(0.25)
    return a if placed(wid) == a else None


def menu_height(frame):
    """The menu bar's height: the rows above the first that is grey in the client area's left
    margin (the field and every label lie to the right of it)."""
    for y in range(frame.height):
        if all(frame.at(x, y + dy) == BACK for x in (1, 3, 6) for dy in (0, 1, 2)):
            return y
    fail("no grey margin below the menu bar")


def check_title(wid):
    name = run("xprop", "-id", wid, "_NET_WM_NAME").split("=", 1)[-1].strip()
    if name != '"Fenwing"':
        fail("the window's title is %s, not \"Fenwing\"" % name)


def check_on_screen(wid, screen, centred):
    client, frame = wait_for("the window to settle", lambda: settled(wid), 20)
    sw, sh = screen
    x, y, w, h = frame
    note("frame %d,%d %dx%d on a %dx%d screen; client %d,%d %dx%d"
         % (x, y, w, h, sw, sh, *client))
    if x < 0 or y < 0 or x + w > sw or y + h > sh:
        fail("the window, frame included, is not all on the screen")
    if centred and (abs(2 * x + w - sw) > 3 or abs(2 * y + h - sh) > 3):
        fail("the window is not centred on the screen")
    return client


def maximise(wid, screen):
    client, (x, y, w, _) = placed(wid)
    title_y = y + (client[1] - y) // 2
    run("xdotool", "mousemove", str(x + w // 2), str(title_y), "click", "--repeat", "2",
        "--delay", "80", "1")
    wait_for("the window to be maximised", lambda: placed(wid)[1][2] == screen[0], 10)
    note("maximised by a double click on the title bar")


def check_field_fills_height(wid):
    frame = Frame(wid)
    menu = menu_height(frame)
    view_w, view_h = frame.width, frame.height - menu
    k = min(view_w / CLIENT_W, view_h / CLIENT_H)
    x = int((view_w - CLIENT_W * k) / 2 + COLUMN * k)
    rows = [y for y in range(menu, frame.height) if frame.at(x, y) != BACK]
    if not rows:
        fail("no field in column %d" % x)
    top, bottom = rows[0] - menu, rows[-1] + 1 - menu
    want_top, want_bottom = FIELD_TOP * k, FIELD_BOTTOM * k
    note("view %dx%d, scale %.3f: the field spans rows %d to %d (expected %.1f to %.1f)"
         % (view_w, view_h, k, top, bottom, want_top, want_bottom))
    if k < 1.2 or abs(top - want_top) > 2 or abs(bottom - want_bottom) > 2:
        fail("the field does not fill the window's height")
    if abs(view_h - CLIENT_H * k) > 2:
        fail("the client area does not fill the window's height")


def start_with_the_mouse(wid):
    before = Frame(wid)
    menu = menu_height(before)
    # File, at the left of the menu bar; then its first item, Start, just below it.
    click(wid, 12, menu // 2)
    time.sleep(0.7)
    click(wid, 24, menu + 11)

    def ducks():
        after = Frame(wid)
        changed = sum(1 for y in range(menu + 40, before.height, 3)
                      for x in range(0, before.width, 3) if after.at(x, y) != before.at(x, y))
        return changed if changed > 100 else None
    changed = wait_for("the ducks after File -> Start", ducks, 10, step=0.2)
    note("File -> Start with the mouse: the ducks are out (%d sampled pixels changed)" % changed)


def main():
    setup("window screens")
    parser = argparse.ArgumentParser()
    parser.add_argument("binary")
    parser.add_argument("--maximise", action="store_true")
    args = parser.parse_args()
    screen = screen_size()
    with running([args.binary]) as game:
        wid = wait_for("the game's window", lambda: find_window("Fenwing"), 30)
        check_title(wid)
        check_on_screen(wid, screen, centred=True)
        if args.maximise:
            maximise(wid, screen)
            check_on_screen(wid, screen, centred=False)
            time.sleep(0.5)
            check_field_fills_height(wid)
        start_with_the_mouse(wid)
        quit_with_del(game, wid, 10)
    note("PASS")


if __name__ == "__main__":
    main()
