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

#include "base/atomicfile.h"
#include "output/batchengine.h"
#include "output/batchworker.h"
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
                    const std::function<void(BatchEngine&)>& duringRun = {}, const QString& worker = QStringLiteral(FAKE_WORKER))
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
        engine.Start(s, std::move(words));
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

} // namespace
