#!/usr/bin/env bash
# Builds fenwing-sim in WebAssembly, for node, into build-web/ (or the folder given) with
# emscripten; tools/setup.sh installs it. Then, as the native one:
#   node build-web/fenwing-sim.js [--check] [--cues] [SCRIPT]
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$root/build-web}"
# Debian's emscripten runs its tools in node with modules (acorn) that Debian keeps there.
export NODE_PATH="${NODE_PATH:+$NODE_PATH:}/usr/share/nodejs"

if ! command -v emcmake >/dev/null || ! command -v node >/dev/null; then
  echo "web/build.sh: needs emscripten (emcmake) and node: run tools/setup.sh" >&2
  exit 1
fi
emcmake cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j "$(nproc)" --target fenwing-sim
