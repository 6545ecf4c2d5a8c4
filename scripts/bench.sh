#!/usr/bin/env bash
# The saver's benchmark, run several times per window size, with the median of each figure.
#   scripts/bench.sh                         3 runs of 10 s at 800x600 and at 1920x1080
#   scripts/bench.sh --runs 5 --seconds 20 1024x768
# One run on a shared or throttled machine can be off by a tenth, in its frame time and in
# its fill floor alike; the median of a few is a figure worth quoting. Each run's own output
# is kept in out/bench-SIZE-RUN.txt. Nothing else may run on the machine meanwhile.
set -euo pipefail
cd "$(dirname "$0")/.."

runs=3
seconds=10
sizes=()
while [ $# -gt 0 ]; do
  case "$1" in
    --runs) runs="${2:?--runs needs a number}"; shift 2 ;;
    --seconds) seconds="${2:?--seconds needs a number}"; shift 2 ;;
    [0-9]*x[0-9]*) sizes+=("$1"); shift ;;
    *) echo "usage: scripts/bench.sh [--runs N] [--seconds S] [WIDTHxHEIGHT...]" >&2; exit 2 ;;
  esac
done
[[ "$runs" =~ ^[1-9][0-9]*$ ]] || { echo "bench.sh: --runs takes a whole number, at least 1" >&2; exit 2; }
[[ "$seconds" =~ ^[1-9][0-9]*$ ]] || { echo "bench.sh: --seconds takes whole seconds, at least 1" >&2; exit 2; }
[ ${#sizes[@]} -gt 0 ] || sizes=(800x600 1920x1080)

bash scripts/build.sh
mkdir -p out
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
# A settings file and runtime folder of the benchmark's own: the user's settings are not read.
export XDG_RUNTIME_DIR="$scratch" XDG_CONFIG_HOME="$scratch/config" XDG_STATE_HOME="$scratch/state"

# The median of the numbers on standard input.
median() {
  sort -g | awk '{ v[NR] = $1 } END { if (NR == 0) print "?"; else if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

for size in "${sizes[@]}"; do
  outputs=()
  for run in $(seq 1 "$runs"); do
    output="out/bench-$size-$run.txt"
    build/src/app/quillmoor --bench "$seconds" --size "$size" > "$output"
    outputs+=("$output")
  done
  # One figure from every run: the lines that match $1, the number captured by $2.
  figure() { sed -n "/$1/ s/$2/\\1/p" "${outputs[@]}" | median; }
  printf '%s, median of %s runs of %s s: %s fps, %s ms/frame (update %s ms, drawing %s ms), ' \
    "$size" "$runs" "$seconds" \
    "$(figure '^benchmark' '.* = \([0-9.]*\) fps.*')" \
    "$(figure '^benchmark' '.*fps, \([0-9.]*\) ms\/frame.*')" \
    "$(figure '^benchmark' '.*(update \([0-9.]*\) ms.*')" \
    "$(figure '^benchmark' '.*drawing \([0-9.]*\) ms).*')"
  printf 'fill floor %s ms, ratio %s, loading screen at %s ms, first scene frame at %s ms, peak %s MB (%s MB before the scene)\n' \
    "$(figure '^fill floor' '.*floor \([0-9.]*\) ms, frame.*')" \
    "$(figure '^fill floor' '.*ratio \([0-9.]*\).*')" \
    "$(figure '^start-up' '.*loading screen at \([0-9]*\) ms.*')" \
    "$(figure '^start-up' '.*first scene frame at \([0-9]*\) ms.*')" \
    "$(figure '^memory' '.*peak \([0-9.]*\) MB.*')" \
    "$(figure '^memory' '.*of which \([0-9.]*\) MB before the scene.*')"
done
