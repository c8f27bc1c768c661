// How loud lexovox-batch's files come out, and what levelling them costs (not a test; run it
// by hand from build/bin):
//  1. every file of N words of ECDICT's 中考 list (spell + meaning + labels, 16 kHz 16-bit
//     mono) for the default voice and the eSpeak NG bilingual voice, levelled (the default
//     -18 LUFS) and as the voice speaks (--no-loudness): integrated loudness and true peak by
//     libebur128, a few cross-checked by ffmpeg's ebur128 filter;
//  2. the same for the 8-bit format, counting samples at the ends of its range;
//  3. words per second of the default voice with --jobs 2, levelled and not, runs alternating
//     so a busy machine slows both alike.
// Usage: bench_loudness [WORDS] [RUNS]   (default 100 words, 3 runs of each for the rate)

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <vector>

#include <ebur128.h>
#include <sndfile.h>
#include <sys/resource.h>

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "vocab/vocabimporter.h"

namespace {

constexpr double kTargetLufs = -18;
constexpr double kMaxTruePeakDb = -1;
const QString k16Bit = QStringLiteral("16kHz 16 Bit 单声道");
const QString k8Bit = QStringLiteral("16kHz 8 Bit 单声道");

struct FileLevels
{
    QString path;
    double lufs = -HUGE_VAL;
    double truePeakDb = -HUGE_VAL;
    long extremes = 0;  // samples at the lowest or highest value the format holds
};

void CloseSound(SNDFILE* sound)
{
    sf_close(sound);
}

FileLevels Measure(const QString& path)
{
    FileLevels levels{path};
    SF_INFO info{};
    const std::unique_ptr<SNDFILE, decltype(&CloseSound)> file(
        sf_open(QFile::encodeName(path).constData(), SFM_READ, &info), &CloseSound);
    if (!file || info.channels < 1)
        return levels;
    std::vector<short> samples(std::size_t(info.frames * info.channels));
    sf_readf_short(file.get(), samples.data(), info.frames);
    // libsndfile gives 8-bit samples in the top byte: the 8-bit ends read as -32768 and 32512.
    const bool eightBit = (info.format & SF_FORMAT_SUBMASK) == SF_FORMAT_PCM_U8
                          || (info.format & SF_FORMAT_SUBMASK) == SF_FORMAT_PCM_S8;
    const short top = eightBit ? 32512 : 32767;
    levels.extremes = std::count_if(samples.begin(), samples.end(), [top](short s) { return s <= -32768 || s >= top; });
    ebur128_state* meter = ebur128_init(unsigned(info.channels), unsigned(info.samplerate),
                                        EBUR128_MODE_I | EBUR128_MODE_TRUE_PEAK);
    if (!meter)
        return levels;
    ebur128_add_frames_short(meter, samples.data(), std::size_t(info.frames));
    ebur128_loudness_global(meter, &levels.lufs);
    double peak = 0;
    for (int c = 0; c < info.channels; ++c) {
        double channelPeak = 0;
        if (ebur128_true_peak(meter, unsigned(c), &channelPeak) == EBUR128_SUCCESS)
            peak = std::max(peak, channelPeak);
    }
    levels.truePeakDb = peak > 0 ? 20 * std::log10(peak) : -HUGE_VAL;
    ebur128_destroy(&meter);
    return levels;
}

// ffmpeg's own reading of one file: its summary's "I: -18.0 LUFS" and "Peak: -1.2 dBFS".
std::pair<double, double> FfmpegLevels(const QString& path)
{
    QProcess ffmpeg;
    ffmpeg.start(u"ffmpeg"_qs, {u"-hide_banner"_qs, u"-nostats"_qs, u"-i"_qs, path, u"-af"_qs,
                                u"ebur128=peak=true"_qs, u"-f"_qs, u"null"_qs, u"-"_qs});
    if (!ffmpeg.waitForFinished(-1))
        return {NAN, NAN};
    const QString log = QString::fromUtf8(ffmpeg.readAllStandardError());
    const qsizetype summary = log.lastIndexOf(u"Summary:"_qs);
    const QString tail = log.mid(std::max<qsizetype>(summary, 0));
    const auto number = [&tail](const QString& pattern) {
        const QRegularExpressionMatch match = QRegularExpression(pattern).match(tail);
        return match.hasMatch() ? match.captured(1).toDouble() : NAN;
    };
    return {number(uR"(I:\s+(-?[\d.]+) LUFS)"_qs), number(uR"(Peak:\s+(-?[\d.]+) dBFS)"_qs)};
}

std::vector<WordEntry> CourseWords(int count)
{
    const QString path = QStringLiteral(LEXOVOX_SHARED_DIR "/vocab/extra_words.csv");
    Result<std::vector<WordEntry>> words = ReadWordList(path, QStringLiteral("ECDICT:中考词汇(zk)"));
    if (!words || words->empty()) {
        std::fprintf(stderr, "no words of 中考词汇 in %s\n", qPrintable(path));
        return {};
    }
    if (int(words->size()) > count)
        words->resize(std::size_t(count));
    return *words;
}

// Processor seconds of the reaped children so far: lexovox-batch with the workers it waited for.
double ChildCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    const auto seconds = [](const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// One run of lexovox-batch into an emptied `out`; its seconds, or -1 when it failed. `cpu`, when
// given, gets its processor seconds, steadier than the clock on a shared machine.
double RunBatch(const QString& program, const QString& csv, const QString& out, const QStringList& extra,
                double* cpu = nullptr)
{
    const double cpuBefore = ChildCpuSeconds();
    QDir(out).removeRecursively();
    QDir().mkpath(out);
    QProcess batch;
    QElapsedTimer clock;
    clock.start();
    batch.start(program, QStringList{u"--out"_qs, out, u"--words"_qs, csv, u"--spell"_qs, u"--meaning"_qs,
                                     u"--labels"_qs, u"--quiet"_qs}
                             + extra);
    batch.waitForFinished(-1);
    if (batch.exitStatus() != QProcess::NormalExit || batch.exitCode() != 0) {
        std::fprintf(stderr, "lexovox-batch %s: %s\n", qPrintable(extra.join(u' ')),
                     batch.readAllStandardError().constData());
        return -1;
    }
    if (cpu)
        *cpu = ChildCpuSeconds() - cpuBefore;
    return double(clock.elapsed()) / 1000.0;
}

std::vector<FileLevels> MeasureFolder(const QString& folder)
{
    std::vector<FileLevels> files;
    QDirIterator it(folder, {u"*.wav"_qs}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        files.push_back(Measure(it.next()));
    std::sort(files.begin(), files.end(), [](const FileLevels& a, const FileLevels& b) { return a.path < b.path; });
    return files;
}

double Median(std::vector<double> values)
{
    if (values.empty())
        return NAN;
    std::sort(values.begin(), values.end());
    const std::size_t mid = values.size() / 2;
    return values.size() % 2 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}

// One line of the table; the median loudness, for the voices' difference.
double PrintLevels(const char* voice, const char* setting, const std::vector<FileLevels>& files)
{
    std::vector<double> lufs;
    double maxPeak = -HUGE_VAL;
    int near = 0;
    int overPeak = 0;
    int silent = 0;
    long extremes = 0;
    int clipped = 0;
    for (const FileLevels& file : files) {
        if (!std::isfinite(file.lufs)) {
            ++silent;
            continue;
        }
        lufs.push_back(file.lufs);
        near += std::abs(file.lufs - kTargetLufs) <= 1.0;
        overPeak += file.truePeakDb > kMaxTruePeakDb;
        maxPeak = std::max(maxPeak, file.truePeakDb);
        extremes += file.extremes;
        clipped += file.extremes > 0;
    }
    const double median = Median(lufs);
    const auto [low, high] = std::minmax_element(lufs.begin(), lufs.end());
    if (lufs.empty()) {
        std::printf("%-10s %-13s no measurable files (%zu written)\n", voice, setting, files.size());
        return NAN;
    }
    std::printf("%-10s %-13s %5zu %7.2f %7.2f %7.2f %6.2f %4d/%-4zu %7.3f %4d %8ld/%d %3d\n", voice, setting,
                files.size(), *low, median, *high, *high - *low, near, lufs.size(), maxPeak, overPeak, extremes,
                clipped, silent);
    return median;
}

void PrintHeader()
{
    std::printf("%-10s %-13s %5s %7s %7s %7s %6s %9s %7s %4s %10s %3s\n", "voice", "setting", "files", "min", "median",
                "max", "spread", "±1 LU", "max TP", ">-1", "extr/files", "sil");
}

// `count` files spread over the run, read by ffmpeg while they still exist.
QStringList CrossCheck(const std::vector<FileLevels>& files, int count)
{
    QStringList lines;
    for (int i = 0; i < count && i < int(files.size()); ++i) {
        const FileLevels& file = files[std::size_t(i) * files.size() / std::size_t(count)];
        const auto [lufs, peak] = FfmpegLevels(file.path);
        lines << QString::asprintf("  %-28s libebur128 %7.2f LUFS %6.2f dBTP | ffmpeg ebur128 %6.1f LUFS %5.1f dBTP",
                                   qPrintable(QFileInfo(file.path).fileName().left(28)), file.lufs, file.truePeakDb,
                                   lufs, peak);
    }
    return lines;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const int count = argc > 1 ? std::max(10, atoi(argv[1])) : 100;
    const int runs = argc > 2 ? std::max(1, atoi(argv[2])) : 3;
    const std::vector<WordEntry> words = CourseWords(count);
    if (words.empty())
        return 1;
    QTemporaryDir work;
    const QString csv = work.filePath(u"words.csv"_qs);
    {
        QFile file(csv);
        if (!file.open(QIODevice::WriteOnly))
            return 1;
        file.write("en,ch\n");
        for (const WordEntry& word : words)
            file.write('"' + word.en.toUtf8().replace('"', "\"\"") + "\",\"" + word.ch.toUtf8().replace('"', "\"\"")
                       + "\"\n");
    }
    const QString program = QDir(QCoreApplication::applicationDirPath()).filePath(u"lexovox-batch"_qs);
    const QString out = work.filePath(u"out"_qs);
    std::printf("%zu words of 中考词汇, spell + meaning + labels, target %.0f LUFS, true peak <= %.0f dBFS\n\n",
                words.size(), kTargetLufs, kMaxTruePeakDb);

    PrintHeader();
    struct Setting
    {
        const char* name;
        QStringList options;
    };
    const Setting levelled{"-18 LUFS", {}};
    const Setting asSpoken{"--no-loudness", {u"--no-loudness"_qs}};
    std::vector<std::pair<QString, QStringList>> checks;  // ffmpeg's readings, printed after the table
    double medians[2][2] = {};
    const char* const voices[] = {"Flite rms", "eSpeak NG"};
    for (int v = 0; v < 2; ++v) {
        for (int s = 0; s < 2; ++s) {
            const Setting& setting = s == 0 ? levelled : asSpoken;
            const QStringList options =
                QStringList{u"--voice"_qs, QString::fromUtf8(voices[v]), u"--format"_qs, k16Bit} + setting.options;
            if (RunBatch(program, csv, out, options) < 0)
                continue;
            const std::vector<FileLevels> files = MeasureFolder(out);
            medians[v][s] = PrintLevels(voices[v], setting.name, files);
            if (s == 0)
                checks.emplace_back(QString::fromUtf8(voices[v]), CrossCheck(files, 3));
        }
    }
    std::printf("median of Flite rms - median of eSpeak NG: levelled %+.2f LU, --no-loudness %+.2f LU\n",
                medians[0][0] - medians[1][0], medians[0][1] - medians[1][1]);
    std::printf("goal: levelled, every file within ±1 LU of -18 for both voices, every true peak <= -1 dBFS\n\n");

    std::printf("8-bit (%s), default voice; extr = samples at 0 or 255 / files with any\n", qPrintable(k8Bit));
    PrintHeader();
    for (int s = 0; s < 2; ++s) {
        const Setting& setting = s == 0 ? levelled : asSpoken;
        if (RunBatch(program, csv, out, QStringList{u"--format"_qs, k8Bit} + setting.options) >= 0)
            PrintLevels("Flite rms", setting.name, MeasureFolder(out));
    }

    std::printf("\ncross-check of levelled 16-bit files (ffmpeg prints to one place):\n");
    for (const auto& [voice, lines] : checks)
        std::printf(" %s\n%s\n", qPrintable(voice), qPrintable(lines.join(u'\n')));

    // Same silence at the ends for both, so only the levelling differs.
    std::printf("\nrate, default voice, --jobs 2, 16 kHz 16-bit, runs alternating:\n");
    const QStringList common{u"--format"_qs, k16Bit, u"--jobs"_qs, u"2"_qs, u"--lead"_qs, u"100"_qs, u"--trail"_qs, u"300"_qs};
    std::vector<double> rates[2];
    std::vector<double> cpuPerWord[2];  // ms
    for (int r = 0; r < runs; ++r) {
        for (int s = 0; s < 2; ++s) {
            const QStringList options = common + (s == 0 ? QStringList{u"--loudness"_qs, u"-18"_qs} : asSpoken.options);
            double cpu = 0;
            const double seconds = RunBatch(program, csv, out, options, &cpu);
            if (seconds <= 0)
                continue;
            rates[s].push_back(double(words.size()) / seconds);
            cpuPerWord[s].push_back(1000.0 * cpu / double(words.size()));
            std::printf("  run %d %-13s %6.2f s %6.2f words/s %6.1f ms processor/word\n", r + 1,
                        s == 0 ? levelled.name : asSpoken.name, seconds, rates[s].back(), cpuPerWord[s].back());
        }
    }
    const double with = Median(rates[0]);
    const double without = Median(rates[1]);
    std::printf("median: levelled %.2f words/s, --no-loudness %.2f words/s, cost %.1f %% (goal <= 10 %%)\n", with,
                without, 100.0 * (1.0 - with / without));
    const double cpuWith = Median(cpuPerWord[0]);
    const double cpuWithout = Median(cpuPerWord[1]);
    std::printf("median processor time: levelled %.1f ms/word, --no-loudness %.1f ms/word, +%.1f ms (+%.0f %%)\n",
                cpuWith, cpuWithout, cpuWith - cpuWithout, 100.0 * (cpuWith / cpuWithout - 1.0));
    return 0;
}
