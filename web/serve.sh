#!/usr/bin/env bash
# Builds the page (web/build.sh) and serves it on this machine only:
#   bash web/serve.sh [PORT]      then open http://127.0.0.1:PORT/ (8000 by default)
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
port="${1:-8000}"
bash "$root/web/build.sh" "$root/build-web"
echo "Fenwing is served at http://127.0.0.1:$port/ (Ctrl+C stops it)"
exec python3 -m http.server --bind 127.0.0.1 --directory "$root/build-web/page" "$port"
