#!/usr/bin/env bash
# Builds Lexovox and starts it from the build tree, where it finds the default vocabulary
# build/share/lexovox/code.dll as the installed program finds its own.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/build.sh
cd build/bin
exec ./lexovox
