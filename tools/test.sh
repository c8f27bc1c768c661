#!/usr/bin/env bash
# Builds Lexovox and runs every test: core and window tests (offscreen), then the core tests
# again under AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/build.sh
(cd build && ctest --output-on-failure)

cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DLEXOVOX_SANITIZE=ON \
      -DLEXOVOX_WITH_UI=OFF -DLEXOVOX_BUILD_BENCH=OFF >/dev/null
cmake --build build-asan
cd build-asan
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --output-on-failure
