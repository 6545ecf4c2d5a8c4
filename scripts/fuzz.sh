#!/usr/bin/env bash
# Builds the libFuzzer targets of the outside-data parsers (archives, images, X files, web
# files) with clang and the address and undefined-behaviour sanitizers into ./build-fuzz, and
# runs each for a short while (their CTest tests carry the time limits).
set -euo pipefail
cd "$(dirname "$0")/.."
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DQM_FUZZ=ON -DQM_WERROR=OFF \
  -DCMAKE_C_FLAGS='-fsanitize=fuzzer-no-link,address,undefined' \
  -DCMAKE_CXX_FLAGS='-fsanitize=fuzzer-no-link,address,undefined' >/dev/null
cmake --build build-fuzz -j"$(nproc)" --target \
  qm_media_extract_fuzzer qm-media-fuzz-seeds qm_image_fuzzer qm_xfile_fuzzer qm_web_fuzzer
ctest --test-dir build-fuzz --output-on-failure -R 'fuzz'
