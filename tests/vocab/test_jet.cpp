#include <vector>

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "base/comerror.h"
#include "vocab/connectionstring.h"
#include "vocab/jetvocabulary.h"
#include "vocab/vocabimporter.h"
#include "vocab/wordstatements.h"
#include "vocab/wordstore.h"
#include "vocabfixture.h"

namespace {

const QString kJetDir = QStringLiteral(LEXOVOX_SHARED_DIR "/testdata/jet/");
const QString kConnection = QString::fromUtf16(kVocabularyConnection);

class JetTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!QFile::exists(kJetDir + QStringLiteral("word_fixture.mdb")))
            GTEST_SKIP() << "Jet test files not found in " << kJetDir.toStdString() << " (the shared folder is absent)";
        m_cwd.emplace(m_dir.path());
    }

    /// Copies a shared file to code.dll, optionally changed by `edit`.
    void install(const QString& name, const std::function<void(QByteArray&)>& edit = {})
    {
        QByteArray bytes = ReadBytes(kJetDir + name);
        ASSERT_FALSE(bytes.isEmpty());
        if (edit)
            edit(bytes);
        WriteBytes(m_dir.filePath(QStringLiteral("code.dll")), bytes);
    }

    std::vector<WordEntry> select(const QString& statement)
    {
        std::vector<WordEntry> rows;
        EXPECT_TRUE(m_store.SelectWords(statement, [&rows](WordEntry&& e) { rows.push_back(std::move(e)); }));
        return rows;
    }

    HRESULT openError(const QString& connection = kConnection)
    {
        const Result<void> opened = m_store.Open(connection);
        if (opened)
            return 0;
        EXPECT_TRUE(opened.error().ErrorMessage().contains(m_dir.filePath(QStringLiteral("code.dll"))));
        return opened.error().Error();
    }

    QTemporaryDir m_dir;
    std::optional<CurrentDirGuard> m_cwd;
    WordStore m_store;
};

TEST_F(JetTest, PasswordsAreReadFromTheMaskedHeader)
{
    const auto password = [](const char* file) {
        return JetDatabasePassword(ReadBytes(kJetDir + QString::fromUtf8(file)).left(4096)).value_or(u"?"_qs);
    };
    EXPECT_EQ(password("word_fixture.mdb"), u"9F3B51C0E2A4"_qs);
    EXPECT_EQ(password("word_fixture_encoded.mdb"), u"9F3B51C0E2A4"_qs);
    EXPECT_EQ(password("mdbreader_V2000_with-password.mdb"), u"password"_qs);
    EXPECT_EQ(password("mdbreader_V2003_with-password.mdb"), u"password"_qs);
    EXPECT_EQ(password("jackcessencrypt_db-enc.mdb"), QString());
    EXPECT_FALSE(JetDatabasePassword(QByteArray(100, '\0')));
}

TEST_F(JetTest, PlainAndEncodedFilesAnswerTheStatementsLikeSqlite)
{
    for (const char* name : {"word_fixture.mdb", "word_fixture_encoded.mdb"}) {
        SCOPED_TRACE(name);
        install(QString::fromUtf8(name));
        ASSERT_EQ(openError(), 0);
        const std::vector<WordEntry> dont = select(EnglishLookUpStatement(u"don't"_qs));
        ASSERT_EQ(dont.size(), 1u);
        EXPECT_EQ(dont[0].ch, u"不要"_qs);
        const std::vector<WordEntry> beijing = select(ChineseLookUpStatement(u"北京"_qs));
        ASSERT_EQ(beijing.size(), 1u);
        EXPECT_EQ(beijing[0].en, u"Beijing"_qs);
        EXPECT_EQ(select(CourseStatement(u"num. 数词"_qs)).at(0).en, u"one"_qs);
        // File order, and NULL kept apart from empty text.
        const std::vector<WordEntry> all = select(u"select en,ch from word"_qs);
        ASSERT_EQ(all.size(), 5u);
        EXPECT_EQ(all[0].en, u"apple"_qs);
        EXPECT_EQ(all[4].en, u"Beijing"_qs);
        EXPECT_EQ(select(u"select en,ch from word where subclass is null"_qs).at(0).en, u"run"_qs);
        EXPECT_TRUE(select(u"select en,ch from word where subclass = ''"_qs).empty());
        m_store.Close();
    }
}

TEST_F(JetTest, PasswordMustMatchUnlessTheFileHasNone)
{
    install(u"word_fixture.mdb"_qs);
    EXPECT_EQ(openError(u"Data Source=code.dll;Jet OLEDB:Database Password=wrong"_qs), ResultCode::WrongPassword);
    EXPECT_EQ(openError(u"Data Source=code.dll"_qs), ResultCode::WrongPassword);
    EXPECT_FALSE(m_store.IsOpen());

    install(u"mdbreader_V2003_with-password.mdb"_qs);
    EXPECT_EQ(openError(), ResultCode::WrongPassword);
    // Right password: the file opens, and then lacks the table the program reads.
    EXPECT_EQ(openError(u"Data Source=code.dll;Jet OLEDB:Database Password=password"_qs), ResultCode::NoSuchTable);

    install(u"jackcessencrypt_db-enc.mdb"_qs);
    EXPECT_EQ(openError(u"Data Source=code.dll;Jet OLEDB:Database Password=anything"_qs), ResultCode::NoSuchTable);
}

TEST_F(JetTest, DamagedFilesFailCleanly)
{
    const auto truncateTo = [](qsizetype size) { return [size](QByteArray& b) { b.truncate(size); }; };
    install(u"word_fixture.mdb"_qs, truncateTo(4096));
    EXPECT_EQ(openError(), ResultCode::DamagedDatabase);
    install(u"word_fixture.mdb"_qs, truncateTo(10000));
    EXPECT_EQ(openError(), ResultCode::DamagedDatabase);
    install(u"word_fixture.mdb"_qs, truncateTo(3 * 4096));
    EXPECT_NE(openError(), 0);

    // Flipped bytes anywhere: an error or a store that still answers, never a crash or a hang.
    QRandomGenerator random(20261208);
    const qsizetype size = ReadBytes(kJetDir + u"word_fixture.mdb"_qs).size();
    for (int round = 0; round < 300; ++round) {
        install(u"word_fixture_encoded.mdb"_qs, [&](QByteArray& b) {
            for (int flips = 0; flips < 8; ++flips)
                b[random.bounded(size)] = char(random.bounded(256));
        });
        if (openError() == 0) {
            select(u"select en,ch from word"_qs);
            m_store.Close();
        }
    }
}

} // namespace

namespace {

TEST_F(JetTest, ImporterConvertsToTheSameRowsKeepingNulls)
{
    const QString target = m_dir.filePath(QStringLiteral("converted.db"));
    const Result<qint64> wrong = ImportVocabulary(kJetDir + u"word_fixture_encoded.mdb"_qs, target, false, u"nope"_qs);
    EXPECT_FALSE(wrong);
    EXPECT_FALSE(QFile::exists(target));

    const Result<qint64> rows = ImportVocabulary(kJetDir + u"word_fixture_encoded.mdb"_qs, target, false);
    ASSERT_TRUE(rows) << rows.error().what();
    EXPECT_EQ(*rows, 5);

    WordStore converted;
    ASSERT_TRUE(converted.Open(u"Data Source=converted.db"_qs));
    std::vector<QString> order;
    EXPECT_TRUE(converted.SelectWords(u"select en, ifnull(subclass, 'NULL') from word"_qs,
                                      [&order](WordEntry&& e) { order.push_back(e.en + u'|' + e.ch); }));
    EXPECT_EQ(order, (std::vector<QString>{u"apple|n."_qs, u"don't|phrase"_qs, u"run|NULL"_qs, u"one|num. 数词"_qs,
                                           u"Beijing|n. 名词"_qs}));
}

} // namespace
