#!/usr/bin/env bash
# Installs the Debian 12 packages Lexovox needs to build, run and test. Run as root or a sudoer.
set -euo pipefail
if [ "$(id -u)" -ne 0 ]; then
    exec sudo "$0" "$@"
fi
packages=(
    # build
    g++ cmake ninja-build pkg-config
    # libraries
    qt6-base-dev libsqlite3-dev libcsv-dev mdbtools-dev libglib2.0-dev
    # tests
    libgtest-dev
    # the dialog font: a CJK serif face for the window's Chinese text
    fonts-noto-cjk
)
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${packages[@]}" >/dev/null
