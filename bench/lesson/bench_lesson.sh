#!/usr/bin/env bash
# A whole course as one dictation track against the same words as their own files, side by
# side in one run (not a test; run it by hand from the project root after a build):
#   the whole of 中考词汇 (1,603 words), each word twice with its meaning, MP3, all cores,
#   1. as one lesson track with its LRC, the key and the class's sheet (--lesson, 5 s to write);
#   2. as one MP3 file per word (the same speaking options).
# For each: the time to write, the peak memory of lexovox-batch, the size; then the track's
# length against the sum of the words' own files, and what each word adds in the track (its
# number, the writing pause) against the silence a word's own file has at its ends.
# Usage: bench/lesson/bench_lesson.sh [COURSE]   (needs GNU time and soxi with MP3 support)
set -euo pipefail
course=${1:-中考词汇}
batch=${LEXOVOX_BATCH:-build/bin/lexovox-batch}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
common=(--course "$course" --type mp3 --meaning --repeat 2 --quiet)

run() {  # label, folder, options…
    local label=$1 folder=$2
    shift 2
    mkdir -p "$folder"
    /usr/bin/time -f "%e %M" -o "$work/time" "$batch" --out "$folder" "${common[@]}" "$@" 2>/dev/null
    read -r seconds kilobytes < "$work/time"
    printf '%-22s %8.1f s %8.0f MB peak %8.1f MB written\n' "$label" "$seconds" "$((kilobytes / 1024))" \
        "$(du -sm "$folder" | cut -f1)"
}

echo "$course, each word twice with its meaning, MP3, all cores ($(nproc))"
run "lesson track + sheets" "$work/lesson" --lesson --sheets chinese --key
run "one file per word" "$work/words"

track=$(ls "$work"/lesson/*.mp3)
words=$(ls "$work"/words/*.mp3 | wc -l)
track_s=$(soxi -D "$track")
sum_s=$(soxi -D "$work"/words/*.mp3 | awk '{ s += $1 } END { printf "%.3f", s }')
echo
printf 'track: %d words, %.1f s (%s)\n' "$(grep -c '^\[[0-9]' "${track%.mp3}.lrc")" "$track_s" \
    "$(date -u -d "@${track_s%.*}" +%Hh%Mm%Ss)"
printf "the words' own files: %d, %.1f s in all\n" "$words" "$sum_s"
awk -v t="$track_s" -v s="$sum_s" -v n="$words" 'BEGIN {
    printf "the track is %.1f s longer: %.2f s a word (its number and a breath, 5 s to write, less the 0.4 s\n", t - s, (t - s) / n
    printf "of silence at the ends of a word'"'"'s own file)\n" }'
