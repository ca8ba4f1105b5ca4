#!/usr/bin/env bash
# Installs the Debian packages that building, playing and testing need, where they are missing.
set -euo pipefail

packages=(
  cmake g++ make pkg-config python3         # the build and the picture tool
  qt6-base-dev fonts-liberation             # the window (Qt Widgets and Network), its pictures
                                            # and label fonts
  libfontconfig-dev                         # its fonts' configuration, read early at start-up
  libpulse-dev                              # the sound player (libpulse is loaded at run time)
  pulseaudio pulseaudio-utils sox           # the real-sound test: a private server, parec, sox
  libgtest-dev googletest                   # the tests
  xvfb xauth xdotool x11-utils imagemagick  # real-window tests and screenshots
  openbox                                   # a window manager for them, as players have
  dpkg-dev file man-db lintian              # the Debian package and its test
  desktop-file-utils appstream              # validating the desktop entry and metainfo
  emscripten nodejs                         # fenwing-sim in WebAssembly, run by node
  esbuild                                   # the page's scripts minified (web/build.sh)
  fonttools python3-brotli lame             # the page's fonts, sounds and field picture
  libjpeg-turbo-progs                       # (web/make_assets.py)
  chromium                                  # the page's tests, headless
  libcpp-httplib-dev libsqlite3-dev         # the shared board: its HTTP service, its own store,
  libpqxx-dev postgresql                    # PostgreSQL's client, and its server for the tests
)
# npm for the page's tests' one module; a node from elsewhere may bring its own npm.
command -v npm >/dev/null || packages+=(npm)
packages+=("$@")

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  echo "setup: installing ${missing[*]}"
  $sudo apt-get update -q
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q "${missing[@]}"
fi

# The browser tests' driver, puppeteer-core at the version that tests/web/package-lock.json pins;
# it drives the chromium installed above and downloads no browser of its own.
web_tests="$(cd "$(dirname "$0")/../tests/web" && pwd)"
if [ ! -f "$web_tests/node_modules/puppeteer-core/package.json" ] ||
  [ "$web_tests/package-lock.json" -nt "$web_tests/node_modules/.package-lock.json" ]; then
  echo "setup: installing the browser tests' modules (npm ci in tests/web)"
  (cd "$web_tests" && npm ci --no-audit --no-fund)
fi
