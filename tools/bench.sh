#!/usr/bin/env bash
# Benchmarks the real window against a bare Qt window under Xvfb, and the headless driver, and
# prints one table of medians with PASS or MISS against each target (see the README's
# Benchmarks). RUNS (default 5) rounds of three window runs (the game silent, the game with
# sound, the bare window), about 2.5 minutes a run.
#   tools/bench.sh --startup    only the start-up, RUNS (default 41) runs of each, a second a run
#   tools/bench.sh --web        the page in headless chromium instead, RUNS (default 3) runs of
#                               about 75 s: its ticks, game length, CPU and weight; and LOADS
#                               (default 15) first and second visits: its first frame; with
#                               BASELINE=WEB_BUILD_DIR of another build, the two take turns
#   tools/bench.sh --board [--postgres] [--clients N] [--seconds S] [--runs N]
#                               the shared board under load on 127.0.0.1: 50 clients posting
#                               and reading for 60 s (bench/board_bench.py)
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh
if [ "${1:-}" = --board ]; then
  shift
  cmake -S . -B "${BUILD_DIR:-build}" >/dev/null
  cmake --build "${BUILD_DIR:-build}" -j 2 --target fenwing-board
  exec python3 bench/board_bench.py "${BUILD_DIR:-build}/fenwing-board" "$@"
fi
if [ "${1:-}" = --web ]; then
  bash web/build.sh "${BUILD_DIR:-build}/web/build-web" >/dev/null
  exec node bench/web_bench.mjs "${BUILD_DIR:-build}/web/build-web" "${RUNS:-3}" ${LOADS:+"$LOADS"}
fi
tools/build.sh
exec xvfb-run -a -s "-screen 0 1920x1080x24 -noreset" \
  python3 bench/bench.py "${BUILD_DIR:-build}" ${RUNS:+"$RUNS"} "$@"
