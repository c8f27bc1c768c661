// Batch generation at course scale, side by side in one run (not a test; run it by hand):
//  1. words per second of lexovox-batch with --jobs 1 and --jobs 2 and of a loop of
//     `espeak-ng -v en-us -w` over the same composed texts, for the default voice and the
//     eSpeak NG bilingual voice: 300 words of ECDICT's 中考 list, all three options, 16 kHz mono;
//     with --jobs 2 also without levelling, as MP3 and --repeatable; then the whole list as a
//     dictation course (each word twice, 1.5 s pauses, English at 80 %, MP3);
//  2. the window during a run: the longest event-loop stall, the time from 停止 to a usable
//     window, and the resident size of each worker.
// Usage: bench_batch [WORDS]   (QT_QPA_PLATFORM=offscreen is set when no display is named)

#include <algorithm>
#include <chrono>
#include <cstdio>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include "output/batchengine.h"
#include "speech/composeutterance.h"
#include "ui/cwordspeechdlg.h"
#include "ui/folderbrowser.h"
#include "ui/prompt.h"
#include "vocab/vocabimporter.h"
#include "vocab/wordlistmodel.h"

namespace {

const SpeechOptions kAll{true, true, true};

void writeCsv(const QString& csv, const std::vector<WordEntry>& words)
{
    QFile file(csv);
    file.open(QIODevice::WriteOnly);
    file.write("en,ch\n");
    for (const WordEntry& word : words)
        file.write('"' + word.en.toUtf8().replace('"', "\"\"") + "\",\"" + word.ch.toUtf8().replace('"', "\"\"") + "\"\n");
}

std::vector<WordEntry> courseWords(int count)
{
    const QString path = QStringLiteral(LEXOVOX_SHARED_DIR "/vocab/extra_words.csv");
    Result<std::vector<WordEntry>> words = ReadWordList(path, QStringLiteral("ECDICT:中考词汇(zk)"));
    if (!words || words->empty()) {
        std::fprintf(stderr, "%s not readable: generated words instead\n", qPrintable(path));
        words = std::vector<WordEntry>{};
        for (int i = 0; i < count; ++i)
            words->push_back({QStringLiteral("word%1").arg(i), QStringLiteral("n. 单词")});
    }
    if (int(words->size()) > count)
        words->resize(std::size_t(count));
    return *words;
}

double runBatch(const QString& program, const QString& csv, const QString& out, const QString& voice, int jobs,
                const QStringList& more = {})
{
    QDir(out).removeRecursively();
    QDir().mkpath(out);
    QProcess batch;
    QElapsedTimer clock;
    clock.start();
    batch.start(program, QStringList{u"--out"_qs, out, u"--words"_qs, csv, u"--voice"_qs, voice, u"--format"_qs,
                          u"16kHz 16 Bit 单声道"_qs, u"--spell"_qs, u"--meaning"_qs, u"--labels"_qs,
                          u"--jobs"_qs, QString::number(jobs), u"--quiet"_qs}
                             + more);
    batch.waitForFinished(-1);
    if (batch.exitCode() != 0)
        std::fprintf(stderr, "lexovox-batch: %s\n", batch.readAllStandardError().constData());
    return double(clock.elapsed()) / 1000.0;
}

double espeakLoop(const std::vector<WordEntry>& words, const QString& out)
{
    QDir().mkpath(out);
    QElapsedTimer clock;
    clock.start();
    int i = 0;
    for (const WordEntry& word : words) {
        QProcess espeak;
        espeak.start(u"espeak-ng"_qs, {u"-v"_qs, u"en-us"_qs, u"-w"_qs, out + QStringLiteral("/%1.wav").arg(i++),
                                       ComposeUtterance(word.en, word.ch, kAll)});
        espeak.waitForFinished(-1);
    }
    return double(clock.elapsed()) / 1000.0;
}

qint64 residentKiB(qint64 pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    }
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // The window keeps its choices; the bench must neither read nor change the user's.
    QTemporaryDir settings;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(settings.path()));
    QApplication app(argc, argv);
    Prompt::setTesting(true);
    const int count = argc > 1 ? std::max(10, atoi(argv[1])) : 300;
    const std::vector<WordEntry> words = courseWords(count);
    QTemporaryDir work;
    const QString csv = work.filePath(u"words.csv"_qs);
    writeCsv(csv, words);
    const QString program = QDir(QCoreApplication::applicationDirPath()).filePath(u"lexovox-batch"_qs);
    std::printf("%zu words of 中考词汇, spell + meaning + labels, 16 kHz mono, %d cores\n", words.size(),
                QThread::idealThreadCount());

    const double loop = espeakLoop(words, work.filePath(u"loop"_qs));
    const double loopRate = double(words.size()) / loop;
    std::printf("%-34s %7.1f words/s\n", "espeak-ng -w loop", loopRate);
    const auto rate = [&](const char* voice, int jobs, const QStringList& more = {}) {
        return double(words.size()) / runBatch(program, csv, work.filePath(u"run"_qs), QString::fromUtf8(voice), jobs, more);
    };
    for (const auto& [name, voice, goal] : {std::tuple{"default voice (Flite rms)", "Flite rms", 2.5},
                                            std::tuple{"eSpeak NG bilingual", "eSpeak NG)", 5.0}}) {
        const double rate1 = rate(voice, 1);
        const double rate2 = rate(voice, 2);
        const double quiet = rate(voice, 2, {u"--no-loudness"_qs});
        const double mp3 = rate(voice, 2, {u"--type"_qs, u"mp3"_qs});
        const double same1 = rate(voice, 1, {u"--repeatable"_qs});
        const double same2 = rate(voice, 2, {u"--repeatable"_qs});
        std::printf("%-26s --jobs 1 %7.1f words/s\n", name, rate1);
        std::printf("%-26s --jobs 2 %7.1f words/s  = %.2fx the loop (goal >= %.1f), %.2fx --jobs 1 (goal >= 1.7)\n",
                    name, rate2, rate2 / loopRate, goal, rate2 / rate1);
        std::printf("%-26s levelling costs %.0f %% (%.1f words/s without; goal <= 10 %%)\n", name,
                    100.0 * (1.0 - rate2 / quiet), quiet);
        std::printf("%-26s MP3 %7.1f words/s = %.2fx WAV (goal >= 0.9)\n", name, mp3, mp3 / rate2);
        std::printf("%-26s --repeatable: --jobs 1 %.1f, --jobs 2 %.1f words/s = %.2fx the loop, %.2fx --jobs 1\n",
                    name, same1, same2, same2 / loopRate, same2 / same1);
    }
    // A dictation course: every word of the list, each twice, 1.5 s to repeat it, English at 80 %, MP3.
    if (const std::vector<WordEntry> course = courseWords(100000); course.size() > words.size()) {
        const QString courseCsv = work.filePath(u"course.csv"_qs);
        writeCsv(courseCsv, course);
        const double seconds = runBatch(program, courseCsv, work.filePath(u"course"_qs), u"Flite rms"_qs,
                                        QThread::idealThreadCount(),
                                        {u"--repeat"_qs, u"2"_qs, u"--pause"_qs, u"1500"_qs, u"--rate"_qs, u"80"_qs,
                                         u"--type"_qs, u"mp3"_qs});
        std::printf("dictation course, %zu words (repeat 2, pause 1500 ms, rate 80 %%, MP3, all cores): %.1f s, %.1f words/s\n",
                    course.size(), seconds, double(course.size()) / seconds);
    }

    // The window: a run of the same words with the default voice, stopped after two seconds.
    CWordSpeechDlg dlg(nullptr);
    dlg.wordListModel()->append(std::vector<WordEntry>(words));
    dlg.wordListModel()->checkAll();
    FolderBrowser::setNextResult(work.filePath(u"window"_qs));
    QDir().mkpath(work.filePath(u"window"_qs));
    dlg.findChild<QPushButton*>(u"browseButton"_qs)->click();
    auto* generate = dlg.findChild<QPushButton*>(u"generateButton"_qs);
    dlg.show();

    QElapsedTimer tick;
    qint64 longestStall = 0;
    QTimer beat;
    QObject::connect(&beat, &QTimer::timeout, &app, [&] {
        longestStall = std::max(longestStall, tick.restart());
    });
    std::vector<qint64> rss; // the largest of each worker, then their largest total
    QTimer sample;
    QObject::connect(&sample, &QTimer::timeout, &app, [&] {
        const std::vector<qint64> pids = dlg.batchEngine().WorkerProcessIds();
        rss.resize(std::max(rss.size(), pids.size() + 1), 0);
        qint64 total = 0;
        for (std::size_t i = 0; i < pids.size(); ++i) {
            const qint64 r = residentKiB(pids[i]);
            rss[i] = std::max(rss[i], r);
            total += r;
        }
        rss.back() = std::max(rss.back(), total);
    });
    QElapsedTimer stopClock;
    double stopMs = -1;
    QObject::connect(&dlg.batchEngine(), &BatchEngine::finished, &app, [&] {
        stopMs = stopClock.isValid() ? double(stopClock.nsecsElapsed()) / 1e6 : -1;
        QTimer::singleShot(0, &app, &QApplication::quit);
    });
    generate->click();
    tick.start();
    beat.start(1);
    sample.start(200);
    // LEXOVOX_BENCH_SHOT=FILE.png keeps a picture of the window during the run.
    if (const QString shot = qEnvironmentVariable("LEXOVOX_BENCH_SHOT"); !shot.isEmpty())
        QTimer::singleShot(1500, &app, [&dlg, shot] { dlg.grab().save(shot); });
    QTimer::singleShot(2000, &app, [&] {
        stopClock.start();
        generate->click(); // 停止
    });
    app.exec();
    std::printf("window: longest event-loop stall during the run %lld ms (goal <= 50)\n", longestStall);
    if (stopMs < 0)
        std::printf("window: the run ended before 停止 was pressed; give more words\n");
    else
        std::printf("window: 停止 to a usable window %.0f ms (goal <= 500), %d of %zu words done\n", stopMs,
                    dlg.batchEngine().Done(), words.size());
    std::printf("memory: resident size of each worker");
    for (std::size_t i = 0; i + 1 < rss.size(); ++i)
        std::printf(" %lld KiB", rss[i]);
    std::printf(", total %lld KiB\n", rss.empty() ? 0 : rss.back());
    std::printf("window process: %lld KiB\n", residentKiB(QCoreApplication::applicationPid()));
    return 0;
}
