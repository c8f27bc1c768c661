#include <optional>

#include <unistd.h>

#include <QDateTime>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <sndfile.h>

#include "base/atomicfile.h"
#include "base/processstamp.h"
#include "output/batchengine.h"
#include "output/batchworker.h"
#include "output/lesson/lessonrun.h"
#include "output/outputpath.h"
#include "support/endedprocess.h"

namespace {

QByteArray read(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void write(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

class BatchEngineTest : public ::testing::Test
{
protected:
    /// A word whose text tells the fake worker what to do; it goes to `name`.wav.
    BatchWord word(const QString& text, const QString& name)
    {
        const int row = m_nextRow++;
        return BatchWord{row, name, text, OutputFilePath(m_dir.path(), name).value_or(QString()), QString(), row + 1};
    }

    BatchJob settings(int jobs = 2) const
    {
        BatchJob s;
        s.folder = m_dir.path();
        s.jobs = jobs;
        return s;
    }

    /// Runs to the end; `duringRun` is called once on the first progress.
    BatchReport run(std::vector<BatchWord> words, const BatchJob& s,
                    const std::function<void(BatchEngine&)>& duringRun = {}, const QString& worker = QStringLiteral(FAKE_WORKER),
                    std::vector<LessonWord> lesson = {})
    {
        BatchEngine engine;
        engine.SetWorkerProgram(worker);
        engine.SetWordTimeout(500);
        std::optional<BatchReport> report;
        QEventLoop loop;
        bool called = false;
        QObject::connect(&engine, &BatchEngine::progress, &engine, [&](int done, int total) {
            m_progress.push_back(done);
            EXPECT_LE(done, total);
            if (duringRun && !std::exchange(called, true))
                duringRun(engine);
        });
        if (m_onWordDone)
            QObject::connect(&engine, &BatchEngine::wordDone, &engine, m_onWordDone);
        QObject::connect(&engine, &BatchEngine::finished, &loop, [&](const BatchReport& r) {
            report = r;
            loop.quit();
        });
        QTimer::singleShot(30000, &loop, &QEventLoop::quit);
        engine.Start(s, std::move(words), LessonRun::For(s, std::move(lesson)));
        loop.exec();
        EXPECT_TRUE(report) << "the run did not end";
        EXPECT_FALSE(engine.IsRunning());
        return report.value_or(BatchReport{});
    }

    /// The files the run's playlist names, in its order.
    QStringList listedFiles() const
    {
        const QString playlist = QString::fromUtf8(read(m_dir.filePath(QFileInfo(m_dir.path()).fileName() + u".m3u8"_qs)));
        QStringList listed;
        for (const QString& line : playlist.split(u'\n', Qt::SkipEmptyParts)) {
            if (!line.startsWith(u'#'))
                listed.append(line);
        }
        return listed;
    }

    QStringList files() const
    {
        return QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }

    QStringList temporaryFiles() const
    {
        return QDir(m_dir.path()).entryList({u".lexovox-*.part"_qs}, QDir::Files | QDir::Hidden, QDir::Name);
    }

    /// Leaves a file as a killed run would, last written an hour ago.
    void leaveOld(const QString& name)
    {
        write(m_dir.filePath(name), "half");
        QFile old(m_dir.filePath(name));
        ASSERT_TRUE(old.open(QIODevice::ReadWrite));
        ASSERT_TRUE(old.setFileTime(QDateTime::currentDateTime().addSecs(-3600), QFileDevice::FileModificationTime));
    }

    QTemporaryDir m_dir;
    int m_nextRow = 0;
    std::vector<int> m_progress;
    std::function<void(int, const QString&)> m_onWordDone;
};

// A worker killed once its word's file has its name, before it could say so, cost nothing: the
// file is whole and counted. One killed on a word whose name an older file has leaves that file.
TEST_F(BatchEngineTest, AWorkerKilledAfterNamingItsFileCostsNoWord)
{
    write(m_dir.filePath(u"old.wav"_qs), "from before");
    QFile old(m_dir.filePath(u"old.wav"_qs));
    ASSERT_TRUE(old.open(QIODevice::ReadWrite));
    ASSERT_TRUE(old.setFileTime(QDateTime::currentDateTime().addSecs(-60), QFileDevice::FileModificationTime));
    old.close();
    const BatchReport report = run({word(u"vanish"_qs, u"gone"_qs), word(u"crash"_qs, u"old"_qs),
                                    word(u"pear"_qs, u"pear"_qs)}, settings(1));
    EXPECT_EQ(report.written, 2);
    EXPECT_EQ(report.failed, 1);
    ASSERT_EQ(report.failures.size(), 1u);
    EXPECT_EQ(report.failures[0].headword, u"old"_qs);
    EXPECT_EQ(files(), (QStringList{u"gone.wav"_qs, u"old.wav"_qs, u"pear.wav"_qs}));
    EXPECT_EQ(read(m_dir.filePath(u"gone.wav"_qs)), QByteArray("vanish"));
    EXPECT_EQ(read(m_dir.filePath(u"old.wav"_qs)), QByteArray("from before"));
}

TEST_F(BatchEngineTest, CrashesHangsAndFailuresCostOneWordEachAndAreListedInListOrder)
{
    const BatchReport report = run({word(u"apple"_qs, u"apple"_qs), word(u"crash"_qs, u"boom"_qs),
                                    word(u"pear"_qs, u"pear"_qs), word(u"hang"_qs, u"stuck"_qs),
                                    word(u"fail"_qs, u"full"_qs), word(u"bad"_qs, u"a/b"_qs),
                                    word(u"plum"_qs, u"plum"_qs), word(u"fig"_qs, u"fig"_qs)},
                                   settings(2));
    EXPECT_TRUE(report.anyChecked);
    EXPECT_FALSE(report.stopped);
    EXPECT_EQ(report.total, 8);
    EXPECT_EQ(report.written, 4);
    EXPECT_EQ(report.failed, 4);
    ASSERT_EQ(report.failures.size(), 4u);
    EXPECT_EQ(report.failures[0].headword, u"boom"_qs);
    EXPECT_EQ(report.failures[0].reason, WorkerCrashedReason());
    EXPECT_EQ(report.failures[1].headword, u"stuck"_qs);
    EXPECT_EQ(report.failures[1].reason, WorkerTimedOutReason());
    EXPECT_EQ(report.failures[2].reason, u"磁盘已满"_qs);
    EXPECT_EQ(report.failures[3].reason, NameNotAllowedReason());
    EXPECT_EQ(files(), (QStringList{u"apple.wav"_qs, u"fig.wav"_qs, u"pear.wav"_qs, u"plum.wav"_qs}));
    EXPECT_EQ(read(m_dir.filePath(u"plum.wav"_qs)), QByteArray("plum"));
    ASSERT_FALSE(m_progress.empty());
    EXPECT_EQ(m_progress.back(), 8);
    EXPECT_TRUE(std::is_sorted(m_progress.begin(), m_progress.end()));
}

TEST_F(BatchEngineTest, AWorkerThatCrashesOrHangsHasItsFileRemovedBeforeTheWordIsReported)
{
    // By itself, a worker that crashes leaves its half-written file, named with its id.
    QProcess worker;
    worker.start(QStringLiteral(FAKE_WORKER), {});
    ASSERT_TRUE(worker.waitForStarted());
    const qint64 pid = worker.processId();
    worker.write(batchprotocol::EncodeJob(settings(1)));
    batchprotocol::Request crash;
    crash.id = 0;
    crash.text = u"crash"_qs;
    crash.path = m_dir.filePath(u"boom.wav"_qs);
    worker.write(batchprotocol::EncodeRequest(crash));
    worker.closeWriteChannel();
    ASSERT_TRUE(worker.waitForFinished());
    ASSERT_EQ(temporaryFiles().size(), 1);
    EXPECT_TRUE(temporaryFiles()[0].startsWith(u".lexovox-%1-"_qs.arg(pid))) << temporaryFiles()[0].toStdString();
    QFile::remove(m_dir.filePath(temporaryFiles()[0]));

    // In a run, it is gone by the time the word is reported failed. One worker: no other
    // word's file is being written then.
    std::vector<QStringList> leftWhenFailed;
    m_onWordDone = [&](int, const QString& reason) {
        if (!reason.isEmpty())
            leftWhenFailed.push_back(temporaryFiles());
    };
    const BatchReport report = run({word(u"crash"_qs, u"boom"_qs), word(u"hang"_qs, u"stuck"_qs),
                                    word(u"apple"_qs, u"apple"_qs)},
                                   settings(1));
    EXPECT_EQ(report.failed, 2);
    EXPECT_EQ(leftWhenFailed, (std::vector<QStringList>{{}, {}}));
    EXPECT_EQ(files(), QStringList{u"apple.wav"_qs});
}

TEST_F(BatchEngineTest, OfTwoWordsWithOneFileTheLaterRowIsWrittenLast)
{
    // The first is slow: a second worker must not overtake it on the same file.
    const BatchReport report = run({word(u"slow first"_qs, u"same"_qs), word(u"second"_qs, u"same"_qs),
                                    word(u"other"_qs, u"other"_qs)},
                                   settings(2));
    EXPECT_EQ(read(m_dir.filePath(u"same.wav"_qs)), QByteArray("second"));
    // Counts count files: the two rows made one, which the message says.
    EXPECT_EQ(report.written, 2);
    EXPECT_EQ(report.overwritten, 1);
    EXPECT_EQ(report.Missing(), 0);
    EXPECT_EQ(files().size(), 2);
    EXPECT_TRUE(report.Message().contains(u"已生成 2 个文件，1 个被同名的后一行覆盖"_qs)) << report.Message().toStdString();
}

TEST_F(BatchEngineTest, AFileOfTwoRowsIsListedOnceWhereItsLastRowIs)
{
    BatchJob s = settings(1);
    s.files.playlist = true;
    const BatchReport report = run({word(u"Apple"_qs, u"Apple"_qs), word(u"apple"_qs, u"apple"_qs),
                                    word(u"APPLE"_qs, u"APPLE"_qs), word(u"apple again"_qs, u"apple"_qs)},
                                   s);
    EXPECT_EQ(report.written, 3);
    EXPECT_EQ(report.overwritten, 1);
    EXPECT_EQ(listedFiles(), (QStringList{u"Apple.wav"_qs, u"APPLE.wav"_qs, u"apple.wav"_qs}));
}

TEST_F(BatchEngineTest, StoppingFinishesTheWordsInProgressAndLeavesOnlyWholeFiles)
{
    std::vector<BatchWord> words;
    for (int i = 0; i < 30; ++i)
        words.push_back(word(u"slow %1"_qs.arg(i), u"w%1"_qs.arg(i, 2, 10, QLatin1Char('0'))));
    const BatchReport report = run(std::move(words), settings(2), [](BatchEngine& engine) { engine.Stop(); });
    EXPECT_TRUE(report.stopped);
    EXPECT_GT(report.written, 0);
    EXPECT_LT(report.written, 30);
    EXPECT_EQ(report.failed, 0);
    EXPECT_EQ(report.Missing(), 30 - report.written);
    const QStringList written = files();
    EXPECT_EQ(written.size(), report.written);
    for (const QString& name : written)
        EXPECT_EQ(read(m_dir.filePath(name)), u"slow %1"_qs.arg(name.mid(1, 2).toInt()).toUtf8()) << name.toStdString();
    EXPECT_TRUE(report.Message().startsWith(u"语音文件生成已停止"_qs));
}

TEST_F(BatchEngineTest, ExistingFilesAreKeptWhenAskedAndOldLeftoversAreSwept)
{
    write(m_dir.filePath(u"apple.wav"_qs), "mine");
    write(m_dir.filePath(u"notes.txt"_qs), "keep");
    leaveOld(u".lexovox-0badf00d.wav.part"_qs); // from a version without process ids in names
    leaveOld(u".lexovox-%1-0badf00d.wav.part"_qs.arg(EndedProcessId()));
    // Another run in the folder, going on now (this process stands for it), keeps its file,
    // however long its word takes.
    const QString otherRun = u".lexovox-%1-0badcafe.wav.part"_qs.arg(::getpid());
    leaveOld(otherRun);

    BatchJob s = settings(1);
    s.skipExisting = true;
    const BatchReport report = run({word(u"apple"_qs, u"apple"_qs), word(u"pear"_qs, u"pear"_qs)}, s);
    EXPECT_EQ(report.skipped, 1);
    EXPECT_EQ(report.written, 1);
    EXPECT_EQ(read(m_dir.filePath(u"apple.wav"_qs)), QByteArray("mine"));
    EXPECT_EQ(files(), (QStringList{otherRun, u"apple.wav"_qs, u"notes.txt"_qs, u"pear.wav"_qs}));

    // Without the option the file is spoken anew.
    EXPECT_EQ(run({word(u"apple"_qs, u"apple"_qs)}, settings(1)).written, 1);
    EXPECT_EQ(read(m_dir.filePath(u"apple.wav"_qs)), QByteArray("apple"));
}

TEST_F(BatchEngineTest, WorkersThatCannotStartFailTheRunWordByWordAndItEnds)
{
    qputenv("FAKE_WORKER_NO_START", "1");
    const BatchReport report = run({word(u"apple"_qs, u"apple"_qs), word(u"pear"_qs, u"pear"_qs)}, settings(2));
    qunsetenv("FAKE_WORKER_NO_START");
    EXPECT_EQ(report.failed, 2);
    ASSERT_EQ(report.failures.size(), 2u);
    // The worker's own words say why.
    EXPECT_EQ(report.failures[0].reason, WorkerUnavailableReason() + u"：no voice"_qs);

    EXPECT_EQ(run({word(u"apple"_qs, u"apple"_qs)}, settings(1), {}, m_dir.filePath(u"no-such-worker"_qs)).failed, 1);
    EXPECT_TRUE(files().isEmpty());
}

TEST_F(BatchEngineTest, ThePlaylistListsWrittenAndKeptFilesInListOrder)
{
    write(m_dir.filePath(u"kept.wav"_qs), "mine");
    BatchJob s = settings(2);
    s.files.playlist = true;
    s.skipExisting = true;
    const BatchReport report = run({word(u"slow one"_qs, u"one"_qs), word(u"fail"_qs, u"lost"_qs),
                                    word(u"kept"_qs, u"kept"_qs), word(u"two"_qs, u"two"_qs)},
                                   s);
    EXPECT_EQ(report.written, 2);
    EXPECT_EQ(listedFiles(), (QStringList{u"one.wav"_qs, u"kept.wav"_qs, u"two.wav"_qs}));
}

TEST_F(BatchEngineTest, NothingCheckedEndsAtOnceWithItsOwnMessage)
{
    const BatchReport report = run({}, settings());
    EXPECT_FALSE(report.anyChecked);
    EXPECT_EQ(report.Message(), u"您还没有钩选单词"_qs);
}

// A lesson's pieces as the fake worker speaks them: 50 ms of silence, then a tone of
// 0.3 s + 0.1 s × (number mod 4).
double PieceSeconds(int number)
{
    return 0.35 + 0.1 * (number % 4);
}

/// The samples of a 16 kHz mono WAV.
std::vector<short> Samples(const QString& path)
{
    SF_INFO info{};
    SNDFILE* sound = sf_open(QFile::encodeName(path).constData(), SFM_READ, &info);
    if (!sound)
        return {};
    std::vector<short> samples(std::size_t(info.frames) * std::size_t(info.channels));
    sf_readf_short(sound, samples.data(), info.frames);
    sf_close(sound);
    return samples;
}

/// Where sound begins after at least half a second of silence, in seconds: each word of a
/// lesson, found from the sound itself.
std::vector<double> Onsets(const std::vector<short>& samples, int rate)
{
    std::vector<double> onsets;
    std::size_t quietSince = 0;
    bool quiet = true;
    for (std::size_t i = 0; i < samples.size(); ++i) {
        if (std::abs(int(samples[i])) < 1000)
            continue;
        if (quiet || i - quietSince > std::size_t(rate / 2))
            onsets.push_back(double(i) / rate);
        quiet = false;
        quietSince = i;
    }
    return onsets;
}

/// The times of an LRC's word lines, and the lines without their times.
std::pair<std::vector<double>, QStringList> Cues(const QString& lyrics)
{
    std::pair<std::vector<double>, QStringList> cues;
    for (const QString& line : lyrics.split(u'\n', Qt::SkipEmptyParts)) {
        if (line.size() < 10 || !line[1].isDigit())
            continue;
        cues.first.push_back(line.mid(1, 2).toInt() * 60 + line.mid(4, 5).toDouble());
        cues.second.append(line.mid(10));
    }
    return cues;
}

class LessonTest : public BatchEngineTest
{
protected:
    LessonTest()
    {
        // The pieces' folder is made under the temporary folder: one of the test's own, to
        // see that nothing of it is left.
        m_oldTemp = qgetenv("TMPDIR");
        qputenv("TMPDIR", QFile::encodeName(m_temp.path()));
    }
    ~LessonTest() override { qputenv("TMPDIR", m_oldTemp); }

    BatchJob lessonJob() const
    {
        BatchJob job = settings();
        job.source = {WordSource::Kind::Course, u"七年级/上册"_qs};
        job.formatCode = 18;  // 16 kHz mono, as the fake worker speaks
        job.sound.leadMs = 100;
        job.sound.trailMs = 300;
        job.lesson.track = true;
        job.lesson.pauseMs = 1000;
        return job;
    }

    /// The lesson's words and, with `perWord`, their own files; a word's text tells the fake
    /// worker what to do with both.
    std::pair<std::vector<BatchWord>, std::vector<LessonWord>> lessonWords(const QStringList& texts, bool perWord)
    {
        std::pair<std::vector<BatchWord>, std::vector<LessonWord>> words;
        for (const QString& text : texts) {
            const BatchWord file = word(text, text);
            if (perWord)
                words.first.push_back(file);
            words.second.push_back({int(words.second.size()) + 1, text, u"词"_qs, u"第几个 "_qs + text});
        }
        return words;
    }

    QStringList leftInTemp() const { return QDir(m_temp.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden); }

    QTemporaryDir m_temp;
    QByteArray m_oldTemp;
};

TEST_F(LessonTest, TheTrackHoldsEveryWordInOrderWithItsPauseAndTheListSaysWhereEachBegins)
{
    const QStringList texts{u"apple"_qs, u"banana"_qs, u"cherry"_qs, u"date"_qs, u"elder"_qs, u"fig"_qs};
    auto [wordFiles, lesson] = lessonWords(texts, true);
    const BatchJob job = lessonJob();
    const BatchReport report = run(std::move(wordFiles), job, {}, QStringLiteral(FAKE_WORKER), lesson);

    EXPECT_EQ(report.written, 6);
    EXPECT_EQ(report.failed, 0);
    EXPECT_EQ(report.lessonFiles, (QStringList{u"七年级_上册 听写.wav"_qs, u"七年级_上册 听写.lrc"_qs}));
    EXPECT_EQ(report.lessonTrack, u"七年级_上册 听写.wav"_qs);
    EXPECT_EQ(report.lessonWords, 6);
    EXPECT_TRUE(report.Message().contains(u"听写：七年级_上册 听写.wav、七年级_上册 听写.lrc"_qs));
    const std::vector<short> samples = Samples(m_dir.filePath(u"七年级_上册 听写.wav"_qs));
    double parts = 0.1 + 0.3;
    for (int number = 1; number <= 6; ++number)
        parts += PieceSeconds(number) + 1.0;
    EXPECT_NEAR(double(samples.size()) / 16000, parts, 0.010 * 6);
    EXPECT_NEAR(report.lessonSeconds, double(samples.size()) / 16000, 0.001);

    // Each line's time is where the word's sound begins, found in the track itself.
    const auto [times, titles] = Cues(QString::fromUtf8(read(m_dir.filePath(u"七年级_上册 听写.lrc"_qs))));
    EXPECT_EQ(titles, (QStringList{u"1. apple 词"_qs, u"2. banana 词"_qs, u"3. cherry 词"_qs, u"4. date 词"_qs,
                                   u"5. elder 词"_qs, u"6. fig 词"_qs}));
    const std::vector<double> onsets = Onsets(samples, 16000);
    ASSERT_EQ(onsets.size(), times.size());
    for (std::size_t i = 0; i < onsets.size(); ++i)
        EXPECT_NEAR(times[i], onsets[i], 0.050) << "word " << i + 1;
    EXPECT_TRUE(temporaryFiles().isEmpty());
    EXPECT_TRUE(leftInTemp().isEmpty()) << leftInTemp().join(u' ').toStdString();
}

TEST_F(LessonTest, AWordThatFailsOrCrashesLeavesNoTrackAndIsNamed)
{
    for (const QString& bad : {u"failing"_qs, u"crashing"_qs}) {
        SCOPED_TRACE(bad.toStdString());
        auto [wordFiles, lesson] = lessonWords({u"apple"_qs, u"banana"_qs, bad, u"date"_qs}, false);
        const BatchReport report = run({}, lessonJob(), {}, QStringLiteral(FAKE_WORKER), lesson);
        EXPECT_TRUE(report.lessonFiles.isEmpty());
        ASSERT_EQ(report.failures.size(), 1u);
        EXPECT_EQ(report.failures[0].headword, u"七年级_上册 听写.wav"_qs);
        EXPECT_TRUE(report.failures[0].reason.contains(u"3. "_qs + bad)) << report.Message().toStdString();
        EXPECT_EQ(report.failed, 1);
        EXPECT_TRUE(files().isEmpty()) << files().join(u' ').toStdString();
        EXPECT_TRUE(leftInTemp().isEmpty()) << leftInTemp().join(u' ').toStdString();
    }
}

TEST_F(LessonTest, AWorkerThatCannotStartEndsTheRunWithTheLessonNamedUnmade)
{
    auto [wordFiles, lesson] = lessonWords({u"apple"_qs, u"banana"_qs, u"cherry"_qs}, true);
    const BatchReport report = run(std::move(wordFiles), lessonJob(), {}, m_dir.filePath(u"no-such-worker"_qs), lesson);
    EXPECT_TRUE(report.lessonFiles.isEmpty());
    ASSERT_EQ(report.failures.size(), 4u);  // the three words, then the track
    EXPECT_EQ(report.failures[3].headword, u"七年级_上册 听写.wav"_qs);
    EXPECT_TRUE(report.failures[3].reason.contains(u"1. apple"_qs)) << report.Message().toStdString();
    EXPECT_TRUE(report.failures[3].reason.contains(WorkerUnavailableReason())) << report.Message().toStdString();
    EXPECT_TRUE(files().isEmpty()) << files().join(u' ').toStdString();
    EXPECT_TRUE(leftInTemp().isEmpty()) << leftInTemp().join(u' ').toStdString();
}

// The pieces' folder of a lesson whose process was killed goes when the next lesson begins:
// also while its process is a zombie nobody reaps, or once its id is another process's.
TEST_F(LessonTest, PiecesLeftByEndedLessonsAreSweptAndThoseOfARunningOneKept)
{
    const ZombieProcess zombie;
    ASSERT_TRUE(zombie.isZombie());
    const ProcessStamp self = ProcessStamp::Current();
    const QStringList left{ProcessStamp::Of(zombie.Pid()).Text(), QString::number(zombie.Pid()),
                           ProcessStamp{self.pid, self.started - 1}.Text(), self.Text()};
    for (const QString& owner : left) {
        const QString folder = m_temp.filePath(u"lexovox-lesson-%1-Ab3xYz"_qs.arg(owner));
        ASSERT_TRUE(QDir().mkpath(folder));
        QFile(folder + u"/1.wav"_qs).open(QIODevice::WriteOnly);
    }
    auto [wordFiles, lesson] = lessonWords({u"apple"_qs, u"banana"_qs}, false);
    const BatchReport report = run({}, lessonJob(), {}, QStringLiteral(FAKE_WORKER), lesson);
    EXPECT_EQ(report.lessonFiles.size(), 2);
    EXPECT_EQ(leftInTemp(), QStringList{u"lexovox-lesson-%1-Ab3xYz"_qs.arg(self.Text())});
}

TEST_F(LessonTest, StoppingLeavesNoTrackNoListAndNoPieces)
{
    QStringList texts;
    for (int i = 0; i < 12; ++i)
        texts << u"slow%1"_qs.arg(i);
    auto [wordFiles, lesson] = lessonWords(texts, true);
    const BatchReport report = run(std::move(wordFiles), lessonJob(), [](BatchEngine& engine) { engine.Stop(); },
                                   QStringLiteral(FAKE_WORKER), lesson);
    EXPECT_TRUE(report.stopped);
    EXPECT_TRUE(report.lessonFiles.isEmpty());
    EXPECT_TRUE(report.Message().endsWith(u"听写未生成：生成已停止。"_qs)) << report.Message().toStdString();
    for (const QString& file : files())
        EXPECT_TRUE(file.startsWith(u"slow"_qs) && file.endsWith(u".wav"_qs)) << file.toStdString();
    EXPECT_EQ(int(files().size()), report.written);
    EXPECT_TRUE(leftInTemp().isEmpty()) << leftInTemp().join(u' ').toStdString();
}

} // namespace
