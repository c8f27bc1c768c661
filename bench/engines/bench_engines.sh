#!/usr/bin/env bash
# Whole runs with an engine voice, and the start-up with engines installed, each side by side with
# its yardstick in one run (not a test; run it by hand from the project root after a build):
#   1. 300 English words (the first of 中考词汇, no meaning) with festival-kal-diphone through
#      lexovox-batch --jobs 1 and --jobs 2, against a plain shell loop running text2wave once a
#      word over the same texts, as the shipped description runs it;
#   2. lexovox-batch --list-voices with the shipped engine descriptions and Festival on PATH,
#      against a PATH without the programs, and against a copy of the programs whose engines
#      folder is empty.
# The variants take turns each round (the order turns too); medians and the lowest and highest
# round are printed.
# Usage: bench/engines/bench_engines.sh [RUN_ROUNDS [START_ROUNDS]]   (defaults 3 and 21;
#        BENCH_WORDS=N for fewer words, to try the script)
set -euo pipefail
run_rounds=${1:-3}
start_rounds=${2:-21}
build=${LEXOVOX_BUILD:-build}
batch=$build/bin/lexovox-batch
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data XDG_CACHE_HOME=$work/cache

now() { date +%s.%N; }
# label, seconds… → "label  median  (lowest–highest)" with a scale and unit
summary() {
    local label=$1 scale=$2 unit=$3
    shift 3
    printf '%s\n' "$@" | sort -g | awk -v l="$label" -v s="$scale" -v u="$unit" '
        { v[NR] = $1 * s }
        END { m = NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
              printf "  %-44s %8.1f %s  (%.1f–%.1f)\n", l, m, u, v[1], v[NR] }'
}

# The words, as a word list without meanings and as one text file each.
python3 - "$work" "${BENCH_WORDS:-300}" <<'EOF'
import csv, os, sys
work, count = sys.argv[1], int(sys.argv[2])
words = []
with open(os.environ.get("LEXOVOX_SHARED_DIR", "/work/shared") + "/vocab/extra_words.csv", encoding="utf-8") as f:
    for row in csv.DictReader(f):
        if row["subclass"] == "ECDICT:中考词汇(zk)" and len(words) < count:
            words.append(row["en"])
os.makedirs(work + "/texts")
with open(work + "/words.csv", "w", encoding="utf-8", newline="") as f:
    w = csv.writer(f)
    w.writerow(["en", "ch"])
    for word in words:
        w.writerow([word, ""])
for i, word in enumerate(words):
    with open(f"{work}/texts/{i:03d}.txt", "w", encoding="utf-8") as f:
        f.write(word + "\n")
EOF
words=$(ls "$work"/texts | wc -l)

run_batch() {  # jobs
    rm -rf "$work/out" && mkdir -p "$work/out"
    "$batch" --voice festival-kal-diphone --words "$work/words.csv" --out "$work/out" --jobs "$1" --quiet 2>"$work/err" \
        || { echo "lexovox-batch failed:" >&2; cat "$work/err" >&2; exit 1; }
}
run_loop() {
    rm -rf "$work/out" && mkdir -p "$work/out"
    for text in "$work"/texts/*.txt; do
        text2wave -o "$work/out/$(basename "$text" .txt).wav" -eval "(voice_kal_diphone)" "$text"
    done
}

labels=("lexovox-batch --jobs 1" "lexovox-batch --jobs 2" "shell loop of text2wave")
commands=("run_batch 1" "run_batch 2" "run_loop")
declare -a times0 times1 times2
echo "$words words, festival-kal-diphone, $run_rounds rounds, $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg)"
for ((round = 0; round < run_rounds; ++round)); do
    for ((i = 0; i < 3; ++i)); do
        v=$(((i + round) % 3))
        start=$(now)
        ${commands[v]}
        end=$(now)
        files=$(ls "$work/out" | wc -l)
        [[ $files -ge $words ]] || echo "  ${labels[v]}: only $files files" >&2
        eval "times$v+=(\$(echo \"$end - $start\" | bc))"
    done
done
summary "${labels[0]}" 1 s "${times0[@]}"
summary "${labels[1]}" 1 s "${times1[@]}"
summary "${labels[2]}" 1 s "${times2[@]}"
median() { printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { print NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
j1=$(median "${times0[@]}") j2=$(median "${times1[@]}") loop=$(median "${times2[@]}")
awk -v a="$j1" -v b="$j2" -v l="$loop" 'BEGIN {
    printf "  --jobs 1 against the loop: %+.0f %% (goal: at most +25 %%)\n", (a / l - 1) * 100
    printf "  --jobs 2 against the loop: %+.0f %% (goal: faster)\n", (b / l - 1) * 100 }'

# Start-up: a copy of the programs beside an empty engines folder, and a PATH without them.
mkdir -p "$work/copy/bin" "$work/copy/share/lexovox/engines" "$work/nobin"
cp "$build"/bin/lexovox-batch "$build"/bin/lexovox-worker "$work/copy/bin/"
for item in "$build"/share/lexovox/*; do
    [[ $(basename "$item") == engines ]] || cp -r "$item" "$work/copy/share/lexovox/"
done
labels=("shipped descriptions, Festival on PATH" "PATH without the programs" "an empty engines folder")
commands=("$batch --list-voices" "env PATH=$work/nobin $batch --list-voices" "$work/copy/bin/lexovox-batch --list-voices")
declare -a start0 start1 start2
for ((i = 0; i < 3; ++i)); do
    printf '  %-44s %d voices\n' "${labels[i]}" "$(${commands[i]} 2>/dev/null | wc -l)"
done
echo
echo "lexovox-batch --list-voices, $start_rounds rounds:"
for ((round = 0; round < start_rounds; ++round)); do
    for ((i = 0; i < 3; ++i)); do
        v=$(((i + round) % 3))
        start=$(now)
        ${commands[v]} >/dev/null 2>&1
        end=$(now)
        eval "start$v+=(\$(echo \"$end - $start\" | bc))"
    done
done
summary "${labels[0]}" 1000 ms "${start0[@]}"
summary "${labels[1]}" 1000 ms "${start1[@]}"
summary "${labels[2]}" 1000 ms "${start2[@]}"
with=$(median "${start0[@]}") without=$(median "${start2[@]}")
awk -v a="$with" -v b="$without" 'BEGIN { printf "  engines add %.1f ms (goal: within 10 ms)\n", (a - b) * 1000 }'
