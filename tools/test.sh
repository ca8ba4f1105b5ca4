#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite: first as it ships, then
# built with AddressSanitizer, UndefinedBehaviorSanitizer and LeakSanitizer, then a short run
# of the fuzzer over the headless driver's commands.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh clang-14 libclang-rt-14-dev  # clang and libFuzzer for the fuzzer
tools/build.sh
(cd build && ctest --output-on-failure -j "$(nproc)")

echo "test: the suite under the sanitizers"
BUILD_DIR=build-asan tools/build.sh -DFENWING_SANITIZE=ON
(cd build-asan &&
  UBSAN_OPTIONS=print_stacktrace=1 ctest --output-on-failure -j "$(nproc)")

echo "test: a short fuzzing run"
BUILD_DIR=build-fuzz bash fuzz/run.sh "${FENWING_FUZZ_SECONDS:-45}"
