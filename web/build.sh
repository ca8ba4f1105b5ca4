#!/usr/bin/env bash
# Builds fenwing-sim in WebAssembly, for node, into build-web/ (or the folder given) with
# emscripten; tools/setup.sh installs it. Then, as the native one:
#   node build-web/fenwing-sim.js [--check] [--cues] [SCRIPT]
# and the page, as plain static files in build-web/page/ (web/serve.sh serves them), with its
# manifest and its service worker for offline play.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$root/build-web}"
# Debian's emscripten runs its tools in node with modules (acorn) that Debian keeps there.
export NODE_PATH="${NODE_PATH:+$NODE_PATH:}/usr/share/nodejs"

if ! command -v emcmake >/dev/null || ! command -v node >/dev/null || ! command -v esbuild >/dev/null; then
  echo "web/build.sh: needs emscripten (emcmake), node and esbuild: run tools/setup.sh" >&2
  exit 1
fi
emcmake cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
jobs="$(nproc)"
[ "$jobs" -gt 2 ] && jobs=2
cmake --build "$build" -j "$jobs" --target fenwing-sim fenwing-page

# The page: its own files (its scripts are ES modules, main.js first), the module, the six
# pictures (the field stored smaller), the install icons, the nine sounds as MP3 and the label
# fonts cut down with their licence (web/make_assets.py makes those three), and the service
# worker that keeps them all for offline play.
page="$build/page"
rm -rf "$page"
mkdir -p "$page/pictures" "$page/sounds" "$page/fonts" "$page/icons"
cp "$root"/web/page/index.html "$root"/web/page/fenwing.css "$root"/web/page/manifest.webmanifest \
  "$page/"
# The scripts go out minified by esbuild (a third of their weight): the modules as one file,
# main.js with all it imports (one request instead of nine, and no module graph to walk before
# the first frame); the two plain scripts, early.js and the module's loader, each as it is, with
# their global names. The service worker is left as it is, to be read.
minify() { esbuild --minify --log-level=warning "$@"; }
esbuild "$root/web/page/main.js" --bundle --format=esm --minify --log-level=warning \
  --outfile="$page/main.js"
minify <"$root/web/page/early.js" >"$page/early.js"
minify <"$build/fenwing-page.js" >"$page/fenwing-page.js"
cp "$build/fenwing-page.wasm" "$page/"
cp "$root"/assets/*.gif "$root"/assets/*.jpg "$page/pictures/"
cp "$root"/web/assets/pictures/* "$page/pictures/"
cp "$root"/web/assets/sounds/*.mp3 "$page/sounds/"
cp "$root/assets/icons/fenwing-32.png" "$page/favicon.png"
cp "$root/assets/icons/fenwing-192.png" "$root/assets/icons/fenwing-512.png" "$page/icons/"
cp "$root"/web/assets/fonts/* "$page/fonts/"

# The service worker lists every file of the page and names its cache from a hash of them and of
# itself, so that a build with any file changed replaces the one before in a visitor's browser.
files="$(cd "$page" && find . -type f | sed 's|^\./||' | LC_ALL=C sort)"
stamp="$( { cat "$root/web/page/sw.js"; for f in $files; do echo "$f"; cat "$page/$f"; done; } |
  sha256sum | cut -c1-16)"
list="$(printf '"%s", ' $files | sed 's/, $//')"
sed -e "s|@BUILD@|$stamp|" -e "s|@FILES@|$list|" "$root/web/page/sw.js" >"$page/sw.js"
echo "web/build.sh: the page is in $page"
