#!/usr/bin/env bash
# Builds the fuzzer over the driver's commands (clang with libFuzzer and the sanitizers) and runs
# it for SECONDS (default 45) from the seed corpus in fuzz/corpus. New inputs it finds go to
# BUILD_DIR/corpus, so the committed corpus stays as it is. A crash leaves its input in BUILD_DIR
# as crash-*; replay one with: BUILD_DIR/fuzz/fenwing_sim_fuzz crash-FILE
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-45}"
build="${BUILD_DIR:-build-fuzz}"
cxx="${FUZZ_CXX:-clang++-14}"
cmake -S . -B "$build" -DCMAKE_CXX_COMPILER="$cxx" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DFENWING_FUZZ=ON -DFENWING_WINDOW=OFF -DFENWING_TESTS=OFF >/dev/null
cmake --build "$build" -j "$(nproc)" --target fenwing_sim_fuzz
mkdir -p "$build/corpus"
cd "$build"
# The progress lines of each new input are left out; the rest, and any crash, are shown.
set +e
fuzz/fenwing_sim_fuzz corpus "$OLDPWD/fuzz/corpus" -dict="$OLDPWD/fuzz/sim.dict" \
  -max_total_time="$seconds" -timeout=10 -max_len=2048 -rss_limit_mb=2048 -seed=1 \
  -print_final_stats=1 2>&1 | grep -v '^#[0-9].*\(NEW\|REDUCE\|pulse\)'
status=${PIPESTATUS[0]}
set -e
[ "$status" -eq 0 ] && echo "fuzz: no failure in $seconds s"
exit "$status"
