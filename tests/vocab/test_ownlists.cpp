// Own word lists in their own file: saved, replaced, renamed and removed as one transaction each;
// names refused with a reason; a read-only, busy or damaged file said so, and nothing lost.

#include <csignal>

#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "vocab/ownlists.h"
#include "vocab/sqlitehandles_p.h"
#include "vocabfixture.h"

namespace {

class OwnListsTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }

    QString path() const { return m_dir.filePath(u"lexovox/mylists.db"_qs); }

    static QList<OwnListWord> week(int count, const QString& prefix = u"word"_qs)
    {
        QList<OwnListWord> words;
        for (int i = 0; i < count; ++i)
            words.append({prefix + QString::number(i), u"词"_qs + QString::number(i), MeaningSource::Typed});
        return words;
    }

    QTemporaryDir m_dir;
};

const QList<OwnListWord> kWeek{{u"apple"_qs, u"苹果"_qs, MeaningSource::Vocabulary},
                               {u"look after"_qs, u"照顾"_qs, MeaningSource::Typed},
                               {u"zyzzyva"_qs, QString(), MeaningSource::NotFound}};

} // namespace

TEST_F(OwnListsTest, ListsKeepTheirWordsOrderAndMeaningSourcesAcrossOpenings)
{
    {
        OwnLists lists;
        ASSERT_TRUE(lists.Open(path()));
        ASSERT_TRUE(lists.Save(u"第三周"_qs, kWeek, false));
        ASSERT_TRUE(lists.Save(u"Week 1"_qs, week(3), false));
    }
    ASSERT_TRUE(QFile::exists(path())) << "the folder is made with the file";
    OwnLists lists;
    ASSERT_TRUE(lists.Open(path()));
    EXPECT_EQ(*lists.Names(), (QStringList{u"第三周"_qs, u"Week 1"_qs}));
    EXPECT_EQ(*lists.Words(u"第三周"_qs), kWeek);
    EXPECT_TRUE(lists.Has(u"Week 1"_qs));
    EXPECT_FALSE(lists.Has(u"week 1"_qs));

    const Result<QList<OwnListWord>> missing = lists.Words(u"Week 9"_qs);
    ASSERT_FALSE(missing);
    EXPECT_EQ(missing.error().Error(), ResultCode::OwnListMissing);
}

TEST_F(OwnListsTest, AnExistingNameIsReplacedOnlyWhenAskedAndKeepsItsPlace)
{
    OwnLists lists;
    ASSERT_TRUE(lists.Open(path()));
    ASSERT_TRUE(lists.Save(u"a"_qs, week(2), false));
    ASSERT_TRUE(lists.Save(u"b"_qs, week(2), false));

    const Result<void> again = lists.Save(u"a"_qs, kWeek, false);
    ASSERT_FALSE(again);
    EXPECT_EQ(again.error().Error(), ResultCode::OwnListExists);
    EXPECT_EQ(*lists.Words(u"a"_qs), week(2)) << "a refused save changes nothing";

    ASSERT_TRUE(lists.Save(u"a"_qs, kWeek, true));
    EXPECT_EQ(*lists.Words(u"a"_qs), kWeek);
    EXPECT_EQ(*lists.Names(), (QStringList{u"a"_qs, u"b"_qs}));
}

TEST_F(OwnListsTest, RenameAndRemoveRefuseWhatWouldLoseAList)
{
    OwnLists lists;
    ASSERT_TRUE(lists.Open(path()));
    ASSERT_TRUE(lists.Save(u"a"_qs, week(2), false));
    ASSERT_TRUE(lists.Save(u"b"_qs, week(3), false));

    EXPECT_EQ(lists.Rename(u"a"_qs, u"b"_qs).error().Error(), ResultCode::OwnListExists);
    EXPECT_EQ(lists.Rename(u"x"_qs, u"y"_qs).error().Error(), ResultCode::OwnListMissing);
    EXPECT_EQ(lists.Rename(u"a"_qs, u"a/b"_qs).error().Error(), ResultCode::OwnListNameBadCharacter);
    ASSERT_TRUE(lists.Rename(u"a"_qs, u"c"_qs));
    EXPECT_EQ(*lists.Names(), (QStringList{u"c"_qs, u"b"_qs}));
    EXPECT_EQ(*lists.Words(u"c"_qs), week(2));

    EXPECT_EQ(lists.Remove(u"a"_qs).error().Error(), ResultCode::OwnListMissing);
    ASSERT_TRUE(lists.Remove(u"c"_qs));
    EXPECT_EQ(*lists.Names(), QStringList{u"b"_qs});
    // The removed list's words went with it: a new list of that name starts empty.
    ASSERT_TRUE(lists.Save(u"c"_qs, week(1), false));
    EXPECT_EQ(lists.Words(u"c"_qs)->size(), 1);
}

TEST_F(OwnListsTest, NamesAndEmptyListsAreRefusedWithTheirReason)
{
    OwnLists lists;
    ASSERT_TRUE(lists.Open(path()));
    const struct
    {
        QString name;
        HRESULT code;
    } refused[] = {
        {QString(), ResultCode::OwnListNameEmpty},
        {u"   "_qs, ResultCode::OwnListNameEmpty},
        {u"3/4"_qs, ResultCode::OwnListNameBadCharacter},
        {u"tab\there"_qs, ResultCode::OwnListNameBadCharacter},
        {u"line\nbreak"_qs, ResultCode::OwnListNameBadCharacter},
        {u"bell\x07"_qs, ResultCode::OwnListNameBadCharacter},
        {u" padded"_qs, ResultCode::OwnListNameBadCharacter},
        {QString(61, u'长'), ResultCode::OwnListNameTooLong},
        {u"人教版小学英语第一册"_qs, ResultCode::OwnListNameIsCourse},
    };
    for (const auto& [name, code] : refused) {
        EXPECT_FALSE(CheckListName(name).isEmpty()) << qPrintable(name);
        const Result<void> saved = lists.Save(name, week(1), false);
        ASSERT_FALSE(saved) << qPrintable(name);
        EXPECT_EQ(saved.error().Error(), code) << qPrintable(name);
    }
    EXPECT_TRUE(CheckListName(QString(60, u'长')).isEmpty());
    EXPECT_TRUE(CheckListName(u"小学英语"_qs).isEmpty()) << "a category holds no words of its own";
    EXPECT_TRUE(CheckListName(u"Week 3 · 第三周"_qs).isEmpty());

    EXPECT_EQ(lists.Save(u"empty"_qs, {}, false).error().Error(), ResultCode::OwnListEmpty);
    EXPECT_EQ(lists.Save(u"blank"_qs, {{u"  "_qs, u"空"_qs}}, false).error().Error(), ResultCode::OwnListEmpty);
    EXPECT_TRUE(lists.Names()->isEmpty());
}

TEST_F(OwnListsTest, AReadOnlyFileIsReadButNotWritten)
{
    {
        OwnLists lists;
        ASSERT_TRUE(lists.Open(path()));
        ASSERT_TRUE(lists.Save(u"a"_qs, week(2), false));
    }
    const QByteArray before = ReadBytes(path());
    ASSERT_TRUE(QFile::setPermissions(path(), QFile::ReadOwner));
    if (QFileInfo(path()).isWritable())
        GTEST_SKIP() << "running as a user who may write any file";

    OwnLists lists;
    const Result<void> opened = lists.Open(path());
    ASSERT_FALSE(opened);
    EXPECT_EQ(opened.error().Error(), ResultCode::OwnListsReadOnly);
    EXPECT_TRUE(opened.error().ErrorMessage().contains(path()));
    EXPECT_FALSE(lists.IsOpen());

    ASSERT_TRUE(lists.OpenToRead(path()));
    EXPECT_EQ(*lists.Words(u"a"_qs), week(2));
    EXPECT_EQ(lists.Save(u"b"_qs, week(1), false).error().Error(), ResultCode::OwnListsReadOnly);
    EXPECT_EQ(ReadBytes(path()), before);
}

TEST_F(OwnListsTest, AFileHeldByAnotherLexovoxIsSaidToBeInUseAndKeepsItsLists)
{
    OwnLists lists;
    ASSERT_TRUE(lists.Open(path()));
    ASSERT_TRUE(lists.Save(u"a"_qs, week(2), false));

    // Another program in the middle of its own save.
    sqlite3* raw = nullptr;
    ASSERT_EQ(sqlite3_open_v2(path().toUtf8().constData(), &raw, SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK);
    SqliteDb other(raw);
    ASSERT_EQ(sqlite3_exec(raw, "BEGIN EXCLUSIVE; DELETE FROM entry;", nullptr, nullptr, nullptr), SQLITE_OK);

    const Result<void> saved = lists.Save(u"a"_qs, kWeek, true);
    ASSERT_FALSE(saved);
    EXPECT_EQ(saved.error().Error(), ResultCode::OwnListsBusy);
    OwnLists second;
    const Result<void> opened = second.Open(path());
    ASSERT_FALSE(opened);
    EXPECT_EQ(opened.error().Error(), ResultCode::OwnListsBusy);
    EXPECT_TRUE(QFile::exists(path())) << "a busy file is not taken for a damaged one";

    ASSERT_EQ(sqlite3_exec(raw, "ROLLBACK", nullptr, nullptr, nullptr), SQLITE_OK);
    EXPECT_EQ(*lists.Words(u"a"_qs), week(2));
    ASSERT_TRUE(lists.Save(u"a"_qs, kWeek, true)) << "saved once the other is done";
}

TEST_F(OwnListsTest, ADamagedFileIsKeptAsideUnderANewNameNeverOverwritten)
{
    ASSERT_TRUE(QDir().mkpath(QFileInfo(path()).path()));
    const QByteArray garbage = QByteArray("not a database at all, but the user's bytes\n").repeated(200);
    WriteBytes(path(), garbage);
    // A file of an earlier damage is there already: it stays as it is.
    WriteBytes(path() + u".damaged"_qs, "earlier");

    OwnLists lists;
    const Result<void> opened = lists.Open(path());
    ASSERT_FALSE(opened);
    EXPECT_EQ(opened.error().Error(), ResultCode::OwnListsDamaged);
    const QString aside = path() + u".damaged-2"_qs;
    EXPECT_TRUE(opened.error().ErrorMessage().contains(aside)) << qPrintable(opened.error().ErrorMessage());
    EXPECT_EQ(ReadBytes(aside), garbage);
    EXPECT_EQ(ReadBytes(path() + u".damaged"_qs), "earlier");
    EXPECT_FALSE(lists.IsOpen());

    // The next opening starts a new file.
    ASSERT_TRUE(lists.Open(path()));
    EXPECT_TRUE(lists.Names()->isEmpty());
}

TEST_F(OwnListsTest, ADatabaseOfSomethingElseIsKeptAsideToo)
{
    ASSERT_TRUE(QDir().mkpath(QFileInfo(path()).path()));
    WriteVocabulary(path(), {{u"apple"_qs, u"苹果"_qs, u"c"_qs}});
    OwnLists lists;
    const Result<void> opened = lists.Open(path());
    ASSERT_FALSE(opened);
    EXPECT_EQ(opened.error().Error(), ResultCode::OwnListsDamaged);
    EXPECT_TRUE(QFile::exists(path() + u".damaged"_qs));
}

TEST_F(OwnListsTest, AProcessKilledWhileSavingLeavesTheOldListWhole)
{
    {
        OwnLists lists;
        ASSERT_TRUE(lists.Open(path()));
        ASSERT_TRUE(lists.Save(u"week"_qs, week(20, u"old"_qs), false));
    }
    const QList<OwnListWord> large = week(400000, u"new"_qs);
    const pid_t child = fork();
    ASSERT_NE(child, -1);
    if (child == 0) {
        OwnLists lists;
        if (!lists.Open(path()))
            _exit(2);
        for (;;)
            (void)lists.Save(u"week"_qs, large, true);
    }
    // The rollback journal is there from the save's first write until its commit.
    const QString journal = path() + u"-journal"_qs;
    for (int i = 0; i < 20000 && !QFile::exists(journal); ++i)
        usleep(500);
    ASSERT_TRUE(QFile::exists(journal)) << "the child never began to save";
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status));

    OwnLists lists;
    ASSERT_TRUE(lists.Open(path()));
    const QList<OwnListWord> words = *lists.Words(u"week"_qs);
    // Killed before the commit: the old list; a commit that just finished: the whole new one.
    EXPECT_TRUE(words == week(20, u"old"_qs) || words == large) << words.size() << " words";
    EXPECT_EQ(*lists.Names(), QStringList{u"week"_qs});
}
