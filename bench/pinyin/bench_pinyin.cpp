// Chinese read by words (not a test; run it by hand from build/bench/pinyin):
//  1. the time to read the shipped readings of Chinese words, as each process does once (goal:
//     at most 30 ms);
//  2. what marking the readings costs a word, against synthesising the word's text (goal: at
//     most 1 % of it, well under 0.2 ms);
//  3. over the meanings of ECDICT's 中考 and 高考 lists, how many are spoken with at least one
//     word of the shipped list said otherwise than the list reads it, without and with the
//     readings (goal with them: 0, apart from the list's words with two readings, where either
//     counts as right). A word is said right when espeak-ng's phonemes for its characters, in
//     the run of Chinese it stands in, are those of the run with the word replaced by its pinyin.
//     Every word of the list found anywhere counts, but for one inside a longer word the match
//     took (一月 in 十一月); those still said otherwise are listed with their run;
//  4. whether the voice reads every syllable of the list as Mandarin (goal: all of them).
// Usage: bench_pinyin [WORDS.csv]   (default: the shared folder's vocab/extra_words.csv)

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <vector>

#include <espeak-ng/speak_lib.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHash>
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

const QStringList kCourses{QStringLiteral("ECDICT:中考词汇(zk)"), QStringLiteral("ECDICT:高考词汇(gk)")};
const VoiceChoice kBilingual{"cmn-latn-pinyin", "flite/rms"};

double Ms(qint64 ns)
{
    return double(ns) / 1e6;
}

// 1. The shipped readings, read as a process does at its first word.
void MeasureLoading(const QString& path)
{
    std::vector<qint64> times;
    qsizetype words = 0;
    for (int i = 0; i < 20; ++i) {
        QElapsedTimer clock;
        clock.start();
        const Result<ChineseWords> read = ChineseWords::Read(path);
        times.push_back(clock.nsecsElapsed());
        words = read ? read->Size() : -1;
    }
    const qint64 first = times.front();
    std::sort(times.begin(), times.end());
    std::printf("1. reading %s (%lld bytes, %lld words): first %.1f ms, median %.1f ms, best %.1f ms "
                "(goal: at most 30 ms)\n",
                qPrintable(QFileInfo(path).fileName()), static_cast<long long>(QFileInfo(path).size()),
                static_cast<long long>(words), Ms(first), Ms(times[times.size() / 2]), Ms(times.front()));
}

// 2. Marking against synthesising, per word.
void MeasureCost(const std::vector<WordEntry>& rows, const std::shared_ptr<const ChineseWords>& shipped)
{
    WordSpeech plain({true, true, true});
    WordSpeech read = plain;
    read.chineseWords = shipped;
    qint64 withReadings = 0;
    qint64 without = 0;
    constexpr int kRounds = 5;
    for (int round = 0; round < kRounds; ++round) {
        QElapsedTimer clock;
        clock.start();
        for (const WordEntry& row : rows)
            (void)read.Compose(row.en, row.ch);
        withReadings += clock.nsecsElapsed();
        clock.restart();
        for (const WordEntry& row : rows)
            (void)plain.Compose(row.en, row.ch);
        without += clock.nsecsElapsed();
    }
    const double perWordMs = Ms(withReadings - without) / double(rows.size() * kRounds);

    // A word's synthesis, with the program's default voice, for a few words spread over the lists.
    auto platform = std::make_shared<Platform>();
    double synthesisMs = 0;
    if (Succeeded(platform->Start())) {
        const std::shared_ptr<Synthesiser> synthesiser = platform->GetSynthesiser();
        struct Silence final : SoundReceiver
        {
            bool Receive(std::span<const std::int16_t>, std::span<const SynthesisEvent>) override { return true; }
        } silence;
        constexpr std::size_t kSpoken = 30;
        QElapsedTimer clock;
        clock.start();
        for (std::size_t i = 0; i < kSpoken; ++i) {
            const WordEntry& row = rows[i * rows.size() / kSpoken];
            for (const SpeechStep& step : PlanSpeech(read.Compose(row.en, row.ch), kBilingual))
                synthesiser->Speak(step, silence);
            synthesiser->EndOfText();
        }
        synthesisMs = Ms(clock.nsecsElapsed()) / kSpoken;
        platform->Stop();
    }
    std::printf("2. marking readings: %.4f ms a word (spelled, meaning, labels; %zu words x %d); synthesising a "
                "word: %.1f ms; marking is %.3f %% of it (goal: at most 1 %%, well under 0.2 ms)\n",
                perWordMs, rows.size(), kRounds, synthesisMs, synthesisMs > 0 ? 100 * perWordMs / synthesisMs : 0.0);
}

// espeak-ng's Mandarin syllables for a text, in order ("j'i35n", "X'a35N"), kept by text.
class Syllables
{
public:
    Syllables()
    {
        espeak_SetVoiceByName("cmn-latn-pinyin");
    }

    const QStringList& Of(const QString& text)
    {
        const auto kept = m_kept.constFind(text);
        if (kept != m_kept.cend())
            return *kept;
        QStringList syllables;
        const QByteArray utf8 = text.toUtf8();
        const void* at = utf8.constData();
        while (at) {
            const char* phonemes = espeak_TextToPhonemes(&at, espeakCHARS_UTF8, 0);
            if (!phonemes)
                break;
            syllables += QString::fromUtf8(phonemes).split(u' ', Qt::SkipEmptyParts);
        }
        return *m_kept.insert(text, syllables);
    }

private:
    QHash<QString, QStringList> m_kept;
};

// What is said for each character of a run: a syllable of pinyin, or the character itself.
using Tokens = QStringList;

QString Joined(const Tokens& tokens)
{
    QString text;
    bool lastPinyin = false;
    for (const QString& token : tokens) {
        const bool pinyin = token.front().unicode() < 0x80;
        if (!text.isEmpty() && (pinyin || lastPinyin))
            text += u' ';
        text += token;
        lastPinyin = pinyin;
    }
    return text;
}

struct Span
{
    qsizetype start = 0;
    qsizetype length = 0;
};

// The run as marked: the pinyin syllables of each marked word, the other characters as they
// are; in `words` where the marked words are.
Tokens MarkedTokens(const QString& marked, std::vector<Span>& words)
{
    Tokens tokens;
    for (qsizetype i = 0; i < marked.size();) {
        if (marked[i] == kReadingStart) {
            const qsizetype separator = marked.indexOf(kReadingSeparator, i);
            const qsizetype end = marked.indexOf(kReadingEnd, separator);
            words.push_back({tokens.size(), separator - i - 1});
            tokens += marked.sliced(separator + 1, end - separator - 1).split(u' ');
            i = end + 1;
        } else {
            tokens += marked.sliced(i, 1);
            ++i;
        }
    }
    return tokens;
}

struct Counts
{
    int meanings = 0;
    int wrongBefore = 0;
    int wrongAfter = 0;
    int inside = 0;     // words of the list inside a longer one the match took, left out
    int unaligned = 0;  // runs whose phonemes are not one syllable a character
    std::map<QString, int> wrongWords;
};

// 3. Over every run of Chinese in the meanings: each word of the list found anywhere in it,
// said as sent, against said with its pinyin.
Counts CountWrongReadings(const std::vector<WordEntry>& rows, const ChineseWords& shipped,
                          const QHash<QString, QStringList>& otherReadings)
{
    Counts counts;
    Syllables syllables;
    for (const WordEntry& row : rows) {
        ++counts.meanings;
        bool wrongBefore = false;
        bool wrongAfter = false;
        QString meaning = row.ch;
        meaning.replace(QChar(0x2026), QStringLiteral("什么"));  // as the composer says it
        for (const ScriptRun& scriptRun : SplitByScript(meaning)) {
            if (scriptRun.script != Script::Han)
                continue;
            // Its runs of Han characters alone (all in the basic plane in these lists).
            QStringList runs;
            QString run;
            for (const QChar c : scriptRun.text + u' ') {
                if (ScriptOf(c.unicode()) == Script::Han) {
                    run += c;
                } else if (!run.isEmpty()) {
                    runs << run;
                    run.clear();
                }
            }
            for (const QString& han : runs) {
                const Tokens plain = han.split(QString(), Qt::SkipEmptyParts);
                std::vector<Span> taken;
                const Tokens sent = MarkedTokens(MarkChineseReadings(han, &shipped, nullptr), taken);
                const QStringList saidPlain = syllables.Of(Joined(plain));
                const QStringList saidSent = syllables.Of(Joined(sent));
                if (saidPlain.size() != han.size() || saidSent.size() != han.size()) {
                    ++counts.unaligned;
                    continue;
                }
                for (qsizetype at = 0; at < han.size(); ++at) {
                    for (qsizetype length = 2; at + length <= han.size(); ++length) {
                        const QString word = han.sliced(at, length);
                        const ChineseWords::Match match = shipped.LongestAt(word);
                        if (match.length != length)
                            continue;
                        // 一月 in 十一月, 行道 in 人行道: the longer word's reading is this one's here.
                        if (std::any_of(taken.begin(), taken.end(), [&](const Span& w) {
                                return w.length > length && w.start <= at && at + length <= w.start + w.length;
                            })) {
                            ++counts.inside;
                            continue;
                        }
                        const QStringList readings = QStringList{match.pinyin} + otherReadings.value(word);
                        const auto rightIn = [&](const Tokens& tokens, const QStringList& said) {
                            for (const QString& reading : readings) {
                                Tokens expected = tokens;
                                const QStringList parts = reading.split(u' ');
                                for (qsizetype k = 0; k < length; ++k)
                                    expected[at + k] = parts[k];
                                const QStringList right = syllables.Of(Joined(expected));
                                if (right.size() == said.size() && right.mid(at, length) == said.mid(at, length))
                                    return true;
                            }
                            return false;
                        };
                        wrongBefore = !rightIn(plain, saidPlain) || wrongBefore;
                        if (!rightIn(sent, saidSent)) {
                            wrongAfter = true;
                            ++counts.wrongWords[word + u' ' + han];
                        }
                    }
                }
            }
        }
        counts.wrongBefore += wrongBefore;
        counts.wrongAfter += wrongAfter;
    }
    return counts;
}

// The words the list gives a second reading, with it in tone numbers.
QHash<QString, QStringList> OtherReadings(const QString& path)
{
    QFile file(path);
    QHash<QString, QStringList> others;
    if (!file.open(QIODevice::ReadOnly))
        return others;
    QSet<QString> seen;
    for (const QString& line : QString::fromUtf8(file.readAll()).split(u'\n')) {
        const QString word = line.section(u':', 0, 0).trimmed();
        if (line.startsWith(u'#') || word.isEmpty())
            continue;
        if (seen.contains(word)) {
            const ChineseWords one = ChineseWords::Parse(line.toUtf8());
            others[word] += one.LongestAt(word).pinyin;
        }
        seen.insert(word);
    }
    return others;
}

// The syllables of the list, in tone numbers, that the voice reads otherwise than as one syllable
// of Mandarin (switching to English, or to more than one syllable).
QStringList UnreadSyllables(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {QStringLiteral("(no list)")};
    QSet<QString> all;
    for (const QString& line : QString::fromUtf8(file.readAll()).split(u'\n')) {
        const QString reading = line.section(u'#', 0, 0).section(u':', 1).trimmed();
        if (const std::optional<ToneNumbered> numbered = ToneNumberedPinyin(reading, true)) {
            for (const QString& syllable : numbered->text.split(u' '))
                all.insert(syllable);
        }
    }
    QStringList unread;
    Syllables syllables;
    for (const QString& syllable : all) {
        const QStringList said = syllables.Of(syllable);
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
    const QString csv = argc > 1 ? QString::fromLocal8Bit(argv[1])
                                 : QStringLiteral(LEXOVOX_SHARED_DIR "/vocab/extra_words.csv");
    const QString path = QStringLiteral(LEXOVOX_CHINESE_WORDS);
    std::vector<WordEntry> rows;
    for (const QString& course : kCourses) {
        Result<std::vector<WordEntry>> read = ReadWordList(csv, course);
        if (!read) {
            std::fprintf(stderr, "bench_pinyin: %s\n", qPrintable(read.error().ErrorMessage()));
            return 1;
        }
        rows.insert(rows.end(), read->begin(), read->end());
    }
    Result<ChineseWords> read = ChineseWords::Read(path);
    if (!read || rows.empty()) {
        std::fprintf(stderr, "bench_pinyin: no words in %s or no readings in %s\n", qPrintable(csv), qPrintable(path));
        return 1;
    }
    const auto shipped = std::make_shared<const ChineseWords>(std::move(*read));
    std::printf("%zu meanings of %s\n", rows.size(), qPrintable(kCourses.join(u" and ")));

    MeasureLoading(path);
    MeasureCost(rows, shipped);

    std::shared_ptr<EspeakSynthesiser> espeak;
    if (Failed(EspeakSynthesiser::Create(espeak))) {
        std::fprintf(stderr, "bench_pinyin: espeak-ng did not start\n");
        return 1;
    }
    const Counts counts = CountWrongReadings(rows, *shipped, OtherReadings(path));
    std::printf("3. meanings with a word of the list said otherwise than it reads: %d of %d as written, "
                "%d of %d with the readings (goal: 0); %d words inside a longer one left out, %d runs of "
                "Chinese left out, their phonemes not one syllable a character\n",
                counts.wrongBefore, counts.meanings, counts.wrongAfter, counts.meanings, counts.inside,
                counts.unaligned);
    for (const auto& [word, times] : counts.wrongWords)
        std::printf("   still otherwise (word, run): %s (%d)\n", qPrintable(word), times);
    const QStringList unread = UnreadSyllables(path);
    std::printf("4. syllables of the list the voice does not read as Mandarin: %lld%s%s\n",
                static_cast<long long>(unread.size()), unread.isEmpty() ? "" : ": ", qPrintable(unread.join(u' ')));
    return 0;
}
