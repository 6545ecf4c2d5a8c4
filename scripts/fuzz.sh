#!/usr/bin/env bash
# Builds the libFuzzer targets of every reader of outside data (archives, images, X files and
# the models loaded from them, web files, the settings file, the label table, the
# default-settings text, the command line) with
# clang and the address and undefined-behaviour sanitizers into ./build-fuzz, and runs each:
#   scripts/fuzz.sh              a short run of each (the test pass)
#   scripts/fuzz.sh --minutes N  N minutes of each, one after the other, then a table of
#                                executions, coverage and findings per target
#   ... --only REGEX             only the targets whose test name matches (image, xmodel, ...)
# Crashing inputs stay where libFuzzer writes them (crash-*, leak-*, timeout-* in the test's
# working folder); the log of a long run is build-fuzz/fuzz-long.log.
set -euo pipefail
cd "$(dirname "$0")/.."
minutes=0
only=''
while [ $# -gt 0 ]; do
  case "$1" in
    --minutes)
      minutes="${2:?--minutes needs a number}"
      [[ "$minutes" =~ ^[0-9]+$ ]] || { echo "fuzz.sh: --minutes takes whole minutes" >&2; exit 2; }
      shift 2 ;;
    --only) only="${2:?--only needs a pattern}"; shift 2 ;;
    *) echo "usage: scripts/fuzz.sh [--minutes N] [--only REGEX]" >&2; exit 2 ;;
  esac
done
tests="fuzz"
[ -n "$only" ] && tests="(${only}).*fuzz"
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DQM_FUZZ=ON -DQM_WERROR=OFF -DQM_FUZZ_SECONDS=$((minutes * 60)) \
  -DCMAKE_C_FLAGS='-fsanitize=fuzzer-no-link,address,undefined' \
  -DCMAKE_CXX_FLAGS='-fsanitize=fuzzer-no-link,address,undefined' >/dev/null
cmake --build build-fuzz -j2 --target \
  qm_media_extract_fuzzer qm-media-fuzz-seeds qm_image_fuzzer qm_xfile_fuzzer qm_xmodel_fuzzer \
  qm_web_fuzzer qm_settingsfile_fuzzer qm_labeltable_fuzzer qm_defaultsettings_fuzzer qm_commandline_fuzzer
if [ "$minutes" -eq 0 ]; then
  exec ctest --test-dir build-fuzz --output-on-failure -R "$tests"
fi
log=build-fuzz/fuzz-long${only:+-${only//[^A-Za-z0-9_]/_}}.log
status=0
ctest --test-dir build-fuzz -V -R "$tests" >"$log" 2>&1 || status=$?
# libFuzzer ends each run with "#RUNS DONE cov: C ft: F corp: ..."; a finding prints
# "==ERROR" or "deadly signal" and "Test command:" names the target.
awk -v minutes="$minutes" '
  /Test command:/ { for (i = 1; i <= NF; ++i) if ($i ~ /_fuzzer/) { n = $i; sub(/.*\//, "", n); sub(/["'"'"'].*$/, "", n); name = n; seen[n] = 1; if (!(n in found)) found[n] = 0 } }
  /[ \t]DONE[ \t]/ && name != "" {
    for (i = 1; i <= NF; ++i) { if ($i ~ /^#[0-9]+$/) runs[name] = substr($i, 2); if ($i == "cov:") cov[name] = $(i + 1) }
  }
  (/==ERROR/ || /deadly signal/) && name != "" { found[name]++ }
  END {
    printf "%-28s %8s %14s %10s %9s\n", "target", "minutes", "executions", "coverage", "findings"
    for (t in seen) printf "%-28s %8s %14s %10s %9s\n", t, minutes, runs[t], cov[t], found[t]
  }' "$log"
exit "$status"
