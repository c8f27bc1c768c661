#!/usr/bin/env bash
# Builds Lexovox and starts it on the sample vocabulary (build/code.dll).
set -euo pipefail
cd "$(dirname "$0")/.."
tools/build.sh
cd build
exec ./src/app/lexovox
