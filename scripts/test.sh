#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the short fuzzing runs of the
# parsers first, then the whole CTest suite (GUI tests under xvfb-run).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh
bash scripts/fuzz.sh
if [ -z "${DISPLAY:-}" ] && command -v xvfb-run >/dev/null; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24" ctest --test-dir build --output-on-failure -j2 "$@"
fi
exec ctest --test-dir build --output-on-failure -j2 "$@"
