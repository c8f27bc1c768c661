#!/usr/bin/env bash
# Writes one word as MP3 at each of the nine sample rates (mono and stereo) through the program's
# own file writer (bench_filetypes rates) and decodes every file with mpg123, ffmpeg and sox
# (libsox-fmt-mp3). A decoder "complains" when it fails, prints anything at its warning level,
# or decodes to another rate than the file's (which mutagen-inspect reads from its header). Usage: tools/measure-mp3-decoders.sh [build dir] [kbps…]
set -uo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build}
shift || true
rates_kbps=("$@")
[ ${#rates_kbps[@]} -gt 0 ] || rates_kbps=(32 64 128)
writer=$build/bench/filetypes/bench_filetypes
[ -x "$writer" ] || { echo "build bench_filetypes first ($writer)"; exit 2; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

decoders=()
command -v mpg123 >/dev/null && decoders+=(mpg123)
command -v ffmpeg >/dev/null && decoders+=(ffmpeg)
command -v sox >/dev/null && sox -h 2>/dev/null | grep -q 'AUDIO FILE FORMATS:.* mp3' && decoders+=(sox)
echo "decoders: ${decoders[*]}"

# Prints "ok" or what the decoder said.
decode() {
    local decoder=$1 file=$2 rate=$3 out err
    case $decoder in
    mpg123) err=$(mpg123 -q -w "$work/out.wav" "$file" 2>&1) || { echo "fail: ${err//$'\n'/ }"; return; }
            out=$(soxi -r "$work/out.wav" 2>/dev/null || sox --i -r "$work/out.wav") ;;
    ffmpeg) err=$(ffmpeg -nostdin -v warning -i "$file" -f wav -y "$work/out.wav" 2>&1) || { echo "fail: ${err//$'\n'/ }"; return; }
            out=$(ffprobe -v error -show_entries stream=sample_rate -of csv=p=0 "$work/out.wav") ;;
    sox)    err=$(sox -V2 "$file" "$work/out.wav" 2>&1) || { echo "fail: ${err//$'\n'/ }"; return; }
            out=$(sox --i -r "$work/out.wav") ;;
    esac
    if [ -n "$err" ]; then echo "warns: ${err//$'\n'/ }"; return; fi
    [ "$out" = "$rate" ] && echo ok || echo "rate $out"
}

for kbps in "${rates_kbps[@]}"; do
    folder=$work/$kbps
    "$writer" rates "$folder" mp3 "$kbps" >/dev/null || { echo "writing at $kbps kbps failed"; continue; }
    for file in "$folder"/*.mp3; do
        name=$(basename "$file" .mp3)
        written=$(mutagen-inspect "$file" | sed -n 's/.*, \([0-9]*\) Hz.*/\1/p')
        line="$kbps kbps ${name%-*} Hz ${name#*-} ch (file ${written} Hz):"
        for decoder in "${decoders[@]}"; do
            line+=" $decoder=$(decode "$decoder" "$file" "$written")"
        done
        echo "$line"
    done | sort -t' ' -k3,3n -k5,5n
done
