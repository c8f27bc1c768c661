// MP3 and Opus files through SpeechEngine::SpeakToFile with the eSpeak NG bilingual voice.
//   bench_filetypes                 300 words of the 中考词汇 course, WAV 16 kHz against MP3
//                                   64 kbps and Opus (numbered, card-safe names, tags and a
//                                   playlist, as a batch writes them), rounds in turn, best of
//                                   each: words per second, throughput and total size ratios.
//   bench_filetypes course FOLDER [TYPE]  the same 300 words once as a course in FOLDER.
//   bench_filetypes rates FOLDER TYPE KBPS  one tagged word at each of the nine rates, mono and
//                                   stereo, named RATE-CHANNELS.EXT (tools/measure-mp3-decoders.sh).
// The words: rows "ECDICT:中考词汇(zk)" of ../shared/vocab/extra_words.csv.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>


#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "output/filenaming.h"
#include "output/filetags.h"
#include "output/playlist.h"
#include "speech/composeutterance.h"
#include "speech/platform/audiooutput.h"
#include "speech/platform/platform.h"
#include "speech/platform/voice.h"
#include "speech/speechengine.h"
#include "vocab/vocabimporter.h"
#include "vocab/wordentry.h"

using namespace speech;
using Clock = std::chrono::steady_clock;

namespace {

constexpr std::size_t kWords = 300;
constexpr int kRounds = 3;
const SpeechOptions kOptions{true, true, true};
const QString kCourse = QStringLiteral("ECDICT:中考词汇(zk)");

// The course's first kWords rows.
std::vector<WordEntry> CourseRows(const QString& path)
{
    std::vector<WordEntry> rows = ReadWordList(path, kCourse).value_or(std::vector<WordEntry>{});
    if (rows.size() > kWords)
        rows.resize(kWords);
    return rows;
}

bool StartBilingual(SpeechEngine& engine, std::uint32_t rate)
{
    if (!engine.Initialize(nullptr)) {
        std::fprintf(stderr, "cannot start: %s\n", qUtf8Printable(engine.GetErrorText()));
        return false;
    }
    TokenPtr voice;
    if (Failed(engine.GetPlatform().CreateToken(
            QString(kVoicesCategoryId.toString() + QStringLiteral("\\Tokens\\LexovoxBilingualUS")), voice))
        || Failed(engine.GetVoice()->SetVoice(voice))) {
        std::fprintf(stderr, "the eSpeak NG bilingual voice is missing\n");
        return false;
    }
    engine.GetAudioOutput()->SetFormat(FormatId::WaveFormatEx, WaveFormat::Pcm(rate, 16, 1));
    engine.GetVoice()->SetOutput(engine.GetAudioOutput(), false);
    return true;
}

// One batch as the program writes it: planned names, each file tagged before it takes its
// name, then the playlist. Returns the number of failures.
int WriteCourse(SpeechEngine& engine, const std::vector<WordEntry>& rows, const QString& folder,
                const FileEncoding& encoding)
{
    const bool encoded = encoding.type != OutputFileType::Wav;
    QStringList headwords;
    for (const WordEntry& row : rows)
        headwords << row.en;
    const auto names = PlanFileNames(headwords, {FileTypeExtension(encoding.type), encoded, encoded});
    std::vector<PlaylistEntry> playlist;
    int failures = 0;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (!names[i]) {
            ++failures;
            continue;
        }
        const FileTags tags{rows[i].en, kCourse, static_cast<int>(i) + 1, static_cast<int>(rows.size()), rows[i].ch, {}};
        double seconds = 0;
        const FileFinisher finish = [&](const QString& written, double length) {
            seconds = length;
            return WriteFileTags(written, encoding.type, tags).has_value();
        };
        const HRESULT hr = engine.SpeakToFile(ComposeUtterance(rows[i].en, rows[i].ch, kOptions), Voice::kSpeakAsync,
                                              QDir(folder).filePath(*names[i]), encoding, finish);
        if (Failed(hr))
            ++failures;
        else
            playlist.push_back({seconds, rows[i].en, rows[i].ch, *names[i]});
    }
    if (encoded && !WritePlaylist(folder, playlist).has_value())
        ++failures;
    return failures;
}

qint64 FolderBytes(const QString& folder)
{
    qint64 bytes = 0;
    for (QDirIterator it(folder, QDir::Files); it.hasNext();)
        bytes += QFileInfo(it.next()).size();
    return bytes;
}

double SecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

int Bench(const std::vector<WordEntry>& rows)
{
    SpeechEngine engine;
    QTemporaryDir work;
    if (!work.isValid() || !StartBilingual(engine, 16000))
        return 1;
    const FileEncoding kinds[] = {{}, FileEncoding::Of(OutputFileType::Mp3, 64), FileEncoding::Of(OutputFileType::Opus, 64)};
    const char* const labels[] = {"WAV 16 kHz", "MP3 64 kbps + tags", "Opus + tags"};
    constexpr int kKinds = 3;
    WriteCourse(engine, {rows.begin(), rows.begin() + 10}, work.filePath(QStringLiteral("warm")), kinds[0]);
    double best[kKinds] = {1e9, 1e9, 1e9};
    qint64 bytes[kKinds] = {};
    int failures[kKinds] = {};
    for (int round = 0; round < kRounds; ++round) {
        for (int kind = 0; kind < kKinds; ++kind) {
            const QString folder = work.filePath(QStringLiteral("r%1-%2").arg(round).arg(kind));
            QDir().mkpath(folder);
            const Clock::time_point start = Clock::now();
            failures[kind] += WriteCourse(engine, rows, folder, kinds[kind]);
            best[kind] = std::min(best[kind], SecondsSince(start));
            bytes[kind] = FolderBytes(folder);
        }
    }
    std::printf("%zu words of %s, 16 kHz 16-bit mono chosen, best of %d rounds in turn\n", rows.size(),
                qUtf8Printable(kCourse), kRounds);
    for (int kind = 0; kind < kKinds; ++kind) {
        std::printf("%-20s %6.1f words/s (%6.2f s) %9.1f KiB %d failed  throughput/WAV %.3f  size/WAV %.3f\n",
                    labels[kind], rows.size() / best[kind], best[kind], bytes[kind] / 1024.0, failures[kind],
                    best[0] / best[kind], static_cast<double>(bytes[kind]) / static_cast<double>(bytes[0]));
    }
    return failures[0] + failures[1] + failures[2] == 0 ? 0 : 1;
}

int Course(const std::vector<WordEntry>& rows, const QString& folder, OutputFileType type)
{
    SpeechEngine engine;
    if (!QDir().mkpath(folder) || !StartBilingual(engine, 16000))
        return 1;
    const int failures = WriteCourse(engine, rows, folder, FileEncoding::Of(type, FileEncoding::kDefaultMp3Kbps));
    std::printf("%zu words into %s, %d failed\n", rows.size(), qUtf8Printable(folder), failures);
    return failures == 0 ? 0 : 1;
}

int Rates(const QString& folder, OutputFileType type, int kbps)
{
    SpeechEngine engine;
    if (!QDir().mkpath(folder) || !StartBilingual(engine, 16000))
        return 1;
    int failures = 0;
    for (const std::uint32_t rate : {8000u, 11025u, 12000u, 16000u, 22050u, 24000u, 32000u, 44100u, 48000u}) {
        for (const std::uint16_t channels : {1, 2}) {
            engine.GetAudioOutput()->SetFormat(FormatId::WaveFormatEx, WaveFormat::Pcm(rate, 16, channels));
            engine.GetVoice()->SetOutput(engine.GetAudioOutput(), false);
            const QString name = QStringLiteral("%1-%2.%3").arg(rate).arg(channels).arg(FileTypeExtension(type));
            // Tagged as a batch tags them: decoders must read past the ID3v2 tag too.
            const FileFinisher tag = [type](const QString& written, double) {
                return WriteFileTags(written, type, {QStringLiteral("pineapple"), kCourse, 1, 1, QStringLiteral("n. 菠萝"), {}})
                    .has_value();
            };
            failures += Failed(engine.SpeakToFile(QStringLiteral("pineapple;;菠萝 ;"), Voice::kSpeakAsync,
                                                  QDir(folder).filePath(name), FileEncoding::Of(type, kbps), tag));
        }
    }
    return failures == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.value(0) == u"rates" && args.size() == 4) {
        const auto type = FileTypeFromName(args[2]);
        return type ? Rates(args[1], *type, args[3].toInt()) : 2;
    }
    const QString csv = QStringLiteral(LEXOVOX_SHARED_DIR "/vocab/extra_words.csv");
    const std::vector<WordEntry> rows = CourseRows(csv);
    if (rows.size() < kWords) {
        std::fprintf(stderr, "needs %zu rows of %s in %s\n", kWords, qUtf8Printable(kCourse), qUtf8Printable(csv));
        return 1;
    }
    if (args.value(0) == u"course" && args.size() >= 2)
        return Course(rows, args[1], FileTypeFromName(args.value(2, QStringLiteral("mp3"))).value_or(OutputFileType::Mp3));
    return Bench(rows);
}
