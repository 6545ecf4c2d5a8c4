#!/usr/bin/env bash
# The soak: an hour of scene time with every object active, then ten minutes of real time.
#   scripts/soak.sh                     the hour, then --bench 600 at 800x600
#   scripts/soak.sh --bench-seconds N   the hour, then N seconds of benchmark
# The hour is the process test that reads the scene's report at 3600 s (no non-finite number,
# the web finished, every animal on a path). The benchmark must end with no more resident
# memory than it had after its first minute, give or take 5%; its output is kept in out/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=600
if [ "${1:-}" = "--bench-seconds" ]; then
  seconds="${2:?--bench-seconds needs a number}"
  [[ "$seconds" =~ ^[0-9]+$ ]] && [ "$seconds" -ge 2 ] || { echo "soak.sh: --bench-seconds takes whole seconds, at least 2" >&2; exit 2; }
elif [ $# -gt 0 ]; then
  echo "usage: scripts/soak.sh [--bench-seconds N]" >&2
  exit 2
fi
bash scripts/build.sh
mkdir -p out
runtime=$(mktemp -d)
trap 'rm -rf "$runtime"' EXIT
export XDG_RUNTIME_DIR="$runtime"

echo "== an hour of scene time"
ctest --test-dir build -R AnHourOfSceneTimeLeavesEveryObjectSound --output-on-failure

echo "== $seconds s of real time at 800x600"
build/src/app/quillmoor --bench "$seconds" --size 800x600 | tee out/soak-bench.txt
awk '/^memory:/ {
       found = 1; settled = $2; end = $8
       if (end > settled * 1.05) { printf "soak: memory grew from %s MB to %s MB\n", settled, end; exit 1 }
       printf "soak: memory flat (%s MB settled, %s MB at the end)\n", settled, end
     }
     END { if (!found) { print "soak: the benchmark printed no memory line"; exit 1 } }' out/soak-bench.txt
