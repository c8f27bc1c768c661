#!/usr/bin/env bash
# The dictation-course check: writes a whole course as a teacher would for 听写 (each word
# twice, 1.5 s to repeat it, English at 80 %, every file levelled to -18 LUFS) with
# lexovox-batch, then listens to it with the tools a user has: sox for length and peak, ffmpeg
# for loudness, true peak and the pauses, and PocketSphinx for whether the word is heard twice.
# Usage: tools/check-dictation-course.sh [build dir] [course] [files to listen to]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build}
course=${2:-中考词汇}
listen=${3:-100}
writer=$build/bin/lexovox-batch
[ -x "$writer" ] || { echo "build lexovox-batch first ($writer)"; exit 2; }
work=$(mktemp -d)
trap '[ -n "${KEEP:-}" ] && cp -r "$work/course" "$KEEP"; rm -rf "$work"' EXIT
out=$work/course
mkdir "$out"

start=$(date +%s%N)
"$writer" --out "$out" --course "$course" --format "16kHz 16 Bit 单声道" --repeat 2 --pause 1500 \
          --rate 80 --quiet
end=$(date +%s%N)
count=$(find "$out" -name '*.wav' | wc -l)
echo "$course: $count files in $(( (end - start) / 1000000 )) ms"

python3 - "$out" "$listen" "$work" <<'PY'
import os, re, subprocess, sys
out, listen, work = sys.argv[1], int(sys.argv[2]), sys.argv[3]
files = sorted(f for f in os.listdir(out) if f.endswith('.wav'))
model = '/usr/share/pocketsphinx/model/en-us/'
words = {}
for line in open(model + 'cmudict-en-us.dict', encoding='utf-8'):
    words.setdefault(line.split()[0], True)
# Single words the recogniser knows, first `listen` of the course.
chosen = []
for f in files:
    word = f[:-4]
    if re.fullmatch(r'[a-z]+', word) and word in words:
        chosen.append((f, word))
    if len(chosen) == listen:
        break

def stat(path):
    text = subprocess.run(['sox', path, '-n', 'stat'], capture_output=True, text=True).stderr
    value = lambda key: float(re.search(key + r':\s+(-?[\d.]+)', text).group(1))
    return value('Length \\(seconds\\)'), max(value('Maximum amplitude'), -value('Minimum amplitude'))

def ebur128(path):
    text = subprocess.run(['ffmpeg', '-hide_banner', '-nostats', '-i', path, '-af', 'ebur128=peak=true',
                           '-f', 'null', '-'], capture_output=True, text=True).stderr
    summary = text[text.rfind('Summary:'):]
    return float(re.search(r'I:\s+(-?[\d.]+) LUFS', summary).group(1)), float(re.search(r'Peak:\s+(-?[\d.]+) dBFS', summary).group(1))

def pauses(path):
    text = subprocess.run(['ffmpeg', '-hide_banner', '-nostats', '-i', path, '-af',
                           'silencedetect=noise=-50dB:d=0.5', '-f', 'null', '-'], capture_output=True, text=True).stderr
    return [float(d) for d in re.findall(r'silence_duration: ([\d.]+)', text)]

lengths, peaks, lufs, tps, gaps = [], [], [], [], []
for f, _ in chosen:
    path = os.path.join(out, f)
    length, peak = stat(path)
    lengths.append(length); peaks.append(peak)
    i, tp = ebur128(path)
    lufs.append(i); tps.append(tp)
    gaps += [g for g in pauses(path) if g > 1.0]
print(f'sox: {len(chosen)} files, {min(lengths):.2f}-{max(lengths):.2f} s long, highest sample {20 * __import__("math").log10(max(peaks)):.2f} dBFS')
worst = chosen[tps.index(max(tps))][0]
print(f'ffmpeg: loudness {min(lufs):.1f} to {max(lufs):.1f} LUFS (target -18), true peak at most {max(tps):.1f} dBFS ({worst})')
print(f'ffmpeg: pauses between the repeats {min(gaps):.2f}-{max(gaps):.2f} s (asked 1.5 s; the word\'s own trailing silence adds to it)')

# The recogniser, held to a grammar of those words said twice.
with open(os.path.join(work, 'twice.gram'), 'w') as g:
    g.write('#JSGF V1.0;\ngrammar twice;\npublic <twice> = <word> <word>;\n<word> = ' + ' | '.join(sorted({w for _, w in chosen})) + ';\n')
with open(os.path.join(work, 'files.ctl'), 'w') as c:
    c.write('\n'.join(f[:-4] for f, _ in chosen) + '\n')
subprocess.run(['pocketsphinx_batch', '-hmm', model + 'en-us', '-dict', model + 'cmudict-en-us.dict',
                '-jsgf', os.path.join(work, 'twice.gram'), '-adcin', 'yes', '-adchdr', '44', '-cepdir', out,
                '-cepext', '.wav', '-ctl', os.path.join(work, 'files.ctl'), '-hyp', os.path.join(work, 'heard.txt'),
                '-logfn', os.path.join(work, 'recogniser.log')], check=True)
heard = {}
for line in open(os.path.join(work, 'heard.txt'), encoding='utf-8'):
    text, _, rest = line.rpartition('(')
    heard[rest.split()[0]] = text.split()
right = sum(heard.get(f[:-4]) == [w, w] for f, w in chosen)
print(f'pocketsphinx: heard the word twice in {right} of {len(chosen)} files')
PY
