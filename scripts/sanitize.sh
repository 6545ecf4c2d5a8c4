#!/usr/bin/env bash
# Builds everything with GCC's address and undefined-behaviour sanitizers into ./build-asan
# and runs the whole CTest suite there (GUI tests under xvfb-run). Any sanitizer report fails
# the test that caused it. Leaks are reported too, except those of the system's graphics,
# sound and toolkit libraries (tests/sanitizer/lsan.supp).
set -euo pipefail
cd "$(dirname "$0")/.."
flags='-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer'
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:strict_string_checks=1:detect_stack_use_after_return=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export LSAN_OPTIONS="suppressions=$PWD/tests/sanitizer/lsan.supp:print_suppressions=0"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQM_WERROR=OFF \
  -DCMAKE_C_FLAGS="$flags" -DCMAKE_CXX_FLAGS="$flags" >/dev/null
cmake --build build-asan -j"$(nproc)"
if [ -z "${DISPLAY:-}" ] && command -v xvfb-run >/dev/null; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24" ctest --test-dir build-asan --output-on-failure -j2 "$@"
fi
exec ctest --test-dir build-asan --output-on-failure -j2 "$@"
