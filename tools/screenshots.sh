#!/usr/bin/env bash
# Takes the README's screenshots of the real window under Xvfb: idle, in play, with the crate
# and with the clock crossing (in the first game they come about 10 and 20 s after Start), the
# three help boxes, maximised (the picture scaled to the screen's height), and the table of best games
# (tools/best_screenshot.py). Needs a build in
# build/ (or BUILD_DIR) and xvfb-run, xdotool, ImageMagick, and openbox for window frames with
# their titles.
set -euo pipefail
cd "$(dirname "$0")/.."
[ -n "${FENWING_IN_XVFB:-}" ] || exec bash tests/e2e/xvfb.sh --wm bash "$0" "$@"
bin="${BUILD_DIR:-build}/fenwing"
out=docs
mkdir -p "$out"

"$bin" & pid=$!
trap 'kill $pid 2>/dev/null || true' EXIT
for _ in $(seq 100); do
  wid=$(xdotool search --onlyvisible --name '^Fenwing$' 2>/dev/null | head -1 || true)
  [ -n "$wid" ] && break
  sleep 0.1
done
[ -n "$wid" ] || { echo "screenshots: the window did not appear" >&2; exit 1; }
sleep 0.5
xdotool windowactivate --sync "$wid"

frame() {  # the window with its frame and title, as the player sees it
  local l r t b
  read -r l r t b < <(xprop -id "$wid" _NET_FRAME_EXTENTS | tr -dc '0-9 \n' | awk '{print $1,$2,$3,$4}')
  xwininfo -id "$wid" | awk -v l="${l:-0}" -v r="${r:-0}" -v t="${t:-0}" -v b="${b:-0}" \
    '/Width:/{w=$2}/Height:/{h=$2}/Absolute upper-left X/{x=$4}/Absolute upper-left Y/{y=$4}
     END{printf "%dx%d+%d+%d", w+l+r, h+t+b, x-l, y-t}'
}
shot() { import -window root -strip -crop "$(frame)" +repage "$out/$1"; echo "wrote $out/$1"; }
box() {  # a help box: press its key, shoot the whole screen, close it
  xdotool key "$1"
  sleep 0.8
  shot "$2"
  xdotool key Return
  sleep 0.3
  xdotool windowactivate --sync "$wid"
}

shot screenshot-idle.png
box F3 screenshot-controls.png
box F5 screenshot-about.png
box F4 screenshot-howto.png
xdotool key F1
sleep 2
shot screenshot-play.png
sleep 8.8   # the crate crosses from about 10 s after Start, for about 2.7 s
shot screenshot-crate.png
sleep 10    # the clock from about 20 s
shot screenshot-clock.png
read -r _ _ top _ < <(xprop -id "$wid" _NET_FRAME_EXTENTS | tr -dc '0-9 \n' | awk '{print $1,$2,$3,$4}')
eval "$(xwininfo -id "$wid" | awk '/Absolute upper-left X/{print "x=" $4}/Absolute upper-left Y/{print "y=" $4}/Width:/{print "w=" $2}')"
xdotool mousemove $((x + w / 2)) $((y - top / 2)) click --repeat 2 --delay 80 1  # the title bar
sleep 1.5
shot screenshot-maximised.png

# The best games: the table over a game just played, beside five games of other players (a
# data folder and settings of its own, which xvfb.sh's data folder is).
kill $pid 2>/dev/null || true
wait $pid 2>/dev/null || true
XDG_CONFIG_HOME=$(mktemp -d) python3 tools/best_screenshot.py "$bin" "$out/screenshot-best.png"
