#!/usr/bin/env bash
# Installs what is missing, builds, and starts the game.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh
tools/build.sh
exec build/fenwing
