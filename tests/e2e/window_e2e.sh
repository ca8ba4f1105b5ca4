#!/usr/bin/env bash
# The real window end to end under a virtual X display: see window_e2e.py.
#   window_e2e.sh BINARY [--save PNG] [--exit-seconds S]
# Exits 77 (a skip for ctest) only when xvfb-run is not installed.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
if [ -z "${FENWING_IN_XVFB:-}" ]; then
  if ! command -v xvfb-run >/dev/null; then
    echo "window e2e: SKIPPED: xvfb-run is not installed (tools/setup.sh installs it)"
    exit 77
  fi
  FENWING_IN_XVFB=1 exec xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" \
    bash "$here/window_e2e.sh" "$@"
fi
export XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-$(mktemp -d)}"
exec python3 "$here/window_e2e.py" "$@"
