#!/usr/bin/env bash
# Builds fenwing-sim in WebAssembly, for node, into build-web/ (or the folder given) with
# emscripten; tools/setup.sh installs it. Then, as the native one:
#   node build-web/fenwing-sim.js [--check] [--cues] [SCRIPT]
# and the page, as plain static files in build-web/page/ (web/serve.sh serves them).
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
jobs="$(nproc)"
[ "$jobs" -gt 2 ] && jobs=2
cmake --build "$build" -j "$jobs" --target fenwing-sim fenwing-page

# The page: its own files, the module, the six pictures, the nine sounds, and the label fonts
# with their licence.
page="$build/page"
rm -rf "$page"
mkdir -p "$page/pictures" "$page/sounds" "$page/fonts"
cp "$root"/web/page/index.html "$root"/web/page/fenwing.js "$root"/web/page/fenwing.css "$page/"
cp "$build/fenwing-page.js" "$build/fenwing-page.wasm" "$page/"
cp "$root"/assets/*.gif "$root"/assets/*.jpg "$page/pictures/"
cp "$root"/assets/sounds/*.wav "$page/sounds/"
cp "$root/assets/icons/fenwing-32.png" "$page/favicon.png"
fonts=/usr/share/fonts/truetype/liberation
if [ ! -f "$fonts/LiberationSans-Regular.ttf" ]; then
  echo "web/build.sh: needs the Liberation fonts in $fonts: run tools/setup.sh" >&2
  exit 1
fi
cp "$fonts/LiberationSans-Regular.ttf" "$fonts/LiberationSans-Bold.ttf" "$page/fonts/"
cp /usr/share/doc/fonts-liberation/copyright "$page/fonts/LICENSE"
cp /usr/share/common-licenses/GPL-2 "$page/fonts/GPL-2"
echo "web/build.sh: the page is in $page"
