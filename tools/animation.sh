#!/usr/bin/env bash
# Makes docs/replay.gif, the README's animation of a replayed game, from the committed recording
# docs/replay.sim (a session played in the window with fenwing --record): fenwing-frames plays it
# in virtual time and takes the window's client area every 100 ms, from just before F1 until the
# crate has been clicked twice; ImageMagick makes the pictures, at half size and in one palette
# of 64 colours, into a looping animation of about 400 KB. The same build on the same machine
# makes the same bytes. Needs a build in build/ (or BUILD_DIR) and ImageMagick.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${BUILD_DIR:-build}"
frames="$(mktemp -d)"
trap 'rm -rf "$frames"' EXIT
"$build/fenwing-frames" docs/replay.sim "$frames" 100 1400 13000
# One palette for every frame, so that what does not move stays the same from frame to frame.
convert "$frames"/frame-00010.png "$frames"/frame-00060.png "$frames"/frame-00105.png \
  -resize 50% +append +dither -colors 64 -unique-colors "$frames/palette.gif"
convert -delay 10 -loop 0 "$frames"/frame-*.png -resize 50% +dither \
  -remap "$frames/palette.gif" -layers Optimize docs/replay.gif
echo "wrote docs/replay.gif ($(stat -c %s docs/replay.gif) bytes)"
