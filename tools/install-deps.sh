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
    qt6-base-dev libsqlite3-dev libcsv-dev mdbtools-dev libglib2.0-dev libexpected-dev
    # own word lists from spreadsheets: .xlsx (a zip) and .xls
    libzip-dev libfreexl-dev
    # speech: espeak-ng and Flite synthesis, PulseAudio sound, libsndfile WAV and Opus files,
    # LAME MP3 files, libsoxr rate conversion
    libespeak-ng-dev flite1-dev libpulse-dev libsndfile1-dev libmp3lame-dev libsoxr-dev
    # output: TagLib writes the MP3 and Opus tags; libebur128 measures loudness
    libtag1-dev libebur128-dev
    # speech at run time, named since --no-install-recommends installs only what is required
    libespeak-ng1 espeak-ng-data libflite1 libpulse0 libsndfile1 libmp3lame0 libsoxr0 libtag1v5 libebur128-1
    libzip4 libfreexl1
    # tests
    libgtest-dev
    # dictation sheet tests: pdftotext, pdfinfo and pdffonts read the PDFs back
    poppler-utils
    # speech tests and benchmark: a private sound server, its recorder, the espeak-ng command
    pulseaudio pulseaudio-utils espeak-ng
    # engine voice tests: one real speech program beside the stand-ins, Festival with its kal voice
    festival festvox-kallpc16k
    # MP3 and Opus checks: the decoders measured (tools/measure-mp3-decoders.sh), a tag reader
    # as a user has one, and a FAT file system to copy a course onto (tools/check-fat-copy.sh)
    mpg123 ffmpeg sox libsox-fmt-mp3 python3-mutagen dosfstools mtools
    # intelligibility benchmark: the speech recogniser and its US English model
    pocketsphinx pocketsphinx-en-us
    # the dialog font (a CJK serif face for the window's Chinese text) and the dictation sheets'
    # (its sans face, embedded in their PDFs)
    fonts-noto-cjk
    # Qt's own texts (OK, Cancel) in the user's language
    qt6-translations-l10n
    # the Debian package: dpkg-shlibdeps for its library dependencies, and the validators of
    # its desktop entry and AppStream metadata (packaging tests)
    dpkg-dev file desktop-file-utils appstream
)
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${packages[@]}" >/dev/null
