#!/usr/bin/env bash
# The real window's sound on a private PulseAudio server, under a virtual X display: see
# real_sound.py.   real_sound.sh BINARY
# Exits 77 (a skip for ctest) only when a program it needs is not installed.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
for tool in xvfb-run xdotool pulseaudio pactl parec sox; do
  if ! command -v "$tool" >/dev/null; then
    echo "real sound: SKIPPED: $tool is not installed (tools/setup.sh installs it)"
    exit 77
  fi
done
if [ -z "${FENWING_IN_XVFB:-}" ]; then
  FENWING_IN_XVFB=1 exec xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" \
    bash "$here/real_sound.sh" "$@"
fi
exec python3 "$here/real_sound.py" "$@"
