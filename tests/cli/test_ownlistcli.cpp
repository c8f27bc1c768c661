// Own word lists from the command line: lexovox-import --list keeps a teacher's file as a list
// with meanings looked up, and lexovox-batch takes the list as a course.

#include <QStringEncoder>

#include "batchclifixture.h"
#include "vocab/ownlists.h"
#include "vocab/vocabimporter.h"

namespace {

class OwnListCli : public BatchCli
{
protected:
    void SetUp() override
    {
        BatchCli::SetUp();
        // The vocabulary in the folder the programs start in, as a user's code.dll.
        const QString source = csv(u"v.csv"_qs, "en,ch,subclass\napple,苹果（初中）,人教版初中英语第一册\n"
                                                 "apple,苹果,人教版小学英语第一册\nlook after,照顾,Unit list\n");
        ASSERT_TRUE(ImportVocabulary(source, m_dir.filePath(u"code.dll"_qs), true));
    }

    Outcome import(const QStringList& arguments) const { return runProgram(QStringLiteral(LEXOVOX_IMPORT), arguments); }

    QString listsPath() const { return m_dir.filePath(u"data/lexovox/mylists.db"_qs); }

    QList<OwnListWord> words(const QString& name) const
    {
        OwnLists lists;
        EXPECT_TRUE(lists.OpenToRead(listsPath()));
        const Result<QList<OwnListWord>> words = lists.Words(name);
        return words ? *words : QList<OwnListWord>();
    }

    /// This week's words as Notepad on a Chinese Windows saves them.
    QString notepadFile() const
    {
        const QString text = u"1. apple\r\n2. Look After\r\n\r\n第一单元\r\n3. zyzzyva\r\n4. banana 香蕉\r\n5. apple\r\n"_qs
                             + u"x"_qs.repeated(201) + u"\r\n"_qs;
        return csv(u"week.txt"_qs, QStringEncoder("GB18030").encode(text));
    }
};

} // namespace

TEST_F(OwnListCli, ImportKeepsTheListAndSaysWhatItDid)
{
    const Outcome made = import({u"--list"_qs, u"第三周"_qs, notepadFile()});
    ASSERT_EQ(made.status, 0) << made.err.toStdString();
    EXPECT_TRUE(made.err.isEmpty()) << made.err.toStdString();
    EXPECT_TRUE(made.out.contains(u"4 words written to the list 第三周 in "_qs + listsPath())) << made.out.toStdString();
    EXPECT_TRUE(made.out.contains(u"2 meanings looked up, 1 given, 1 without a meaning: zyzzyva"_qs)) << made.out.toStdString();
    EXPECT_TRUE(made.out.contains(u"1 duplicates merged"_qs));
    EXPECT_TRUE(made.out.contains(u"lines ignored, no English word: 4\n"_qs));
    EXPECT_TRUE(made.out.contains(u"lines over 200 characters, not taken: 8\n"_qs));
    EXPECT_EQ(words(u"第三周"_qs), (QList<OwnListWord>{{u"apple"_qs, u"苹果"_qs, MeaningSource::Vocabulary},
                                                       {u"Look After"_qs, u"照顾"_qs, MeaningSource::Vocabulary},
                                                       {u"zyzzyva"_qs, QString(), MeaningSource::NotFound},
                                                       {u"banana"_qs, u"香蕉"_qs, MeaningSource::Typed}}));

    // A second import of the name is refused and changes nothing, unless forced.
    const QString other = csv(u"other.csv"_qs, "en,ch\nkiwi,猕猴桃\n");
    const Outcome again = import({u"--list"_qs, u"第三周"_qs, other});
    EXPECT_EQ(again.status, 1);
    EXPECT_TRUE(again.err.contains(u"--force"_qs)) << again.err.toStdString();
    EXPECT_EQ(words(u"第三周"_qs).size(), 4);
    const Outcome forced = import({u"--force"_qs, u"--list"_qs, u"第三周"_qs, other});
    EXPECT_EQ(forced.status, 0) << forced.err.toStdString();
    EXPECT_EQ(words(u"第三周"_qs), (QList<OwnListWord>{{u"kiwi"_qs, u"猕猴桃"_qs, MeaningSource::Typed}}));
}

TEST_F(OwnListCli, ImportRefusesBadInputAndWritesNothing)
{
    QByteArray binary("\x7f" "ELF", 4);
    binary += QByteArray(64, '\0');
    const struct
    {
        QStringList arguments;
        const char* says;
    } refused[] = {
        {{u"--list"_qs, u"人教版小学英语第一册"_qs, notepadFile()}, "course book"},
        {{u"--list"_qs, u"Unit list"_qs, notepadFile()}, "course book"},
        {{u"--list"_qs, u"3/4"_qs, notepadFile()}, "'/'"},
        {{u"--list"_qs, u"tab\tname"_qs, notepadFile()}, "control characters"},
        {{u"--list"_qs, QString(), notepadFile()}, "needs a name"},
        {{u"--list"_qs, u"empty"_qs, csv(u"empty.txt"_qs, "\n第一单元\n\n")}, "has no words"},
        {{u"--list"_qs, u"binary"_qs, csv(u"a.out"_qs, binary)}, "not a text file"},
        {{u"--list"_qs, u"gone"_qs, m_dir.filePath(u"gone.txt"_qs)}, "gone.txt"},
    };
    for (const auto& [arguments, says] : refused) {
        const Outcome outcome = import(arguments);
        EXPECT_EQ(outcome.status, 1) << arguments.join(u' ').toStdString();
        EXPECT_TRUE(outcome.err.contains(QString::fromUtf8(says))) << outcome.err.toStdString();
    }
    OwnLists lists;
    if (QFile::exists(listsPath())) {
        ASSERT_TRUE(lists.OpenToRead(listsPath()));
        EXPECT_TRUE(lists.Names()->isEmpty());
    }
    const Outcome usage = import({u"--list"_qs, u"x"_qs});
    EXPECT_EQ(usage.status, 2);
    EXPECT_TRUE(usage.err.contains(u"--list NAME"_qs));
}

TEST_F(OwnListCli, BatchTakesAnOwnListAsACourseAndListsItUnderItsHeading)
{
    ASSERT_EQ(import({u"--list"_qs, u"第三周"_qs, notepadFile()}).status, 0);

    const Outcome courses = run({u"--list-courses"_qs});
    EXPECT_EQ(courses.status, 0) << courses.err.toStdString();
    EXPECT_TRUE(courses.out.endsWith(u"Unit list\n\n我的词表\n第三周\n"_qs)) << courses.out.toStdString();

    const Outcome dry = run({u"--out"_qs, out(), u"--course"_qs, u"第三周"_qs, u"--voice"_qs, u"espeak-en-us"_qs,
                             u"--dry-run"_qs, u"--meaning"_qs});
    EXPECT_EQ(dry.status, 0) << dry.err.toStdString();
    for (const QString& word : {u"apple"_qs, u"Look After"_qs, u"zyzzyva"_qs, u"banana"_qs})
        EXPECT_TRUE(dry.out.contains(word)) << word.toStdString() << "\n" << dry.out.toStdString();
    EXPECT_TRUE(dry.err.contains(u"dry run: 4 words"_qs)) << dry.err.toStdString();

    // A vocabulary course of the name comes first; the list is still there.
    const Outcome vocabulary = run({u"--out"_qs, out(), u"--course"_qs, u"Unit list"_qs, u"--dry-run"_qs});
    EXPECT_TRUE(vocabulary.err.contains(u"dry run: 1 words"_qs)) << vocabulary.err.toStdString();
}

TEST_F(OwnListCli, ADamagedListsFileIsKeptAsideAndTheReasonGiven)
{
    ASSERT_EQ(import({u"--list"_qs, u"第三周"_qs, notepadFile()}).status, 0);
    const QByteArray damaged = QByteArray("torn").repeated(1000);
    {
        QFile file(listsPath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(damaged);
    }
    const Outcome dry = run({u"--out"_qs, out(), u"--course"_qs, u"第三周"_qs, u"--dry-run"_qs});
    EXPECT_EQ(dry.status, 2);
    EXPECT_TRUE(dry.err.contains(u"no words in course \"第三周\""_qs)) << dry.err.toStdString();
    EXPECT_TRUE(dry.err.contains(listsPath() + u".damaged"_qs)) << dry.err.toStdString();
    QFile aside(listsPath() + u".damaged"_qs);
    ASSERT_TRUE(aside.open(QIODevice::ReadOnly));
    EXPECT_EQ(aside.readAll(), damaged);

    // Courses are still listed; the new, empty file has no heading.
    const Outcome courses = run({u"--list-courses"_qs});
    EXPECT_EQ(courses.status, 0);
    EXPECT_FALSE(courses.out.contains(u"我的词表"_qs));
}
