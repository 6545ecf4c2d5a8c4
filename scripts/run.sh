#!/usr/bin/env bash
# Installs what is missing, builds, and runs the saver: the test window where a display
# exists, else a headless snapshot written to ./out/snapshot.png.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec ./build/src/app/quillmoor /t "$@"
fi
mkdir -p out
./build/src/app/quillmoor --snapshot out/snapshot.png "$@"
