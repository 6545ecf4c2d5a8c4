#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the short fuzzing runs of the
# parsers first, then the whole CTest suite (GUI tests under xvfb-run), then the same suite
# built with the address and undefined-behaviour sanitizers (scripts/sanitize.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh
bash scripts/fuzz.sh
if [ -z "${DISPLAY:-}" ] && command -v xvfb-run >/dev/null; then
  xvfb-run -a -s "-screen 0 1280x1024x24" ctest --test-dir build --output-on-failure -j2 "$@"
else
  ctest --test-dir build --output-on-failure -j2 "$@"
fi
bash scripts/sanitize.sh "$@"
