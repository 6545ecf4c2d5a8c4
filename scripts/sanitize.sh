#!/usr/bin/env bash
# Builds everything with GCC's address and undefined-behaviour sanitizers into ./build-asan
# and runs the whole CTest suite there (GUI tests under xvfb-run). Any sanitizer report fails
# the test that caused it. Leaks are checked in every test that keeps to the project's own
# code; the tests that open the display, OpenGL or audio run without the leak check, because
# Mesa, SDL and GTK leave allocations behind in libraries they unload, which the leak checker
# can only name "<unknown module>" and no suppression can match.
set -euo pipefail
cd "$(dirname "$0")/.."
flags='-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer'
export ASAN_OPTIONS="abort_on_error=0:strict_string_checks=1:detect_stack_use_after_return=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export LSAN_OPTIONS="suppressions=$PWD/tests/sanitizer/lsan.supp:print_suppressions=0"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQM_WERROR=OFF \
  -DCMAKE_C_FLAGS="$flags" -DCMAKE_CXX_FLAGS="$flags" >/dev/null
cmake --build build-asan -j"$(nproc)"

# Test suites that reach the display, OpenGL or the audio library.
system_libraries='ProcessTest|GlDeviceTest|GlDirect3D|GlTest|OffscreenTest|X11Test|MusicPlaybackTest|XScreenSaverDaemon|Gtk'
run_ctest() {
  if [ -z "${DISPLAY:-}" ] && command -v xvfb-run >/dev/null; then
    xvfb-run -a -s "-screen 0 1280x1024x24" ctest --test-dir build-asan --output-on-failure -j2 "$@"
  else
    ctest --test-dir build-asan --output-on-failure -j2 "$@"
  fi
}
status=0
ASAN_OPTIONS="$ASAN_OPTIONS:detect_leaks=1" run_ctest -E "$system_libraries" "$@" || status=$?
ASAN_OPTIONS="$ASAN_OPTIONS:detect_leaks=0" run_ctest -R "$system_libraries" "$@" || status=$?
exit "$status"
