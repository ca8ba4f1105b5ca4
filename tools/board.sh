#!/usr/bin/env bash
# Installs what is missing, builds the shared board and the page, and starts the board on this
# machine only, with SQLite in build/board-data and the page beside it:
#   bash tools/board.sh [PORT]     then open http://127.0.0.1:PORT/board (8080 by default)
# Without emscripten the board starts without the page (its Watch links are then left out).
set -euo pipefail
cd "$(dirname "$0")/.."
port="${1:-8080}"
tools/setup.sh
build="${BUILD_DIR:-build}"
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-RelWithDebInfo}" >/dev/null
jobs="$(nproc)"
[ "$jobs" -gt 2 ] && jobs=2
cmake --build "$build" -j "$jobs" --target fenwing-board
page=()
if command -v emcmake >/dev/null; then
  bash web/build.sh "$build/web/build-web" >/dev/null
  page=(--page "$build/web/build-web/page")
fi
exec "$build/fenwing-board" serve --data "$build/board-data" --listen 127.0.0.1 --port "$port" \
  "${page[@]}"
