// Times the speech core over 300 composed words (spell-out, meaning and labels), for the
// default voice (Flite rms bilingual) and the eSpeak NG bilingual voice:
//   1. raw synthesis into memory (the plan a voice follows, no conversion, no file);
//   2. SpeakToFile for each word, 16 kHz 16-bit mono WAV files into a temporary folder;
//      (1 and 2 take turns for some rounds; the best time of each counts)
//   3. a shell loop running `espeak-ng -w` once per word with an English voice, the yardstick;
//   4. preview latency: from SpeakText to the first samples handed to the sound sink.
// Usage: bench_speech [--rounds N] [--files-only] [words.csv [subclass]]
//   default: the shared list's first 300 words of "ECDICT:中考词汇(zk)", else a built-in list.
//   --files-only times SpeakToFile alone (for a profiler).

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <optional>
#include <vector>

#include <sys/resource.h>

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "speech/composeutterance.h"
#include "speech/platform/audiooutput.h"
#include "speech/platform/espeaksynthesiser.h"
#include "speech/platform/flitesynthesiser.h"
#include "speech/platform/platform.h"
#include "speech/platform/soundsink.h"
#include "speech/platform/speechplan.h"
#include "speech/platform/synthesiser.h"
#include "speech/platform/voice.h"
#include "speech/speechengine.h"
#include "vocab/vocabimporter.h"
#include "vocab/wordentry.h"
#ifdef LEXOVOX_BENCH_SOUND_SERVER
#include "pulsetestserver.h"
#endif

using namespace speech;
using Clock = std::chrono::steady_clock;

namespace {

constexpr std::size_t kWords = 300;
constexpr int kPreviews = 40;
constexpr int kDefaultRounds = 3;
const SpeechOptions kOptions{true, true, true};

// Processor time of this process and its finished children: steadier than the clock on a
// machine shared with other work.
double CpuSeconds()
{
    double total = 0;
    for (const int who : {RUSAGE_SELF, RUSAGE_CHILDREN}) {
        rusage usage{};
        getrusage(who, &usage);
        total += usage.ru_utime.tv_sec + usage.ru_stime.tv_sec
            + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    }
    return total;
}

double Seconds(Clock::duration d)
{
    return std::chrono::duration<double>(d).count();
}

// The rows of `subclass` (the third column); an empty one takes every row.
std::vector<WordEntry> ReadCsv(const QString& path, const QString& subclass)
{
    return ReadWordList(path, subclass).value_or(std::vector<WordEntry>{});
}

std::vector<WordEntry> BuiltInWords()
{
    const char* const pairs[][2] = {
        {"apple", "苹果"},     {"book", "书"},        {"teacher", "教师"},   {"water", "水"},
        {"beautiful", "美丽的"}, {"T-shirt", "T恤衫"}, {"look at", "看"},     {"above", "在…之上"},
        {"computer", "计算机"}, {"CD", "光盘"},        {"o'clock", "点钟"},   {"school", "学校"},
        {"friend", "朋友"},    {"family", "家庭"},    {"morning", "早晨"},   {"library", "图书馆"},
        {"important", "重要的"}, {"breakfast", "早餐"}, {"weather", "天气"},   {"because", "因为"},
    };
    std::vector<WordEntry> words;
    for (const auto& [en, ch] : pairs)
        words.push_back({QString::fromUtf8(en), QString::fromUtf8(ch)});
    return words;
}

// The first kWords rows (repeated when there are fewer).
std::vector<QString> ComposedWords(const QString& csvPath, const QString& subclass, QString& source)
{
    std::vector<WordEntry> rows = ReadCsv(csvPath, subclass);
    source = csvPath + (subclass.isEmpty() ? QString() : QStringLiteral(", ") + subclass);
    if (rows.empty()) {
        rows = BuiltInWords();
        source = QStringLiteral("built-in list");
    }
    std::vector<QString> texts;
    for (std::size_t i = 0; i < kWords; ++i) {
        const WordEntry& row = rows[i % rows.size()];
        texts.push_back(ComposeUtterance(row.en, row.ch, kOptions));
    }
    return texts;
}

class Collector final : public SoundReceiver
{
public:
    std::vector<std::int16_t> samples;
    bool Receive(std::span<const std::int16_t> sound, std::span<const SynthesisEvent>) override
    {
        samples.insert(samples.end(), sound.begin(), sound.end());
        return true;
    }
};

double RawSynthesis(Synthesiser& synthesiser, const VoiceChoice& choice, const std::vector<QString>& texts,
                    double& audioSeconds)
{
    const Clock::time_point start = Clock::now();
    audioSeconds = 0;
    for (const QString& text : texts) {
        Collector collector;
        for (const SpeechStep& step : PlanSpeech(text, choice)) {
            const std::uint32_t rate = synthesiser.SampleRateOf(step.voice);
            collector.samples.clear();
            synthesiser.Speak(step, collector);
            collector.samples.resize(collector.samples.size() + rate * step.pauseAfterMs / 1000, 0);
            audioSeconds += static_cast<double>(collector.samples.size()) / rate;
        }
    }
    return Seconds(Clock::now() - start);
}

double EspeakLoop(const std::vector<QString>& texts, const QString& folder, double& cpu)
{
    QFile list(folder + QStringLiteral("/words.txt"));
    if (!list.open(QIODevice::WriteOnly))
        return -1;
    for (const QString& text : texts)
        list.write(text.toUtf8() + '\n');
    list.close();
    const QString script = QStringLiteral(
        "i=0; while IFS= read -r line; do i=$((i+1)); "
        "espeak-ng -v en-us -w \"$1/loop-$i.wav\" \"$line\" || exit 1; done < \"$1/words.txt\"");
    QProcess shell;
    const double cpuStart = CpuSeconds();
    const Clock::time_point start = Clock::now();
    shell.start(QStringLiteral("sh"), {QStringLiteral("-c"), script, QStringLiteral("sh"), folder});
    if (!shell.waitForFinished(-1) || shell.exitCode() != 0)
        return -1;
    cpu = CpuSeconds() - cpuStart;
    return Seconds(Clock::now() - start);
}

struct FirstSound
{
    std::mutex mutex;
    std::condition_variable arrived;
    std::optional<Clock::time_point> at;
    QString device;
};

// Notes when the first samples of each utterance reach the device.
class TimingSink final : public SoundSink
{
public:
    TimingSink(std::unique_ptr<SoundSink> inner, std::shared_ptr<FirstSound> first);
    Result<void> Open(const WaveFormat& format) override;
    HRESULT Write(std::span<const std::byte> bytes) override;
    HRESULT Drain() override { return m_open ? m_inner->Drain() : S_OK; }
    void Close() override;
    void Discard() override { m_inner->Discard(); }

private:
    std::unique_ptr<SoundSink> m_inner;
    std::shared_ptr<FirstSound> m_first;
    bool m_open = false;
    bool m_written = false;
};

TimingSink::TimingSink(std::unique_ptr<SoundSink> inner, std::shared_ptr<FirstSound> first)
    : m_inner(std::move(inner))
    , m_first(std::move(first))
{
}

Result<void> TimingSink::Open(const WaveFormat& format)
{
    m_written = false;
    // Without a server the inner sink refuses; the timing still ends at the hand-over.
    const Result<void> opened = m_inner->Open(format);
    m_open = opened.has_value();
    std::lock_guard lock(m_first->mutex);
    m_first->device = m_open ? QStringLiteral("sound server")
                             : QStringLiteral("no sound server: ") + opened.error().ErrorMessage();
    return {};
}

HRESULT TimingSink::Write(std::span<const std::byte> bytes)
{
    if (!m_written) {
        m_written = true;
        std::lock_guard lock(m_first->mutex);
        m_first->at = Clock::now();
        m_first->arrived.notify_all();
    }
    return m_open ? m_inner->Write(bytes) : S_OK;
}

void TimingSink::Close()
{
    if (m_open)
        m_inner->Close();
    m_open = false;
}

class TimingPlatform final : public Platform
{
public:
    std::shared_ptr<FirstSound> first = std::make_shared<FirstSound>();

protected:
    std::unique_ptr<SoundSink> CreateSoundSink() override
    {
        return std::make_unique<TimingSink>(CreatePulseSink(), first);
    }
};

std::vector<double> PreviewLatencies(const std::vector<QString>& texts, QString& device)
{
    auto platform = std::make_shared<TimingPlatform>();
    SpeechEngine engine(platform);
    if (!engine.Initialize(nullptr))
        return {};
    std::vector<double> latencies;
    for (int i = 0; i < kPreviews; ++i) {
        std::unique_lock lock(platform->first->mutex);
        platform->first->at.reset();
        lock.unlock();
        // As a second press of the preview button does, each text cuts the one before short.
        const Clock::time_point start = Clock::now();
        engine.SpeakText(texts[static_cast<std::size_t>(i) % texts.size()], Voice::kSpeakAsync);
        lock.lock();
        if (!platform->first->arrived.wait_for(lock, std::chrono::seconds(10),
                                               [&] { return platform->first->at.has_value(); }))
            return {};
        latencies.push_back(std::chrono::duration<double, std::milli>(*platform->first->at - start).count());
        device = platform->first->device;
    }
    engine.SpeakText(QString(), Voice::kSpeakAsync);
    engine.GetVoice()->WaitUntilDone(Voice::kInfinite);
    return latencies;
}

struct VoiceSpeed
{
    const char* label = "";
    double raw = 0;    // seconds for all words, synthesis to memory; 0 when not timed
    double files = 0;  // seconds for all words, SpeakToFile
    double filesCpu = 0;  // processor seconds of the same
    double audioSeconds = 0;
    int failures = 0;
    SoundCache::Counts flite;   // the kept pieces after the last round of SpeakToFile
    SoundCache::Counts espeak;
};

// Each round starts as a new process would, with nothing kept.
void ClearCaches()
{
    FliteSynthesiser::ClearCache();
    EspeakSynthesiser::ClearCache();
}

void PrintCounts(const char* name, const SoundCache::Counts& counts)
{
    const std::size_t asked = counts.hits + counts.misses;
    std::printf("    %s cache: %zu hits of %zu (%.0f%%), %zu pieces, %.1f KiB\n", name, counts.hits, asked,
                asked ? 100.0 * counts.hits / asked : 0.0, counts.pieces, counts.bytes / 1024.0);
}

// Best of `rounds` for raw synthesis and for SpeakToFile in `token`'s voice.
bool TimeVoice(SpeechEngine& engine, const QString& tokenName, const std::vector<QString>& texts,
               const QTemporaryDir& folder, int rounds, bool filesOnly, VoiceSpeed& speed)
{
    TokenPtr token;
    if (Failed(engine.GetPlatform().CreateToken(
            kVoicesCategoryId.toString() + QStringLiteral("\\Tokens\\") + tokenName, token))
        || Failed(engine.GetVoice()->SetVoice(token)))
        return false;
    const std::shared_ptr<Synthesiser> synthesiser = engine.GetPlatform().GetSynthesiser();
    const VoiceChoice choice = VoiceChoice::Of(token.get());
    speed.raw = filesOnly ? 0 : 1e9;
    speed.files = 1e9;
    speed.filesCpu = 1e9;
    for (int round = 0; round < rounds; ++round) {
        if (!filesOnly) {
            ClearCaches();
            speed.raw = std::min(speed.raw, RawSynthesis(*synthesiser, choice, texts, speed.audioSeconds));
        }
        ClearCaches();
        int failures = 0;
        const double cpuStart = CpuSeconds();
        const Clock::time_point start = Clock::now();
        for (std::size_t i = 0; i < texts.size(); ++i) {
            const QString path = folder.filePath(QStringLiteral("%1-%2.wav").arg(tokenName).arg(i));
            failures += Failed(engine.SpeakToFile(texts[i], Voice::kSpeakAsync, path));
        }
        speed.files = std::min(speed.files, Seconds(Clock::now() - start));
        speed.filesCpu = std::min(speed.filesCpu, CpuSeconds() - cpuStart);
        speed.failures = std::max(speed.failures, failures);
        speed.flite = FliteSynthesiser::CacheCounts();
        speed.espeak = EspeakSynthesiser::CacheCounts();
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    int rounds = kDefaultRounds;
    bool filesOnly = false;
    if (const qsizetype at = args.indexOf(QStringLiteral("--rounds")); at >= 0 && at + 1 < args.size()) {
        rounds = std::max(1, args[at + 1].toInt());
        args.remove(at, 2);
    }
    filesOnly = args.removeAll(QStringLiteral("--files-only")) > 0;
    const QString csvPath = !args.isEmpty() ? args[0]
                                            : QStringLiteral(LEXOVOX_SHARED_DIR "/vocab/extra_words.csv");
    const QString subclass = args.size() > 1 ? args[1]
                           : args.isEmpty()  ? QStringLiteral("ECDICT:中考词汇(zk)")
                                             : QString();
    QString source;
    const std::vector<QString> texts = ComposedWords(csvPath, subclass, source);
    std::printf("%zu words from %s, composed with spell-out, meaning and labels; 16 kHz mono\n",
                texts.size(), qUtf8Printable(source));

    QTemporaryDir folder;
    SpeechEngine engine;
    if (!folder.isValid() || !engine.Initialize(nullptr)) {
        std::fprintf(stderr, "cannot start: %s\n", qUtf8Printable(engine.GetErrorText()));
        return 1;
    }
    // 16 kHz 16-bit mono, picked as the format list does.
    engine.GetAudioOutput()->SetFormat(FormatId::WaveFormatEx, WaveFormat::Pcm(16000, 16, 1));
    engine.GetVoice()->SetOutput(engine.GetAudioOutput(), false);

    // Voices and rounds in turn, the best of each kept: the machine's other work and clock
    // changes then weigh on all alike.
    VoiceSpeed speeds[2];
    speeds[0].label = "Flite rms bilingual (default)";
    speeds[1].label = "eSpeak NG bilingual";
    const QString tokens[] = {QStringLiteral("LexovoxBilingualFliteRms"), QStringLiteral("LexovoxBilingualUS")};
    for (std::size_t v = 0; v < std::size(speeds); ++v) {
        if (!TimeVoice(engine, tokens[v], texts, folder, rounds, filesOnly, speeds[v])) {
            std::fprintf(stderr, "the voice %s is missing\n", qUtf8Printable(tokens[v]));
            return 1;
        }
    }

    double loop = -1;
    double loopCpu = 0;
    if (!filesOnly && !QStandardPaths::findExecutable(QStringLiteral("espeak-ng")).isEmpty())
        loop = EspeakLoop(texts, folder.path(), loopCpu);
    for (const VoiceSpeed& speed : speeds) {
        std::printf("%s:\n", speed.label);
        if (speed.raw > 0)
            std::printf("  raw synthesis to memory: %7.1f words/s  (%.2f s for %.0f s of speech)\n",
                        texts.size() / speed.raw, speed.raw, speed.audioSeconds);
        std::printf("  SpeakToFile:              %7.1f words/s  (%.2f s, %d failed)", texts.size() / speed.files,
                    speed.files, speed.failures);
        if (loop > 0)
            std::printf("  = %.2f x the loop", loop / speed.files);
        std::printf("\n  by processor time:        %7.1f words/s", texts.size() / speed.filesCpu);
        if (loop > 0)
            std::printf("  = %.2f x the loop", loopCpu / speed.filesCpu);
        std::printf("\n");
        PrintCounts("Flite", speed.flite);
        PrintCounts("espeak-ng", speed.espeak);
    }
    if (filesOnly)
        return 0;
    if (loop > 0)
        std::printf("espeak-ng -v en-us -w loop: %7.1f words/s  (%.2f s), by processor time %.1f words/s\n",
                    texts.size() / loop, loop, texts.size() / loopCpu);
    else
        std::printf("espeak-ng -v en-us -w loop: not run (espeak-ng missing or failing)\n");

#ifdef LEXOVOX_BENCH_SOUND_SERVER
    PulseTestServer server;
    std::optional<EnvironmentGuard> environment;
    if (server.IsRunning())
        environment.emplace("PULSE_SERVER", server.Address().toUtf8());
#endif
    QString device;
    std::vector<double> latencies = PreviewLatencies(texts, device);
    if (latencies.empty()) {
        std::printf("preview latency:          not measured\n");
    } else {
        std::sort(latencies.begin(), latencies.end());
        std::printf("preview latency (%s): median %.2f ms, max %.2f ms over %zu previews\n",
                    qUtf8Printable(device), latencies[latencies.size() / 2], latencies.back(),
                    latencies.size());
    }
    return 0;
}
