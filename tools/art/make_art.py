#!/usr/bin/env python3
"""Draws every picture of the game and writes them into assets/.

    python3 tools/art/make_art.py            # (re)write the pictures
    python3 tools/art/make_art.py --check    # fail if assets/ differs from what would be written

Needs only python3 (standard library) and ImageMagick's `convert` for the JPEG files.
The output is the same byte for byte on every run.
"""

import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
sys.path.insert(1, os.path.dirname(HERE))
sys.dont_write_bytecode = True  # keep the source tree clean

import duck  # noqa: E402
import field  # noqa: E402
import icon  # noqa: E402
import props  # noqa: E402
from made_files import asked_to_check, differences, report  # noqa: E402
from pixelart import enlarge, write_gif, write_jpeg, write_png  # noqa: E402

ROOT = os.path.dirname(os.path.dirname(HERE))
JPEG_QUALITY = 95


def build(out):
    """Write every picture under the directory out (laid out like assets/)."""
    os.makedirs(os.path.join(out, 'icons'), exist_ok=True)
    right = duck.flying()
    write_jpeg(field.field(), os.path.join(out, 'field.jpg'), JPEG_QUALITY)
    write_jpeg(right, os.path.join(out, 'duck-right.jpg'), JPEG_QUALITY)
    write_jpeg(right.mirrored(), os.path.join(out, 'duck-left.jpg'), JPEG_QUALITY)
    write_gif(duck.tumbling(), os.path.join(out, 'duck-dead.gif'))
    write_gif(enlarge(props.ammo_box(), 112, 117), os.path.join(out, 'ammo.gif'))
    write_gif(enlarge(props.clock(), 78, 78), os.path.join(out, 'clock.gif'))
    for size, canvas in sorted(icon.icons().items()):
        write_png(canvas, os.path.join(out, 'icons', 'fenwing-%d.png' % size))


def main():
    assets = os.path.join(ROOT, 'assets')
    if not asked_to_check(__doc__, 'assets'):
        build(assets)
        return 0
    return report(differences(build, assets, 'assets'))


if __name__ == '__main__':
    sys.exit(main())
