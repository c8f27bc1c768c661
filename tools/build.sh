#!/usr/bin/env bash
# Configures and builds Lexovox in build/ (programs in build/bin, the default vocabulary in
# build/share/lexovox/code.dll).
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build
