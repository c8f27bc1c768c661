// Chinese read in the tones people speak (not a test; run it by hand from build/bench/pinyin):
//  1. the time to read the shipped readings (exceptions, words, characters), as each process
//     does once (goal: at most 30 ms);
//  2. what reading Chinese costs against speaking it: over a sample of the meanings, the time to
//     compose each word's text with its readings, less without them, beside the time to
//     synthesise the same texts, in one run (goal: at most 1 %);
//  3. over the meanings of the 中考 and 高考 courses of the shipped vocabulary, how many Han
//     characters still reach espeak-ng as characters (goal: 0; and as many with the words
//     alone), and how many 一, 不 and other syllables the tone rules change against the readings
//     as the data writes them; with a file argument, each run with a change is written to it
//     (run, data's reading, sent reading) for a reader to check;
//  4. whether the voice reads every syllable of the shipped readings as Mandarin (goal: all).
// Usage: bench_pinyin [CHANGES.tsv]
#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <vector>

#include <espeak-ng/speak_lib.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <QStringList>

#include "speech/chinesereadings.h"
#include "speech/chinesewords.h"
#include "speech/platform/espeaksynthesiser.h"
#include "speech/platform/platform.h"
#include "speech/platform/readingmark.h"
#include "speech/platform/speechplan.h"
#include "speech/tonenumbers.h"
#include "speech/wordspeech.h"
#include "vocab/vocabimporter.h"

using namespace speech;

namespace {

const QStringList kCourses{QStringLiteral("中考词汇"), QStringLiteral("高考词汇")};
const VoiceChoice kBilingual{"cmn-latn-pinyin", "flite/rms"};

double Ms(qint64 ns)
{
    return double(ns) / 1e6;
}

// 1. The shipped readings, read as a process does at its first word.
void MeasureLoading(const QString& folder)
{
    std::vector<qint64> times;
    qsizetype entries = 0;
    for (int i = 0; i < 20; ++i) {
        QElapsedTimer clock;
        clock.start();
        const Result<ChineseWords> read = ChineseWords::ReadShipped(folder);
        times.push_back(clock.nsecsElapsed());
        entries = read ? read->Size() : -1;
    }
    qint64 bytes = 0;
    for (const QFileInfo& file : QDir(folder).entryInfoList({u"*pinyin*.txt"_qs}, QDir::Files))
        bytes += file.size();
    const qint64 first = times.front();
    std::sort(times.begin(), times.end());
    std::printf("1. reading the shipped readings (%lld bytes, %lld words and characters): first %.1f ms, median "
                "%.1f ms, best %.1f ms (goal: at most 30 ms)\n",
                static_cast<long long>(bytes), static_cast<long long>(entries), Ms(first),
                Ms(times[times.size() / 2]), Ms(times.front()));
}

// 2. Reading against speaking, for the same sample of words, side by side.
void MeasureCost(const std::vector<WordEntry>& rows, const std::shared_ptr<const ChineseWords>& shipped)
{
    WordSpeech plain({true, true, true});
    WordSpeech read = plain;
    read.chineseWords = shipped;
    auto platform = std::make_shared<Platform>();
    if (Failed(platform->Start())) {
        std::printf("2. no speech platform: not measured\n");
        return;
    }
    const std::shared_ptr<Synthesiser> synthesiser = platform->GetSynthesiser();
    struct Silence final : SoundReceiver
    {
        bool Receive(std::span<const std::int16_t>, std::span<const SynthesisEvent>) override { return true; }
    } silence;
    constexpr std::size_t kSample = 100;
    constexpr int kRounds = 20;  // composing is short: timed over many rounds
    qint64 reading = 0;
    qint64 synthesis = 0;
    for (std::size_t i = 0; i < kSample; ++i) {
        const WordEntry& row = rows[i * rows.size() / kSample];
        QElapsedTimer clock;
        clock.start();
        for (int round = 0; round < kRounds; ++round)
            (void)read.Compose(row.en, row.ch);
        const qint64 with = clock.nsecsElapsed();
        clock.restart();
        for (int round = 0; round < kRounds; ++round)
            (void)plain.Compose(row.en, row.ch);
        reading += (with - clock.nsecsElapsed()) / kRounds;
        const QString text = read.Compose(row.en, row.ch);
        clock.restart();
        for (const SpeechStep& step : PlanSpeech(text, kBilingual))
            synthesiser->Speak(step, silence);
        synthesiser->EndOfText();
        synthesis += clock.nsecsElapsed();
    }
    platform->Stop();
    std::printf("2. %zu words (spelled, meaning, labels): reading their Chinese %.3f ms in all (%.4f ms a word), "
                "synthesising them %.0f ms (%.1f ms a word): reading is %.3f %% of it (goal: at most 1 %%)\n",
                kSample, Ms(reading), Ms(reading) / kSample, Ms(synthesis), Ms(synthesis) / kSample,
                100.0 * double(reading) / double(synthesis));
}

// What the Mandarin voice is sent for a meaning: the text of its Han steps, one after another.
QString SentToMandarin(const WordSpeech& speech, const QString& meaning)
{
    QString sent;
    for (const SpeechStep& step : PlanSpeech(speech.Compose(u"x"_qs, meaning), kBilingual)) {
        if (step.script == Script::Han)
            sent += step.text + u'\n';
    }
    return sent;
}

struct Counts
{
    qsizetype hanBefore = 0;  // Han characters sent as characters with the words alone
    qsizetype hanAfter = 0;   // the same with every reading
    qsizetype yi = 0, yiChanged = 0;
    qsizetype bu = 0, buChanged = 0;
    qsizetype otherChanged = 0;  // other syllables the tone rules changed (地, 得, 子, 爸爸 ...)
    qsizetype asSaid = 0;        // words read from the shipped exceptions
    QStringList changed;         // each run with a change: the run, the dictionary's and the sent reading
};

qsizetype HanCharacters(const QString& text)
{
    qsizetype han = 0;
    for (const uint c : text.toUcs4())
        han += ScriptOf(c) == Script::Han;
    return han;
}

// 3. Over the meanings: Han characters still sent as characters, and what the tone rules change
// against the readings of the words and characters as written in the data.
Counts CountReadings(const std::vector<WordEntry>& rows, const std::shared_ptr<const ChineseWords>& shipped,
                     const std::shared_ptr<const ChineseWords>& wordsAlone)
{
    Counts counts;
    WordSpeech before({false, true, false});
    before.chineseWords = wordsAlone;
    WordSpeech after({false, true, false});
    after.chineseWords = shipped;
    for (const WordEntry& row : rows) {
        counts.hanBefore += HanCharacters(SentToMandarin(before, row.ch));
        counts.hanAfter += HanCharacters(SentToMandarin(after, row.ch));
        const QString marked = after.Compose(u"x"_qs, row.ch);
        // Each marked run of words: its characters and the syllables sent.
        QString run, dictionary, sent;
        bool runChanged = false;
        const auto endRun = [&] {
            if (runChanged)
                counts.changed << run + u'\t' + dictionary.trimmed() + u'\t' + sent.trimmed();
            run.clear();
            dictionary.clear();
            sent.clear();
            runChanged = false;
        };
        for (qsizetype i = 0; i < marked.size();) {
            if (marked[i] != kReadingStart) {
                endRun();
                ++i;
                continue;
            }
            const qsizetype separator = marked.indexOf(kReadingSeparator, i);
            const qsizetype end = marked.indexOf(kReadingEnd, separator);
            const QString word = marked.sliced(i + 1, separator - i - 1);
            const QStringList said = marked.sliced(separator + 1, end - separator - 1).split(u' ');
            const ChineseWords::Match written = shipped->LongestAt(word);
            const QStringList data = written.pinyin.split(u' ');
            counts.asSaid += written.asSaid;
            const QList<uint> characters = word.toUcs4();
            for (qsizetype k = 0; k < said.size() && k < data.size() && k < characters.size(); ++k) {
                const bool changed = said[k] != data[k];
                if (characters[k] == U'一') {
                    ++counts.yi;
                    counts.yiChanged += changed;
                } else if (characters[k] == U'不') {
                    ++counts.bu;
                    counts.buChanged += changed;
                } else {
                    counts.otherChanged += changed;
                }
                runChanged = runChanged || changed;
            }
            run += word;
            dictionary += u' ' + data.join(u' ');
            sent += u' ' + said.join(u' ');
            i = end + 1;
        }
        endRun();
    }
    return counts;
}

// The syllables of the shipped readings, in tone numbers, that the voice reads otherwise than
// as one syllable of Mandarin (switching to English, or to more than one syllable).
QStringList UnreadSyllables(const QString& folder)
{
    QSet<QString> all;
    for (const QString& name : {u"pinyin-exceptions.txt"_qs, u"phrase-pinyin.txt"_qs, u"char-pinyin.txt"_qs}) {
        QFile file(QDir(folder).filePath(name));
        if (!file.open(QIODevice::ReadOnly))
            return {u"(no "_qs + name + u')'};
        for (const QString& line : QString::fromUtf8(file.readAll()).split(u'\n')) {
            const QString content = line.section(u'#', 0, 0);
            const qsizetype separator = content.indexOf(QRegularExpression(u"[:\\t]"_qs));
            if (separator < 0)
                continue;
            if (const std::optional<ToneNumbered> numbered = ToneNumberedPinyin(content.sliced(separator + 1), true)) {
                for (const QString& syllable : numbered->text.split(u' '))
                    all.insert(syllable);
            }
        }
    }
    espeak_SetVoiceByName("cmn-latn-pinyin");
    QStringList unread;
    for (const QString& syllable : all) {
        const QByteArray utf8 = syllable.toUtf8();
        const void* at = utf8.constData();
        QStringList said;
        while (at) {
            const char* phonemes = espeak_TextToPhonemes(&at, espeakCHARS_UTF8, 0);
            if (!phonemes)
                break;
            said += QString::fromUtf8(phonemes).split(u' ', Qt::SkipEmptyParts);
        }
        if (said.size() != 1 || said.front().contains(u'('))
            unread << syllable;
    }
    std::printf("   (%lld syllables with their tones)\n", static_cast<long long>(all.size()));
    return unread;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QString folder = QStringLiteral(LEXOVOX_CHINESE_READINGS);
    std::vector<WordEntry> rows;
    for (const QString& course : kCourses) {
        Result<std::vector<WordEntry>> read = ReadWordList(QStringLiteral(LEXOVOX_DEFAULT_WORDS), course);
        if (!read) {
            std::fprintf(stderr, "bench_pinyin: %s\n", qPrintable(read.error().ErrorMessage()));
            return 1;
        }
        rows.insert(rows.end(), read->begin(), read->end());
    }
    Result<ChineseWords> read = ChineseWords::ReadShipped(folder);
    Result<ChineseWords> words = ChineseWords::Read(QDir(folder).filePath(u"phrase-pinyin.txt"_qs));
    if (!read || !words || rows.empty()) {
        std::fprintf(stderr, "bench_pinyin: no words of the courses or no readings in %s\n", qPrintable(folder));
        return 1;
    }
    const auto shipped = std::make_shared<const ChineseWords>(std::move(*read));
    const auto wordsAlone = std::make_shared<const ChineseWords>(std::move(*words));
    std::printf("%zu meanings of %s\n", rows.size(), qPrintable(kCourses.join(u" and ")));

    MeasureLoading(folder);
    MeasureCost(rows, shipped);

    std::shared_ptr<EspeakSynthesiser> espeak;
    if (Failed(EspeakSynthesiser::Create(espeak))) {
        std::fprintf(stderr, "bench_pinyin: espeak-ng did not start\n");
        return 1;
    }
    const Counts counts = CountReadings(rows, shipped, wordsAlone);
    std::printf("3. Han characters sent to espeak-ng as characters: %lld with the words alone, %lld with every "
                "reading (goal: 0)\n   一: %lld, %lld changed; 不: %lld, %lld changed; other syllables changed: "
                "%lld; words read from the exceptions: %lld; runs with a change: %lld\n",
                static_cast<long long>(counts.hanBefore), static_cast<long long>(counts.hanAfter),
                static_cast<long long>(counts.yi), static_cast<long long>(counts.yiChanged),
                static_cast<long long>(counts.bu), static_cast<long long>(counts.buChanged),
                static_cast<long long>(counts.otherChanged), static_cast<long long>(counts.asSaid),
                static_cast<long long>(counts.changed.size()));
    if (argc > 1) {
        QFile out(QString::fromLocal8Bit(argv[1]));
        if (out.open(QIODevice::WriteOnly | QIODevice::Truncate))
            out.write((counts.changed.join(u'\n') + u'\n').toUtf8());
    }
    const QStringList unread = UnreadSyllables(folder);
    std::printf("4. syllables of the readings the voice does not read as Mandarin: %lld%s%s\n",
                static_cast<long long>(unread.size()), unread.isEmpty() ? "" : ": ", qPrintable(unread.join(u' ')));
    return 0;
}
