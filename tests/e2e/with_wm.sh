#!/usr/bin/env bash
# Runs a command on a virtual X screen of the given size with a real window manager, openbox,
# as a player's desktop has one: frames with title bars, placement, maximising.
#   with_wm.sh WIDTHxHEIGHT COMMAND...
# Exits 77 (a skip for ctest) only when xvfb-run or openbox is not installed.
set -euo pipefail
size=$1
shift
if [ -z "${FENWING_IN_XVFB:-}" ]; then
  for tool in xvfb-run openbox xprop; do
    if ! command -v "$tool" >/dev/null; then
      echo "with_wm: SKIPPED: $tool is not installed (tools/setup.sh installs it)"
      exit 77
    fi
  done
  FENWING_IN_XVFB=1 exec xvfb-run -a -s "-screen 0 ${size}x24 -noreset" bash "$0" "$size" "$@"
fi
XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-$(mktemp -d)}"
export XDG_RUNTIME_DIR
openbox --sm-disable >/dev/null 2>&1 &
wm=$!
trap 'kill $wm 2>/dev/null; wait $wm 2>/dev/null || true' EXIT
# Until it has taken over the screen.
for _ in $(seq 200); do
  xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
  sleep 0.05
done
status=0
"$@" || status=$?
exit "$status"
