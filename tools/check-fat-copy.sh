#!/usr/bin/env bash
# The finished-course check: writes the 300-word 中考词汇 course as numbered, tagged MP3 files
# with a playlist (lexovox-batch, as a user makes them), plays the playlist through mpg123 (decoding only)
# and checks it plays every file in the list's order, then copies the folder onto a fresh FAT
# file system and checks every name arrived unchanged. The FAT image is loop-mounted when this
# runs as root with loop devices; otherwise mtools writes into the image directly.
# Usage: tools/check-fat-copy.sh [build dir] [course folder to keep]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build}
writer=$build/bin/lexovox-batch
[ -x "$writer" ] || { echo "build lexovox-batch first ($writer)"; exit 2; }
work=$(mktemp -d)
mounted=
cleanup() {
    [ -n "$mounted" ] && umount "$mounted" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

course=${2:-$work/中考词汇 MP3}
# The first 300 words of the shared 中考 list, as a word list of their own.
words=$work/zk300.csv
python3 - "$here/../shared/vocab/extra_words.csv" "$words" <<'PY'
import csv, sys
rows = [r for r in csv.DictReader(open(sys.argv[1], encoding='utf-8')) if r['subclass'] == 'ECDICT:中考词汇(zk)'][:300]
with open(sys.argv[2], 'w', encoding='utf-8', newline='') as out:
    w = csv.writer(out)
    w.writerow(['en', 'ch'])
    w.writerows([r['en'], r['ch']] for r in rows)
PY
mkdir -p "$course"
"$writer" --out "$course" --words "$words" --meaning --type mp3 --number --playlist --quiet
playlist="$course/$(basename "$course").m3u8"
[ -f "$playlist" ] || { echo "FAIL: no playlist $playlist"; exit 1; }

# 1. mpg123 plays the playlist in its order, every file without an error.
(cd "$course" && mpg123 -t -v -@ "$(basename "$playlist")" 2>"$work/mpg123.log" >/dev/null) || true
grep -v '^#' "$playlist" > "$work/listed"
sed -n 's/^Playing MPEG stream [0-9]* of [0-9]*: //p' "$work/mpg123.log" | sed 's/ \.\.\.$//' > "$work/played"
if ! diff -q "$work/listed" "$work/played" >/dev/null; then
    echo "FAIL: mpg123 played another order or set than the playlist lists"
    diff "$work/listed" "$work/played" | head
    exit 1
fi
if grep -qi 'error\|cannot\|failed' "$work/mpg123.log"; then
    echo "FAIL: mpg123 complained:"; grep -i 'error\|cannot\|failed' "$work/mpg123.log" | head; exit 1
fi
echo "mpg123 played $(wc -l < "$work/played") files from the playlist in its order"

# 2. Every name copies onto FAT unchanged.
image=$work/card.img
truncate -s 64M "$image"
mkfs.vfat -F 32 -n LEXOVOX "$image" >/dev/null
ls -A "$course" | LC_ALL=C sort > "$work/names"
mkdir "$work/card"
if [ "$(id -u)" -eq 0 ] && mount -o loop,utf8 -t vfat "$image" "$work/card" 2>/dev/null; then
    mounted=$work/card
    how="loop-mounted vfat"
    cp -r "$course" "$work/card/"
    sync
    ls -A "$work/card/$(basename "$course")" | LC_ALL=C sort > "$work/copied"
else
    how="mtools (no loop mount here)"
    export MTOOLS_SKIP_CHECK=1
    # -D s: a name FAT cannot hold is skipped rather than silently changed, so it shows below.
    mmd -i "$image" ::/course
    mcopy -i "$image" -D s -s "$course"/* ::/course/ 2>"$work/mcopy.log" || true
    mdir -i "$image" -b ::/course | sed 's#^::/course/##' | LC_ALL=C sort > "$work/copied"
fi
if ! diff -q "$work/names" "$work/copied" >/dev/null; then
    echo "FAIL: names changed or went missing on FAT ($how)"
    diff "$work/names" "$work/copied" | head
    exit 1
fi
echo "all $(wc -l < "$work/names") names copied onto FAT unchanged ($how)"
