#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "base/atomicfile.h"

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

TEST(AtomicFile, OnlyItsOwnTemporaryNamesAreRecognised)
{
    EXPECT_TRUE(AtomicFile::IsTemporaryName(u".lexovox-0a1b2c3d.wav.part"));
    EXPECT_FALSE(AtomicFile::IsTemporaryName(u"lexovox-0a1b2c3d.wav.part"));
    EXPECT_FALSE(AtomicFile::IsTemporaryName(u".lexovox-notes.txt"));
    EXPECT_FALSE(AtomicFile::IsTemporaryName(u"apple.wav.part"));
}

} // namespace
