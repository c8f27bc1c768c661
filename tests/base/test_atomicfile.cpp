#include <unistd.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "base/atomicfile.h"
#include "base/processstamp.h"
#include "support/endedprocess.h"

namespace {

QByteArray read(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList everything(const QTemporaryDir& dir)
{
    return QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

/// Writes `name` in `dir`, last modified `age` seconds ago.
void leave(const QTemporaryDir& dir, const QString& name, int age = 0)
{
    QFile file(dir.filePath(name));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("half");
    file.flush(); // written before the time is set, or the write would set it anew
    ASSERT_TRUE(file.setFileTime(QDateTime::currentDateTime().addSecs(-age), QFileDevice::FileModificationTime));
}

/// A temporary name as an earlier version wrote it, with the writer's id alone.
QString temporaryName(qint64 pid, QStringView suffix = u".wav")
{
    return u".lexovox-%1-0badf00d%2.part"_qs.arg(pid).arg(suffix);
}

/// A temporary name with the writer's id and start time.
QString temporaryName(const ProcessStamp& writer)
{
    return u".lexovox-%1-0badf00d.wav.part"_qs.arg(writer.Text());
}

TEST(AtomicFile, TheTargetChangesOnlyOnCommitAndNothingElseIsLeft)
{
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("apple.wav"));
    QFile old(target);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("old");
    old.close();

    {
        AtomicFile file;
        ASSERT_TRUE(file.Open(target, u".wav"));
        EXPECT_TRUE(AtomicFile::IsTemporaryName(QFileInfo(file.TemporaryPath()).fileName()));
        QFile(file.TemporaryPath()).open(QIODevice::WriteOnly);
        ASSERT_EQ(::write(file.Handle(), "half", 4), 4);
        EXPECT_EQ(read(target), QByteArray("old"));
        EXPECT_EQ(everything(dir).size(), 2);
    } // dropped without Commit
    EXPECT_EQ(read(target), QByteArray("old"));
    EXPECT_EQ(everything(dir), QStringList{u"apple.wav"_qs});

    AtomicFile file;
    ASSERT_TRUE(file.Open(target, u".wav"));
    ASSERT_EQ(::write(file.Handle(), "new", 3), 3);
    ASSERT_TRUE(file.Commit());
    EXPECT_EQ(read(target), QByteArray("new"));
    EXPECT_EQ(everything(dir), QStringList{u"apple.wav"_qs});
    // Readable like any saved file, not private like a temporary one.
    EXPECT_TRUE(QFile::permissions(target) & QFileDevice::ReadOther);
}

TEST(AtomicFile, AMissingFolderOrAFolderAsTargetIsRefused)
{
    QTemporaryDir dir;
    AtomicFile file;
    const QString gone = dir.filePath(QStringLiteral("gone/apple.wav"));
    const Result<void> noFolder = file.Open(gone, u".wav");
    ASSERT_FALSE(noFolder);
    EXPECT_EQ(noFolder.error().Error(), STG_E_PATHNOTFOUND);
    EXPECT_EQ(noFolder.error().Subject(), gone);
    QDir(dir.path()).mkdir(QStringLiteral("apple.wav"));
    const Result<void> aFolder = file.Open(dir.filePath(QStringLiteral("apple.wav")), u".wav");
    ASSERT_FALSE(aFolder);
    EXPECT_EQ(aFolder.error().Error(), STG_E_ACCESSDENIED);
    // Nothing open: nothing to commit.
    const Result<void> committed = file.Commit();
    ASSERT_FALSE(committed);
    EXPECT_EQ(committed.error().Error(), E_UNEXPECTED);
    EXPECT_EQ(everything(dir), QStringList{u"apple.wav"_qs});
}

TEST(AtomicFile, TemporaryNamesCarryTheWritersProcessIdAndOlderNamesAreStillRecognised)
{
    QTemporaryDir dir;
    AtomicFile file;
    ASSERT_TRUE(file.Open(dir.filePath(u"apple.wav"_qs), u".wav"));
    const QString name = QFileInfo(file.TemporaryPath()).fileName();
    EXPECT_TRUE(name.startsWith(u".lexovox-%1-"_qs.arg(ProcessStamp::Current().Text()))) << name.toStdString();
    EXPECT_TRUE(name.endsWith(u".wav.part"_qs)) << name.toStdString();
    EXPECT_TRUE(AtomicFile::IsTemporaryName(name));

    EXPECT_TRUE(AtomicFile::IsTemporaryName(u".lexovox-0a1b2c3d.wav.part"));
    EXPECT_FALSE(AtomicFile::IsTemporaryName(u"lexovox-0a1b2c3d.wav.part"));
    EXPECT_FALSE(AtomicFile::IsTemporaryName(u".lexovox-notes.txt"));
    EXPECT_FALSE(AtomicFile::IsTemporaryName(u"apple.wav.part"));
}

TEST(AtomicFile, TheSweepTakesWhatEndedProcessesLeftAndKeepsWhatRunningOnesWrite)
{
    QTemporaryDir dir;
    const qint64 ended = EndedProcessId();
    AtomicFile mine; // a run going on: this process
    ASSERT_TRUE(mine.Open(dir.filePath(u"apple.wav"_qs), u".wav"));
    const QString running = QFileInfo(mine.TemporaryPath()).fileName();
    leave(dir, temporaryName(ended), 3600);
    leave(dir, temporaryName(ended, u".db"));
    leave(dir, u".lexovox-0badf00d.wav.part"_qs, 3600); // an earlier version's, from before the run
    leave(dir, u".lexovox-0badcafe.wav.part"_qs);       // an earlier version's, being written now
    leave(dir, u".lexovox-notes.txt"_qs, 3600);
    leave(dir, u"pear.wav"_qs, 3600);
    const QDateTime before = QDateTime::currentDateTime().addSecs(-60);

    // Of one type only: the other type's leftovers are not this sweep's.
    AtomicFile::SweepTemporaryFiles(dir.path(), before, u".db");
    EXPECT_FALSE(everything(dir).contains(temporaryName(ended, u".db")));
    EXPECT_TRUE(everything(dir).contains(temporaryName(ended)));

    AtomicFile::SweepTemporaryFiles(dir.path(), before);
    QStringList kept{running, u".lexovox-0badcafe.wav.part"_qs, u".lexovox-notes.txt"_qs, u"pear.wav"_qs};
    kept.sort();
    EXPECT_EQ(everything(dir), kept);
    ASSERT_TRUE(mine.Commit());
}

// A killed worker nobody reaps stays a zombie, and its id may later be another process's: the
// name's start time tells. Its files went with it; those of the process running now stay.
TEST(AtomicFile, TheSweepTakesWhatZombiesAndEarlierHoldersOfARunningIdLeft)
{
    QTemporaryDir dir;
    const ZombieProcess zombie;
    ASSERT_TRUE(zombie.isZombie());
    const ProcessStamp dead = ProcessStamp::Of(zombie.Pid());
    ASSERT_GE(dead.started, 0);
    const ProcessStamp self = ProcessStamp::Current();
    ASSERT_GE(self.started, 0) << "no start time in /proc/self/stat";
    const ProcessStamp earlier{self.pid, self.started - 1}; // this id, held before by another
    leave(dir, temporaryName(dead));
    leave(dir, temporaryName(zombie.Pid()));    // an earlier version's name: the id alone
    leave(dir, temporaryName(earlier));
    leave(dir, temporaryName(self));

    EXPECT_TRUE(self.Runs());
    EXPECT_FALSE((ProcessStamp{zombie.Pid(), -1}.Runs()));
    EXPECT_FALSE(earlier.Runs());
    AtomicFile::SweepTemporaryFiles(dir.path(), QDateTime::currentDateTime().addSecs(-60));
    EXPECT_EQ(everything(dir), QStringList{temporaryName(self)});
}

TEST(AtomicFile, TheWriterIsReadFromEachVersionsNames)
{
    for (const auto& [text, pid, started] :
         {std::tuple{u"123-4567-0badf00d.wav.part", 123, 4567}, std::tuple{u"123-0badf00d.wav.part", 123, -1},
          std::tuple{u"123-4567-Ab3xYz", 123, 4567}, std::tuple{u"123-456789", 123, -1}, // a lesson's pieces
          std::tuple{u"0badf00d.wav.part", 0, -1}, std::tuple{u"12345678.wav.part", 0, -1},
          std::tuple{u"-5-0badf00d.wav.part", 0, -1}, std::tuple{u"99999999999-0.part", 0, -1}}) {
        const ProcessStamp stamp = ProcessStamp::Parse(text);
        EXPECT_EQ(stamp.pid, pid) << QString::fromUtf16(text).toStdString();
        EXPECT_EQ(stamp.started, pid ? started : -1) << QString::fromUtf16(text).toStdString();
    }
    const ProcessStamp self = ProcessStamp::Current();
    EXPECT_EQ(ProcessStamp::Parse(self.Text() + u"-x"_qs).started, self.started);
    EXPECT_EQ(ProcessStamp::Parse(self.Text() + u"-x"_qs).pid, self.pid);
}

TEST(AtomicFile, RemovingOneProcessFilesLeavesEveryoneElses)
{
    QTemporaryDir dir;
    const qint64 crashed = EndedProcessId();
    leave(dir, temporaryName(crashed));
    leave(dir, temporaryName(crashed, u".db"));
    leave(dir, temporaryName(crashed * 10 + 1)); // its id as the start of another
    leave(dir, u".lexovox-0badf00d.wav.part"_qs);
    leave(dir, u"apple.wav"_qs);

    // A process that never started has no id: nothing of anyone's goes.
    AtomicFile::RemoveTemporaryFiles(dir.path(), 0);
    EXPECT_EQ(everything(dir).size(), 5);

    AtomicFile::RemoveTemporaryFiles(dir.path(), crashed);
    QStringList kept{temporaryName(crashed * 10 + 1), u".lexovox-0badf00d.wav.part"_qs, u"apple.wav"_qs};
    kept.sort();
    EXPECT_EQ(everything(dir), kept);
}

} // namespace
