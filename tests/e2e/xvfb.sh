#!/usr/bin/env bash
# Runs a command on a virtual X screen of its own, as the real-window tests do:
#   xvfb.sh [--size WIDTHxHEIGHT] [--wm] [--needs "TOOL..."] COMMAND...
# The screen is 1280x1024 unless --size says otherwise. With --wm a real window manager, openbox,
# runs on it, as a player's desktop has one: frames with title bars, placement, maximising.
# Exits 77 (a skip for ctest) only when xvfb-run, with --wm openbox or xprop, or one of the
# TOOLs is not installed.
set -euo pipefail
options=("$@")
size=1280x1024 wm="" needs=xvfb-run
while [ $# -gt 0 ]; do
  case $1 in
    --size) size=$2; shift 2 ;;
    --wm) wm=1 needs="$needs openbox xprop"; shift ;;
    --needs) needs="$needs $2"; shift 2 ;;
    *) break ;;
  esac
done
if [ -z "${FENWING_IN_XVFB:-}" ]; then
  for tool in $needs; do
    if ! command -v "$tool" >/dev/null; then
      echo "xvfb.sh: SKIPPED: $tool is not installed (tools/setup.sh installs it)"
      exit 77
    fi
  done
  FENWING_IN_XVFB=1 exec xvfb-run -a -s "-screen 0 ${size}x24 -noreset" bash "$0" "${options[@]}"
fi

# On the screen. A runtime directory of its own unless there is one; a data folder of its own,
# where the game keeps its recordings and best games, so that nothing a test plays reaches the
# player's; no Python caches among the sources.
runtime="" wm_pid=""
if [ -z "${XDG_RUNTIME_DIR:-}" ]; then
  runtime=$(mktemp -d)
  export XDG_RUNTIME_DIR=$runtime
fi
data=$(mktemp -d)
export XDG_DATA_HOME=$data
export PYTHONDONTWRITEBYTECODE=1
cleanup() {
  if [ -n "$wm_pid" ]; then kill "$wm_pid" 2>/dev/null; wait "$wm_pid" 2>/dev/null; fi
  [ -z "$runtime" ] || rm -rf "$runtime"
  rm -rf "$data"
}
trap 'cleanup || true' EXIT
if [ -n "$wm" ]; then
  openbox --sm-disable >/dev/null 2>&1 &
  wm_pid=$!
  # Until it has taken over the screen.
  for _ in $(seq 200); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
    sleep 0.05
  done
fi
status=0
"$@" || status=$?
exit "$status"
