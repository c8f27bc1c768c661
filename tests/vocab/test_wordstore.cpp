#include <vector>

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "base/comerror.h"
#include "vocab/connectionstring.h"
#include "vocab/wordstatements.h"
#include "vocab/wordstore.h"
#include "vocabfixture.h"

namespace {

const QString kConnection = QString::fromUtf16(kVocabularyConnection);

std::vector<WordEntry> select(WordStore& store, const QString& statement)
{
    std::vector<WordEntry> rows;
    const Result<void> selected =
        store.SelectWords(statement, [&rows](WordEntry&& entry) { rows.push_back(std::move(entry)); });
    EXPECT_TRUE(selected) << qPrintable(selected ? QString() : selected.error().ErrorMessage());
    return rows;
}

std::vector<QString> headwords(const std::vector<WordEntry>& rows)
{
    std::vector<QString> result;
    for (const WordEntry& row : rows)
        result.push_back(row.en);
    return result;
}

class WordStoreTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_path = m_dir.filePath(QStringLiteral("code.dll"));
        WriteVocabulary(m_path, {
            {u"apple"_qs, u"苹果"_qs, u"book one"_qs},
            {u"pineapple"_qs, u"菠萝"_qs, u"book two"_qs},
            {u"o'clock"_qs, u"……点钟"_qs, u"book one"_qs},
            {u"look at"_qs, u"看"_qs, u"book one"_qs},
            {std::nullopt, u"无词"_qs, u"book one"_qs},
            {u"Sophie"_qs, std::nullopt, u"book one"_qs},
            {u"CD"_qs, u"光盘；激光唱片"_qs, u"it's key"_qs},
            {u"a_b"_qs, u"下划线"_qs, u"book two"_qs},
        });
    }

    QTemporaryDir m_dir;
    QString m_path;
};

TEST_F(WordStoreTest, CourseStatementKeepsFileOrderAndTurnsNullIntoEmptyText)
{
    CurrentDirGuard cwd(m_dir.path());
    WordStore store;
    ASSERT_TRUE(store.Open(kConnection));
    ASSERT_TRUE(store.IsOpen());
    EXPECT_EQ(store.FilePath(), m_path);

    const std::vector<WordEntry> rows = select(store, CourseStatement(u"book one"_qs));
    ASSERT_EQ(rows.size(), 5u);
    EXPECT_EQ(headwords(rows), (std::vector<QString>{u"apple"_qs, u"o'clock"_qs, u"look at"_qs, QString(), u"Sophie"_qs}));
    EXPECT_EQ(rows[1].ch, u"……点钟"_qs);
    EXPECT_TRUE(rows[3].en.isEmpty());
    EXPECT_EQ(rows[3].ch, u"无词"_qs);
    EXPECT_TRUE(rows[4].ch.isEmpty());

    EXPECT_TRUE(select(store, CourseStatement(u"no such book"_qs)).empty());
}

TEST_F(WordStoreTest, LookUpsMatchSubstringsPatternsAndApostrophes)
{
    CurrentDirGuard cwd(m_dir.path());
    WordStore store;
    ASSERT_TRUE(store.Open(kConnection));

    EXPECT_EQ(headwords(select(store, EnglishLookUpStatement(u"apple"_qs))),
              (std::vector<QString>{u"apple"_qs, u"pineapple"_qs}));
    // Letter case does not matter for English, as users type it.
    EXPECT_EQ(headwords(select(store, EnglishLookUpStatement(u"cd"_qs))), std::vector<QString>{u"CD"_qs});
    // '_' stays a pattern: one character.
    EXPECT_EQ(headwords(select(store, EnglishLookUpStatement(u"k_a"_qs))), std::vector<QString>{u"look at"_qs});
    EXPECT_EQ(headwords(select(store, EnglishLookUpStatement(u"o'clock"_qs))), std::vector<QString>{u"o'clock"_qs});
    EXPECT_EQ(headwords(select(store, CourseStatement(u"it's key"_qs))), std::vector<QString>{u"CD"_qs});
    // A Chinese substring, one character long.
    EXPECT_EQ(headwords(select(store, ChineseLookUpStatement(u"唱"_qs))), std::vector<QString>{u"CD"_qs});
    EXPECT_EQ(headwords(select(store, ChineseLookUpStatement(u"点钟"_qs))), std::vector<QString>{u"o'clock"_qs});
}

TEST_F(WordStoreTest, FailingStatementKeepsRowsAlreadyHandedOver)
{
    CurrentDirGuard cwd(m_dir.path());
    WordStore store;
    ASSERT_TRUE(store.Open(kConnection));
    std::vector<WordEntry> rows;
    const auto keep = [&rows](WordEntry&& entry) { rows.push_back(std::move(entry)); };
    const Result<void> malformed = store.SelectWords(u"select en,ch from word where"_qs, keep);
    ASSERT_FALSE(malformed);
    EXPECT_EQ(malformed.error().Error(), ResultCode::StatementFailed);
    EXPECT_FALSE(malformed.error().ErrorMessage().isEmpty());

    // A step that fails on the third row: the first two stay with the receiver.
    EXPECT_FALSE(store.SelectWords(
        u"select en, ch from word where case when en = 'o''clock' then json('x') else 1 end"_qs, keep));
    EXPECT_EQ(headwords(rows), (std::vector<QString>{u"apple"_qs, u"pineapple"_qs}));
}

TEST(WordStoreWithoutConnection, StatementsFailWithInvalidPointer)
{
    WordStore store;
    const Result<void> selected = store.SelectWords(CourseStatement(u"x"_qs), [](WordEntry&&) {});
    ASSERT_FALSE(selected);
    EXPECT_EQ(selected.error().Error(), E_POINTER);
}

struct BadFile
{
    const char* name;
    QByteArray bytes; // empty with `create` false: no file at all
    bool create;
    HRESULT expected;
};

void PrintTo(const BadFile& file, std::ostream* out)
{
    *out << file.name;
}

class WordStoreOpenFailure : public ::testing::TestWithParam<BadFile>
{
};

TEST_P(WordStoreOpenFailure, FailsClearlyAndNeverCreatesOrChangesAFile)
{
    const BadFile& bad = GetParam();
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("code.dll"));
    if (bad.create)
        WriteBytes(path, bad.bytes);
    CurrentDirGuard cwd(dir.path());

    WordStore store;
    {
        const Result<void> opened = store.Open(kConnection);
        ASSERT_FALSE(opened);
        const ComError& error = opened.error();
    EXPECT_EQ(error.Error(), bad.expected) << error.what();
    EXPECT_TRUE(error.ErrorMessage().contains(path)) << error.what();
    }
    EXPECT_FALSE(store.IsOpen());
    EXPECT_EQ(QFileInfo::exists(path), bad.create);
    if (bad.create) {
        EXPECT_EQ(ReadBytes(path), bad.bytes);
    }
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden).size(),
              bad.create ? 1 : 0);
}

QByteArray sqliteHeaderOnly()
{
    QByteArray bytes("SQLite format 3", 16);
    bytes.append(84, '\x01');
    return bytes;
}

QByteArray jetHeader(char version)
{
    QByteArray bytes(4096, '\0');
    bytes.replace(0, 20, QByteArray("\0\x01\0\0Standard Jet DB\0", 20));
    bytes[0x14] = version;
    return bytes;
}

INSTANTIATE_TEST_SUITE_P(
    Files, WordStoreOpenFailure,
    ::testing::Values(BadFile{"missing", {}, false, ResultCode::FileNotFound},
                      BadFile{"empty", {}, true, ResultCode::NotADatabase},
                      BadFile{"text", "en,ch,subclass\napple,苹果,x\n", true, ResultCode::NotADatabase},
                      BadFile{"truncatedSqlite", sqliteHeaderOnly(), true, ResultCode::NotADatabase},
                      BadFile{"jet3", jetHeader(0), true, ResultCode::UnsupportedFormat}),
    [](const ::testing::TestParamInfo<BadFile>& info) { return std::string(info.param.name); });

TEST(WordStoreSchema, MissingTableAndColumnsAreNamedAndTheFileIsUntouched)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("code.dll"));
    CurrentDirGuard cwd(dir.path());

    WriteVocabulary(path, {}, "CREATE TABLE words (en TEXT, ch TEXT, subclass TEXT)");
    const QByteArray before = ReadBytes(path);
    WordStore store;
    {
        const Result<void> opened = store.Open(kConnection);
        ASSERT_FALSE(opened);
        const ComError& error = opened.error();
    EXPECT_EQ(error.Error(), ResultCode::NoSuchTable);
    }
    EXPECT_EQ(ReadBytes(path), before);

    QFile::remove(path);
    WriteVocabulary(path, {}, "CREATE TABLE word (en TEXT, ch TEXT)");
    {
        const Result<void> opened = store.Open(kConnection);
        ASSERT_FALSE(opened);
        const ComError& error = opened.error();
    EXPECT_EQ(error.Error(), ResultCode::NoSuchColumn);
    }
}

TEST(WordStoreSchema, DataSourceIsRelativeToTheCurrentDirectory)
{
    QTemporaryDir dir;
    QDir(dir.path()).mkdir(QStringLiteral("sub"));
    WriteVocabulary(dir.filePath(QStringLiteral("sub/words.db")), {{u"x"_qs, u"叉"_qs, u"k"_qs}});
    CurrentDirGuard cwd(dir.path());
    WordStore store;
    ASSERT_TRUE(store.Open(u"provider=whatever;DATA SOURCE=sub/words.db"_qs));
    EXPECT_EQ(select(store, CourseStatement(u"k"_qs)).size(), 1u);
    store.Close();
    EXPECT_FALSE(store.IsOpen());
    store.Close(); // closing twice is harmless
}

} // namespace
