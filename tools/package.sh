#!/usr/bin/env bash
# Builds the Debian package build-deb/lexovox_VERSION_ARCH.deb: the programs installed under
# /usr with the default vocabulary, desktop entry, icons and manual pages.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build-deb -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
      -DLEXOVOX_BUILD_TESTS=OFF -DLEXOVOX_BUILD_BENCH=OFF >/dev/null
cmake --build build-deb -j "$(nproc)"
cd build-deb
cpack -G DEB
