#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "base/comerror.h"
#include "vocab/vocabularycourses.h"
#include "vocab/vocabularylocation.h"
#include "vocab/wordstatements.h"
#include "vocab/wordstore.h"
#include "vocabfixture.h"

namespace {

QStringList coursesOf(std::initializer_list<FixtureRow> rows)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("code.dll"));
    WriteVocabulary(path, rows);
    WordStore store;
    EXPECT_TRUE(store.Open(VocabularyConnectionString(path)));
    return VocabularyCourses(store).value_or(QStringList{});
}

} // namespace

TEST(VocabularyCoursesTest, ListsEachCourseOnceInTheOrderTheFileFirstNamesIt)
{
    const QStringList courses = coursesOf({
        {u"zebra"_qs, u"斑马"_qs, u"托福词汇"_qs},
        {u"apple"_qs, u"苹果"_qs, u"中考词汇"_qs},
        {u"o'clock"_qs, u"点钟"_qs, u"it's key"_qs},
        {u"yak"_qs, u"牦牛"_qs, u"托福词汇"_qs},
        {u"bare"_qs, u"无"_qs, std::nullopt},
        {u"blank"_qs, u"空"_qs, u""_qs},
        {u"book"_qs, u"书"_qs, u"英语四级考试词组"_qs},
        {u"a, b"_qs, u"逗号"_qs, u"考研短语(npee,\"未完成\")"_qs},
        {u"ant"_qs, u"蚂蚁"_qs, u"中考词汇"_qs},
    });
    // Not sorted by name: the file's own order, and rows without a course add none.
    EXPECT_EQ(courses, (QStringList{u"托福词汇"_qs, u"中考词汇"_qs, u"it's key"_qs,
                                    u"英语四级考试词组"_qs, u"考研短语(npee,\"未完成\")"_qs}));
}

TEST(VocabularyCoursesTest, NoRowsNoCourses)
{
    EXPECT_TRUE(coursesOf({}).isEmpty());
}

TEST(VocabularyCoursesTest, ClosedStoreReportsNoOpenVocabulary)
{
    WordStore store;
    const Result<QStringList> courses = VocabularyCourses(store);
    ASSERT_FALSE(courses);
    EXPECT_EQ(courses.error().Error(), E_POINTER);
}

TEST(VocabularyCoursesTest, OutsideCatalogueDropsTheBooksAndKeepsTheOrder)
{
    // Category names are not books: a list named like one still counts as the vocabulary's own.
    const QStringList courses{u"英语六级考试词组"_qs, u"GRE词汇"_qs, u"大学英语"_qs,
                              u"新版新概念第一册"_qs, u"初中短语"_qs, u"MBA联考大纲"_qs};
    EXPECT_EQ(CoursesOutsideCatalogue(courses),
              (QStringList{u"GRE词汇"_qs, u"大学英语"_qs, u"初中短语"_qs}));
    EXPECT_TRUE(CoursesOutsideCatalogue({u"人教版小学英语第一册"_qs}).isEmpty());
}

// With the importer's index and without it (a file made by hand), each course's count is the
// number of words selecting that course lists, so a book's tooltip matches its list.
TEST(CourseWordCountsTest, EachCourseCountsTheWordsItsListShows)
{
    constexpr const char* kTables[] = {
        "CREATE TABLE word (en TEXT, ch TEXT, subclass TEXT)",
        "CREATE TABLE word (en TEXT, ch TEXT, subclass TEXT); CREATE INDEX word_subclass ON word (subclass)",
    };
    for (const char* table : kTables) {
        SCOPED_TRACE(table);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("code.dll"));
        // Course names that differ only in case, a trailing space or a quote, between rows
        // without a course.
        WriteVocabulary(path, {
                                  {u"zebra"_qs, u"斑马"_qs, u"托福词汇"_qs},
                                  {u"bare"_qs, u"无"_qs, std::nullopt},
                                  {u"cat"_qs, u"猫"_qs, u"Toefl"_qs},
                                  {u"blank"_qs, u"空"_qs, u""_qs},
                                  {u"dog"_qs, u"狗"_qs, u"TOEFL"_qs},
                                  {u"egg"_qs, u"蛋"_qs, u"Toefl "_qs},
                                  {u"o'clock"_qs, u"点钟"_qs, u"it's key"_qs},
                                  {u"apple"_qs, u"苹果"_qs, u"托福词汇"_qs},
                                  {u"fig"_qs, u"无花果"_qs, u"Toefl"_qs},
                                  {u"yak"_qs, u"牦牛"_qs, u"托福词汇"_qs},
                              },
                        table);
        WordStore store;
        ASSERT_TRUE(store.Open(VocabularyConnectionString(path)));

        const Result<QHash<QString, int>> counts = CourseWordCounts(store);
        ASSERT_TRUE(counts);
        const QHash<QString, int> expected{{u"托福词汇"_qs, 3}, {u"Toefl"_qs, 2}, {u"TOEFL"_qs, 1},
                                           {u"Toefl "_qs, 1}, {u"it's key"_qs, 1}};
        EXPECT_EQ(*counts, expected);
        for (auto course = counts->cbegin(); course != counts->cend(); ++course) {
            int listed = 0;
            ASSERT_TRUE(store.SelectWords(CourseStatement(course.key()), [&listed](WordEntry&&) { ++listed; }));
            EXPECT_EQ(listed, course.value()) << course.key().toStdString();
        }
    }
}
