// What a run leaves when the disk fills, a worker dies or a file was left empty: only whole
// files, a count that matches them, a reason in words for each word without one, and an exit
// status that says so.

#include <cmath>
#include <csignal>

#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDirIterator>
#include <QRegularExpression>
#include <QThread>

#include "batchclifixture.h"

namespace {

constexpr int kWords = 24;

struct Counts
{
    int written = -1;
    int skipped = -1;
    int failed = -1;
};

Counts ReadCounts(const QString& said)
{
    const QRegularExpressionMatch line = QRegularExpression(u"(\\d+) written, (\\d+) skipped, (\\d+) failed"_qs).match(said);
    if (!line.hasMatch())
        return {};
    return {line.captured(1).toInt(), line.captured(2).toInt(), line.captured(3).toInt()};
}

/// The lines that name a word and why it has no file.
QStringList FailureLines(const QString& said)
{
    QStringList lines;
    for (const QString& line : said.split(u'\n', Qt::SkipEmptyParts)) {
        if (line.startsWith(u"lexovox-batch: "_qs) && !line.contains(u" written, "_qs))
            lines << line;
    }
    return lines;
}

qint64 FolderBytes(const QString& folder)
{
    qint64 total = 0;
    for (QDirIterator it(folder, QDir::Files | QDir::Hidden); it.hasNext();)
        total += it.nextFileInfo().size();
    return total;
}

class BatchFaults : public BatchCli
{
protected:
    QString words() const
    {
        QByteArray list = "en,ch\n";
        for (int i = 0; i < kWords; ++i)
            list += "word" + QByteArray::number(i) + (i % 3 == 0 ? "extraordinarily" : "") + ",词\n";
        return csv(u"words.csv"_qs, list);
    }

    QStringList arguments(const QString& folder, const QString& type) const
    {
        return {u"--out"_qs, folder, u"--words"_qs, words(), u"--voice"_qs, u"flite-rms"_qs, u"--spell"_qs,
                u"--type"_qs, type, u"--jobs"_qs, u"2"_qs};
    }

    /// Runs into `out()` on a disk of `bytes`: a tmpfs of that size in a mount namespace of the
    /// run's own where one may be made, else a file size limit of `perFile` bytes, past which
    /// every write fails with EFBIG. The folder as the run left it is copied to `kept()`.
    Outcome runOnSmallDisk(const QStringList& batchArguments, qint64 bytes, qint64 perFile)
    {
        QDir(m_dir.path()).mkdir(u"kept"_qs);
        if (m_mountable) {
            static const QString script = u"mount -t tmpfs -o size=$1 tmpfs \"$2\" || exit 97; "
                                          "out=$2; kept=$3; shift 3; \"$@\"; status=$?; "
                                          "cp -a \"$out\"/. \"$kept\"/; exit $status"_qs;
            const Outcome outcome = runProgram(u"unshare"_qs, QStringList{u"--map-root-user"_qs, u"--mount"_qs, u"sh"_qs,
                                                                          u"-c"_qs, script, u"sh"_qs, QString::number(bytes),
                                                                          out(), kept(), QStringLiteral(LEXOVOX_BATCH)}
                                                                  + batchArguments);
            if (outcome.status != 97)
                return outcome;
            m_mountable = false;
        }
        const Outcome outcome = runProgram(QStringLiteral(LEXOVOX_BATCH), batchArguments, [perFile] {
            const rlimit limit{rlim_t(perFile), rlim_t(perFile)};
            ::setrlimit(RLIMIT_FSIZE, &limit);
        });
        QProcess::execute(u"cp"_qs, {u"-a"_qs, out() + u"/."_qs, kept()});
        return outcome;
    }

    QString kept() const { return m_dir.filePath(u"kept"_qs); }

    /// Every file in `folder` is a whole sound file of `type`, none hidden or empty; returns
    /// how many there are.
    static int ExpectWholeFiles(const QString& folder, const QString& type)
    {
        const QStringList files = QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
        for (const QString& file : files) {
            EXPECT_FALSE(file.startsWith(u'.')) << "left behind: " << file.toStdString();
            EXPECT_TRUE(file.endsWith(u'.' + type)) << file.toStdString();
            EXPECT_TRUE(whole(folder, file)) << "not whole: " << file.toStdString();
        }
        return int(files.size());
    }

    bool m_mountable = QProcess::execute(u"unshare"_qs, {u"--map-root-user"_qs, u"--mount"_qs, u"true"_qs}) == 0;
};

TEST_F(BatchFaults, AFullDiskFailsTheWordsThatDoNotFitAndKeepsOnlyWholeFiles)
{
    for (const QString& type : {u"wav"_qs, u"mp3"_qs, u"opus"_qs}) {
        SCOPED_TRACE(type.toStdString());
        // What the words take with room enough, to give the small disk room for about a third.
        const QString roomy = m_dir.filePath(u"roomy-"_qs + type);
        QDir().mkpath(roomy);
        const Outcome clean = run(arguments(roomy, type));
        ASSERT_EQ(clean.status, 0) << clean.err.toStdString();
        const qint64 total = FolderBytes(roomy);
        const qint64 largest = [&] {
            qint64 most = 0;
            for (QDirIterator it(roomy, QDir::Files); it.hasNext();)
                most = std::max(most, it.nextFileInfo().size());
            return most;
        }();

        QDir(out()).removeRecursively();
        QDir(kept()).removeRecursively();
        QDir().mkpath(out());
        const Outcome full = runOnSmallDisk(arguments(out(), type), std::max<qint64>(total / 3, 64 * 1024),
                                            largest * 2 / 3);
        EXPECT_EQ(full.status, 1) << full.err.toStdString();
        const Counts counts = ReadCounts(full.err);
        EXPECT_GT(counts.failed, 0) << full.err.toStdString();
        EXPECT_EQ(counts.written + counts.failed, kWords) << full.err.toStdString();
        for (const QString& line : FailureLines(full.err))
            EXPECT_TRUE(line.endsWith(u": 磁盘已满"_qs)) << line.toStdString();
        EXPECT_EQ(FailureLines(full.err).size(), counts.failed) << full.err.toStdString();
        EXPECT_EQ(ExpectWholeFiles(kept(), type), counts.written);

        // With room again, the next run keeps what is whole and speaks the rest.
        const Outcome resumed = run(arguments(kept(), type) << u"--skip-existing"_qs);
        EXPECT_EQ(resumed.status, 0) << resumed.err.toStdString();
        const Counts after = ReadCounts(resumed.err);
        EXPECT_EQ(after.skipped, counts.written);
        EXPECT_EQ(after.written, counts.failed);
        EXPECT_EQ(ExpectWholeFiles(kept(), type), kWords);
    }
}

TEST_F(BatchFaults, SkipExistingSpeaksAnEmptyFileAgainAndListsAKeptFileWithItsLength)
{
    const QStringList run1{u"--out"_qs, out(), u"--words"_qs, csv(u"two.csv"_qs, "en,ch\napple,苹果\npear,梨\n"),
                           u"--voice"_qs, u"flite-rms"_qs, u"--spell"_qs, u"--repeat"_qs, u"3"_qs};
    ASSERT_EQ(run(run1).status, 0);
    // What a write that failed before this program checked its files could leave.
    ASSERT_TRUE(QFile(QDir(out()).filePath(u"apple.wav"_qs)).resize(0));

    const Outcome outcome = run(QStringList(run1) << u"--skip-existing"_qs << u"--playlist"_qs);
    EXPECT_EQ(outcome.status, 0) << outcome.err.toStdString();
    EXPECT_TRUE(outcome.err.contains(u"1 written, 1 skipped, 0 failed"_qs)) << outcome.err.toStdString();
    EXPECT_TRUE(whole(out(), u"apple.wav"_qs));
    const QString playlist = QString::fromUtf8(bytes(u"out.m3u8"_qs));
    const long pear = std::lround(seconds(u"pear.wav"_qs));
    ASSERT_GT(pear, 1);
    EXPECT_TRUE(playlist.contains(QStringLiteral("#EXTINF:%1,pear").arg(pear))) << playlist.toStdString();
}

TEST_F(BatchFaults, AKilledWorkerCostsOneWordAndLeavesNoTemporaryFile)
{
    QProcess tool;
    tool.start(QStringLiteral(LEXOVOX_BATCH), {u"--out"_qs, out(), u"--words"_qs, manyWords(150),
                                              u"--voice"_qs, u"flite-rms"_qs, u"--jobs"_qs, u"2"_qs});
    ASSERT_TRUE(tool.waitForStarted());
    for (int i = 0; i < 600 && written().size() < 5; ++i)
        QThread::msleep(50);
    // The workers are the run's children.
    QFile children(QStringLiteral("/proc/%1/task/%1/children").arg(tool.processId()));
    ASSERT_TRUE(children.open(QIODevice::ReadOnly));
    const QList<QByteArray> workers = children.readAll().trimmed().split(' ');
    ASSERT_FALSE(workers.isEmpty());
    ASSERT_EQ(::kill(pid_t(workers.first().toInt()), SIGKILL), 0);
    // A bound, not a timing: under AddressSanitizer on a busy machine a run takes minutes.
    ASSERT_TRUE(tool.waitForFinished(600000));
    const QString said = QString::fromUtf8(tool.readAllStandardError());
    const Counts counts = ReadCounts(said);
    // Killed in the moment between two words (rare, but a busy machine makes it happen), the
    // worker had none to lose; else it loses the one it was saying, and only that.
    ASSERT_LE(counts.failed, 1) << said.toStdString();
    EXPECT_EQ(counts.written, 150 - counts.failed) << said.toStdString();
    EXPECT_EQ(tool.exitCode(), counts.failed == 1 ? 1 : 0);
    EXPECT_EQ(FailureLines(said).size(), counts.failed);
    if (counts.failed == 1) {
        EXPECT_TRUE(said.contains(u"语音合成进程意外退出"_qs)) << said.toStdString();
    }
    EXPECT_EQ(ExpectWholeFiles(out(), u"wav"_qs), counts.written);
}

// Killed whole (SIGKILL to the run and its workers) where nobody reaps the orphaned workers, as
// in a container whose first process does not: the workers stay zombies under their ids, and
// the next run in the folder still takes what they were writing away. This test stands in for
// that first process.
TEST_F(BatchFaults, WhatAKilledRunsUnreapedWorkersWereWritingIsSweptByTheNextRun)
{
    // Orphans of this process's children become its own, and are reaped only at the end.
    struct Subreaper
    {
        Subreaper() { ::prctl(PR_SET_CHILD_SUBREAPER, 1); }
        ~Subreaper()
        {
            ::prctl(PR_SET_CHILD_SUBREAPER, 0);
            while (::waitpid(-1, nullptr, WNOHANG) > 0) {
            }
        }
    } subreaper;
    const QStringList words{u"--out"_qs, out(), u"--words"_qs, manyWords(150), u"--voice"_qs, u"flite-rms"_qs,
                            u"--jobs"_qs, u"2"_qs, u"--quiet"_qs};
    QStringList left;
    // A worker may be between two words when the signal comes; then it leaves nothing: again.
    for (int attempt = 0; attempt < 5 && left.isEmpty(); ++attempt) {
        QProcess tool;
        tool.setChildProcessModifier([] { ::setpgid(0, 0); });
        tool.start(QStringLiteral(LEXOVOX_BATCH), words);
        ASSERT_TRUE(tool.waitForStarted());
        for (int i = 0; i < 6000 && written().filter(u".part"_qs).isEmpty(); ++i)
            QThread::msleep(5);
        // The run and its workers, each in a process group of its own, all at once.
        QFile children(QStringLiteral("/proc/%1/task/%1/children").arg(tool.processId()));
        ASSERT_TRUE(children.open(QIODevice::ReadOnly));
        const QList<QByteArray> workers = children.readAll().trimmed().split(' ');
        ::kill(-pid_t(tool.processId()), SIGKILL);
        for (const QByteArray& worker : workers)
            ::kill(-pid_t(worker.toInt()), SIGKILL);
        ASSERT_TRUE(tool.waitForFinished(10000));
        left = written().filter(u".part"_qs);
    }
    ASSERT_FALSE(left.isEmpty());
    // Its writer is a zombie once the signal has ended it, its id still taken.
    const qint64 writer = left.first().section(u'-', 1, 1).toLongLong();
    const auto zombie = [writer] {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(writer));
        return stat.open(QIODevice::ReadOnly) && stat.readAll().contains(") Z ");
    };
    for (int i = 0; i < 1000 && !zombie(); ++i)
        QThread::msleep(5);
    ASSERT_TRUE(zombie()) << writer;

    const Outcome again = run(QStringList(words) << u"--skip-existing"_qs);
    EXPECT_EQ(again.status, 0) << again.err.toStdString();
    EXPECT_EQ(written().filter(u".part"_qs), QStringList()) << again.err.toStdString();
    EXPECT_EQ(ExpectWholeFiles(out(), u"wav"_qs), 150);
}

} // namespace
