#!/usr/bin/env bash
# Recording and replaying in the real window under a virtual X display: see replay_e2e.py.
#   replay_e2e.sh FENWING FENWING_SIM [WORKDIR]
# Runs a window manager (openbox) when one is installed. Exits 77 (a skip for ctest) only when
# xvfb-run is not installed.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
if [ -z "${FENWING_IN_XVFB:-}" ]; then
  if ! command -v xvfb-run >/dev/null; then
    echo "replay e2e: SKIPPED: xvfb-run is not installed (tools/setup.sh installs it)"
    exit 77
  fi
  FENWING_IN_XVFB=1 exec xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" \
    bash "$here/replay_e2e.sh" "$@"
fi
work="${3:-$(mktemp -d)}"
mkdir -p "$work"
export XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-$(mktemp -d)}"
wm=""
if command -v openbox >/dev/null; then
  openbox >/dev/null 2>&1 & wm=$!
  sleep 0.5
fi
status=0
python3 "$here/replay_e2e.py" "$1" "$2" "$work" || status=$?
[ -z "$wm" ] || kill "$wm" 2>/dev/null || true
exit "$status"
