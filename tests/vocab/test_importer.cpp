#include <csignal>
#include <vector>

#include <unistd.h>

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "vocab/connectionstring.h"
#include "vocab/vocabimporter.h"
#include "vocab/wordstatements.h"
#include "vocab/wordstore.h"
#include "support/endedprocess.h"
#include "vocabfixture.h"

namespace {

// Long enough that an import is still reading rows when a signal sent as it starts arrives.
constexpr int kLongListRows = 2'000'000;

class ImporterTest : public ::testing::Test
{
protected:
    QString csv(const QByteArray& text)
    {
        const QString path = m_dir.filePath(QStringLiteral("words.csv"));
        WriteBytes(path, text);
        return path;
    }

    QString longCsv()
    {
        const QString path = m_dir.filePath(QStringLiteral("long.csv"));
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        QByteArray rows = "en,ch,subclass\n";
        for (int i = 0; i < kLongListRows; ++i) {
            rows += "word" + QByteArray::number(i) + ",词,课" + QByteArray::number(i % 100) + '\n';
            if (rows.size() > (1 << 20))
                file.write(std::exchange(rows, QByteArray()));
        }
        file.write(rows);
        return path;
    }

    QStringList folder() const
    {
        return QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }

    std::vector<WordEntry> course(const QString& key)
    {
        CurrentDirGuard cwd(m_dir.path());
        WordStore store;
        EXPECT_TRUE(store.Open(u"Data Source=code.dll"_qs));
        std::vector<WordEntry> rows;
        EXPECT_TRUE(store.SelectWords(CourseStatement(key), [&rows](WordEntry&& e) { rows.push_back(std::move(e)); }));
        return rows;
    }

    QTemporaryDir m_dir;
    QString m_target = m_dir.filePath(QStringLiteral("code.dll"));
};

TEST_F(ImporterTest, RoundTripKeepsOrderQuotingAndChinese)
{
    const QString source = csv("\xEF\xBB\xBF" "en,ch,subclass\n"
                               "look at,\"看…, 瞧\",书一\r\n"
                               "o'clock,……点钟,书一\n"
                               "\n"
                               "\"multi\nline\",\"say \"\"hi\"\"\",书一\n"
                               "Sophie,,书一\n"
                               "other,别的,书二\n");
    const Result<qint64> rows5 = ImportVocabulary(source, m_target, false);
    ASSERT_TRUE(rows5) << rows5.error().what();
    EXPECT_EQ(*rows5, 5);

    const std::vector<WordEntry> rows = course(u"书一"_qs);
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0].en, u"look at"_qs);
    EXPECT_EQ(rows[0].ch, u"看…, 瞧"_qs);
    EXPECT_EQ(rows[1].en, u"o'clock"_qs);
    EXPECT_EQ(rows[2].en, u"multi\nline"_qs);
    EXPECT_EQ(rows[2].ch, u"say \"hi\""_qs);
    EXPECT_EQ(rows[3].en, u"Sophie"_qs);
    EXPECT_TRUE(rows[3].ch.isEmpty());
    EXPECT_EQ(folder(), (QStringList{u"code.dll"_qs, u"words.csv"_qs}));
}

TEST_F(ImporterTest, ColumnsMayComeInAnyOrder)
{
    ASSERT_TRUE(ImportVocabulary(csv("subclass,note,EN,ch\nk,ignored,cat,猫\n"), m_target, false));
    const std::vector<WordEntry> rows = course(u"k"_qs);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].en, u"cat"_qs);
    EXPECT_EQ(rows[0].ch, u"猫"_qs);
}

struct Malformed
{
    const char* name;
    const char* text;
    const char* expected; // part of the error
};

void PrintTo(const Malformed& file, std::ostream* out)
{
    *out << file.name;
}

class ImporterMalformed : public ImporterTest, public ::testing::WithParamInterface<Malformed>
{
};

TEST_P(ImporterMalformed, ReportsTheLineAndWritesNothing)
{
    const Result<qint64> rows = ImportVocabulary(csv(GetParam().text), m_target, false);
    ASSERT_FALSE(rows);
    EXPECT_EQ(rows.error().Error(), ResultCode::ImportMalformed);
    EXPECT_TRUE(rows.error().ErrorMessage().contains(QString::fromUtf8(GetParam().expected))) << rows.error().what();
    EXPECT_EQ(folder(), QStringList{u"words.csv"_qs});
}

INSTANTIATE_TEST_SUITE_P(
    Files, ImporterMalformed,
    ::testing::Values(Malformed{"tooFewFields", "en,ch,subclass\na,b,c\n\nd,e\n", "line 4: 2 fields"},
                      Malformed{"strayQuote", "en,ch,subclass\na,b,c\na\"b,c,d\n", "line 3"},
                      Malformed{"unterminated", "en,ch,subclass\na,b,c\n\"open,x,y\nmore\n", "line 3"},
                      Malformed{"badUtf8", "en,ch,subclass\na,\xC3\x28,c\n", "line 2: not valid UTF-8"},
                      Malformed{"noHeader", "apple,苹果,k\n", "line 1: the first line must name"},
                      Malformed{"empty", "", "empty"}),
    [](const ::testing::TestParamInfo<Malformed>& info) { return std::string(info.param.name); });

TEST_F(ImporterTest, ExistingFileIsKeptUnlessForcedAndFailuresNeverTouchIt)
{
    WriteBytes(m_target, "precious");
    const QString good = csv("en,ch,subclass\ncat,猫,k\n");
    const Result<qint64> refused = ImportVocabulary(good, m_target, false);
    ASSERT_FALSE(refused);
    EXPECT_EQ(refused.error().Error(), ResultCode::ImportTargetExists);
    EXPECT_TRUE(refused.error().ErrorMessage().contains(u"--force"_qs));
    const Result<qint64> noSource = ImportVocabulary(m_dir.filePath(u"gone.csv"_qs), m_target, true);
    ASSERT_FALSE(noSource);
    EXPECT_EQ(noSource.error().Error(), ResultCode::ImportSourceUnreadable);
    EXPECT_TRUE(noSource.error().ErrorMessage().contains(u"gone.csv"_qs));
    EXPECT_EQ(ReadBytes(m_target), QByteArray("precious"));

    EXPECT_FALSE(ImportVocabulary(csv("en,ch,subclass\nbroken\n"), m_target, true));
    EXPECT_EQ(ReadBytes(m_target), QByteArray("precious"));
    EXPECT_EQ(folder(), (QStringList{u"code.dll"_qs, u"words.csv"_qs}));

    ASSERT_TRUE(ImportVocabulary(csv("en,ch,subclass\ncat,猫,k\n"), m_target, true));
    EXPECT_EQ(course(u"k"_qs).size(), 1u);
}

TEST_F(ImporterTest, CommandLineToolReportsUsageAndErrors)
{
    QProcess tool;
    const QString words = csv("en,ch,subclass\na,b,c\n");
    // Each of these is wrong usage: the usage goes to standard error and nothing is written.
    const std::vector<QStringList> wrong = {
        {},
        {words},
        {words, m_target, u"extra"_qs},
        {u"--frobnicate"_qs, words, m_target},
        {words, m_target, u"--password"_qs},
        {u"-x"_qs, words, m_target},
    };
    for (const QStringList& arguments : wrong) {
        tool.start(QStringLiteral(LEXOVOX_IMPORT), arguments);
        ASSERT_TRUE(tool.waitForFinished());
        const QString shown = arguments.join(u' ');
        EXPECT_EQ(tool.exitCode(), 2) << shown.toStdString();
        EXPECT_TRUE(tool.readAllStandardError().contains("usage")) << shown.toStdString();
        EXPECT_FALSE(QFile::exists(m_target)) << shown.toStdString();
    }

    for (const QString& help : {u"--help"_qs, u"-h"_qs}) {
        tool.start(QStringLiteral(LEXOVOX_IMPORT), {help});
        ASSERT_TRUE(tool.waitForFinished());
        EXPECT_EQ(tool.exitCode(), 0);
        EXPECT_TRUE(tool.readAllStandardOutput().startsWith("usage: lexovox-import"));
        EXPECT_TRUE(tool.readAllStandardError().isEmpty());
    }

    tool.start(QStringLiteral(LEXOVOX_IMPORT), {csv("en,ch,subclass\na,b\n"), m_target});
    ASSERT_TRUE(tool.waitForFinished());
    EXPECT_EQ(tool.exitCode(), 1);
    EXPECT_TRUE(tool.readAllStandardError().contains("line 2"));

    // Options may come after the files too.
    tool.start(QStringLiteral(LEXOVOX_IMPORT), {csv("en,ch,subclass\na,b,c\n"), m_target, u"--force"_qs});
    ASSERT_TRUE(tool.waitForFinished());
    EXPECT_EQ(tool.exitCode(), 0);
    EXPECT_EQ(course(u"c"_qs).size(), 1u);
}

TEST_F(ImporterTest, CommandLineToolTakesThePasswordInEitherSpelling)
{
    const QString locked = QStringLiteral(LEXOVOX_SHARED_DIR "/testdata/jet/word_fixture_encoded.mdb");
    if (!QFile::exists(locked))
        GTEST_SKIP() << "Jet test files not found (the shared folder is absent)";
    const auto run = [&](QStringList arguments) {
        QProcess tool;
        tool.start(QStringLiteral(LEXOVOX_IMPORT), arguments << locked << m_target);
        EXPECT_TRUE(tool.waitForFinished());
        return tool.exitCode();
    };
    EXPECT_EQ(run({u"--password"_qs, u"nope"_qs}), 1);
    EXPECT_EQ(run({u"--password=nope"_qs}), 1);
    EXPECT_FALSE(QFile::exists(m_target));
    EXPECT_EQ(run({u"--password"_qs, u"9F3B51C0E2A4"_qs}), 0);
    EXPECT_EQ(run({u"--force"_qs, u"--password=9F3B51C0E2A4"_qs}), 0);
    // The file's password is the program's own, so leaving it out works too.
    EXPECT_EQ(run({u"--force"_qs}), 0);
}

TEST_F(ImporterTest, OtherAccessFormatsAreRefusedAsNotSupported)
{
    // The names and version bytes of a Jet 3 and of a later Access file, as their first page holds them.
    QByteArray jet3(4096, '\0');
    jet3.replace(0, 20, QByteArray("\0\x01\0\0Standard Jet DB\0", 20));
    QByteArray ace(4096, '\0');
    ace.replace(0, 20, QByteArray("\0\x01\0\0Standard ACE DB\0", 20));
    ace[0x14] = 2;
    for (const auto& [name, bytes] : {std::pair{"old.mdb", jet3}, std::pair{"new.accdb", ace}}) {
        const QString source = m_dir.filePath(QString::fromLatin1(name));
        WriteBytes(source, bytes);
        QProcess tool;
        tool.start(QStringLiteral(LEXOVOX_IMPORT), {source, m_target});
        ASSERT_TRUE(tool.waitForFinished());
        EXPECT_EQ(tool.exitCode(), 1) << name;
        const QByteArray error = tool.readAllStandardError();
        EXPECT_TRUE(error.contains("not supported")) << name << ": " << error.constData();
        EXPECT_FALSE(QFile::exists(m_target)) << name;
    }
}


TEST_F(ImporterTest, ImportingIntoAFolderSaysSoInEitherLanguage)
{
    const QString words = csv("en,ch,subclass\ncat,猫,k\n");
    const QString out = m_dir.filePath(u"out"_qs);
    ASSERT_TRUE(QDir(m_dir.path()).mkdir(u"out"_qs));
    for (const auto& [locale, said] : {std::pair{"C.UTF-8", " is a folder; give the name of the vocabulary file"},
                                       std::pair{"zh_CN.UTF-8", " 是文件夹；请给出要写入的词库文件名"}}) {
        QProcess tool;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"LC_ALL"_qs, QString::fromLatin1(locale));
        tool.setProcessEnvironment(environment);
        // Even with --force: a folder is not a file to replace.
        tool.start(QStringLiteral(LEXOVOX_IMPORT), {words, out, u"--force"_qs});
        ASSERT_TRUE(tool.waitForFinished());
        EXPECT_EQ(tool.exitCode(), 1) << locale;
        const QString error = QString::fromUtf8(tool.readAllStandardError());
        EXPECT_TRUE(error.contains(out + QString::fromUtf8(said))) << error.toStdString();
    }
    EXPECT_TRUE(QDir(out).isEmpty());
    EXPECT_EQ(folder(), QStringList{u"words.csv"_qs});
}

TEST_F(ImporterTest, WhatKilledImportsLeftBesideTheTargetIsRemovedFirst)
{
    const qint64 ended = EndedProcessId();
    const auto leave = [this](const QString& name) {
        WriteBytes(m_dir.filePath(name), "half");
        return name;
    };
    leave(u".lexovox-%1-0badf00d.db.part"_qs.arg(ended));
    // Another import going on beside it (this process stands for it) keeps its file; a batch
    // run's leftover is for the next run there to sweep.
    const QString running = leave(u".lexovox-%1-0badcafe.db.part"_qs.arg(::getpid()));
    const QString batchRun = leave(u".lexovox-%1-0badf00d.wav.part"_qs.arg(ended));
    ASSERT_TRUE(ImportVocabulary(csv("en,ch,subclass\ncat,猫,k\n"), m_target, false));
    QStringList expected{running, batchRun, u"code.dll"_qs, u"words.csv"_qs};
    expected.sort();
    EXPECT_EQ(folder(), expected);
}

TEST_F(ImporterTest, CommandLineToolStoppedBySigintOrSigtermLeavesNothingAndExitsAsTheSignalSays)
{
    const QString source = longCsv();
    for (const int sig : {SIGINT, SIGTERM}) {
        QProcess tool;
        tool.start(QStringLiteral(LEXOVOX_IMPORT), {source, m_target});
        ASSERT_TRUE(tool.waitForStarted());
        const QStringList partName{u".lexovox-%1-*.db.part"_qs.arg(tool.processId())};
        const auto writing = [&] { return !QDir(m_dir.path()).entryList(partName, QDir::Files | QDir::Hidden).isEmpty(); };
        bool ended = false;
        while (!writing() && !(ended = tool.waitForFinished(1))) {
        }
        ASSERT_FALSE(ended) << "the import ended before it was writing: " << tool.readAllStandardError().toStdString();
        ::kill(pid_t(tool.processId()), sig);
        ASSERT_TRUE(tool.waitForFinished(60000));
        EXPECT_EQ(tool.exitStatus(), QProcess::NormalExit) << sig;
        EXPECT_EQ(tool.exitCode(), 128 + sig) << "0: all " << kLongListRows << " rows were imported before the signal came";
        EXPECT_TRUE(tool.readAllStandardError().contains("interrupted")) << sig;
        EXPECT_EQ(folder(), QStringList{u"long.csv"_qs}) << sig;
    }
}

} // namespace
