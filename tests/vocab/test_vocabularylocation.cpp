#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "vocab/connectionstring.h"
#include "vocab/vocabularylocation.h"
#include "vocab/wordstore.h"
#include "vocabfixture.h"

namespace {

/// A home with every place the program looks at, each empty until `put` fills it.
class VocabularyLocationTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_root.isValid());
        for (const char* folder : {"work", "data/lexovox", "prefix/bin", "prefix/share/lexovox", "chosen"})
            ASSERT_TRUE(QDir(m_root.path()).mkpath(QString::fromUtf8(folder)));
        m_search.currentFolder = path(u"work"_qs);
        m_search.rememberedFile = path(u"chosen/mine.db"_qs);
        m_search.userDataFolder = path(u"data"_qs);
        m_search.programFolder = path(u"prefix/bin"_qs);
    }

    QString path(const QString& relative) const { return m_root.filePath(relative); }

    void put(const QString& relative)
    {
        QFile file(path(relative));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }

    QTemporaryDir m_root;
    VocabularySearch m_search;

    const QString m_cwd = u"work/code.dll"_qs;
    const QString m_remembered = u"chosen/mine.db"_qs;
    const QString m_user = u"data/lexovox/code.dll"_qs;
    const QString m_installed = u"prefix/share/lexovox/code.dll"_qs;
};

} // namespace

TEST_F(VocabularyLocationTest, TakesTheFirstPlaceThatHasAFile)
{
    const QStringList all{path(m_cwd), path(m_remembered), path(m_user), path(m_installed)};
    // Filled from the last place to the first, each new file wins over the ones after it.
    put(m_installed);
    EXPECT_EQ(FindVocabulary(m_search).path, path(m_installed));
    EXPECT_EQ(FindVocabulary(m_search).tried, all);
    put(m_user);
    EXPECT_EQ(FindVocabulary(m_search).path, path(m_user));
    put(m_remembered);
    EXPECT_EQ(FindVocabulary(m_search).path, path(m_remembered));
    put(m_cwd);
    const VocabularyLocation found = FindVocabulary(m_search);
    EXPECT_EQ(found.path, path(m_cwd));
    EXPECT_EQ(found.tried, QStringList{path(m_cwd)});
}

TEST_F(VocabularyLocationTest, NothingFoundNamesEveryPlaceInOrder)
{
    const VocabularyLocation none = FindVocabulary(m_search);
    EXPECT_FALSE(none.found());
    EXPECT_EQ(none.tried, (QStringList{path(m_cwd), path(m_remembered), path(m_user), path(m_installed)}));

    // Places left empty are skipped, a place named twice is looked at once.
    m_search.rememberedFile = path(m_cwd);
    m_search.userDataFolder.clear();
    EXPECT_EQ(FindVocabulary(m_search).tried, (QStringList{path(m_cwd), path(m_installed)}));
}

TEST_F(VocabularyLocationTest, NamedFileIsTheOnlyPlaceLookedAt)
{
    put(m_cwd);
    put(m_installed);
    m_search.explicitFile = path(u"chosen/missing.db"_qs);
    const VocabularyLocation missing = FindVocabulary(m_search);
    EXPECT_FALSE(missing.found());
    EXPECT_EQ(missing.tried, QStringList{path(u"chosen/missing.db"_qs)});

    // Relative to the current folder, as a shell would give it.
    CurrentDirGuard guard(path(u"work"_qs));
    m_search.explicitFile = u"../prefix/bin/../share/lexovox/code.dll"_qs;
    EXPECT_EQ(FindVocabulary(m_search).path, path(m_installed));
}

TEST_F(VocabularyLocationTest, ConnectionStringKeepsAwkwardFolderNames)
{
    const QString odd = path(u"a;b=\"c\" d'e"_qs);
    ASSERT_TRUE(QDir().mkpath(odd));
    const QString file = odd + u"/code.dll"_qs;
    WriteVocabulary(file, {{u"apple"_qs, u"苹果"_qs, u"k"_qs}});

    const ConnectionString parts = ConnectionString::Parse(VocabularyConnectionString(file));
    EXPECT_EQ(parts.dataSource, file);
    EXPECT_EQ(parts.password, ProgramDatabasePassword());
    WordStore store;
    ASSERT_TRUE(store.Open(VocabularyConnectionString(file)));
    EXPECT_TRUE(store.IsOpen());
    EXPECT_EQ(store.FilePath(), file);
}
