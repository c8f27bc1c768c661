#include <algorithm>
#include <vector>

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "vocab/coursecatalogue.h"
#include "vocab/wordlistfill.h"
#include "vocab/wordlistmodel.h"
#include "vocab/wordlookup.h"
#include "vocab/wordstatements.h"
#include "vocab/wordstore.h"
#include "vocabfixture.h"

namespace {

std::vector<WordEntry> entries(int n)
{
    std::vector<WordEntry> result;
    for (int i = 0; i < n; ++i)
        result.push_back({QString::number(i), QStringLiteral("词%1").arg(i)});
    return result;
}

std::vector<bool> checks(const WordListModel& model)
{
    std::vector<bool> result;
    for (int row = 0; row < model.count(); ++row)
        result.push_back(model.isChecked(row));
    return result;
}

} // namespace

TEST(CourseCatalogue, HoldsTenCategoriesAndSeventyTwoBooksInTreeOrder)
{
    const auto nodes = CourseCatalogue();
    ASSERT_EQ(nodes.size(), 82u);
    EXPECT_EQ(std::count_if(nodes.begin(), nodes.end(), [](const CourseNode& n) { return n.isCategory(); }), 10);
    EXPECT_TRUE(nodes.front().isCategory());
    EXPECT_EQ(QString::fromUtf16(nodes[0].text), u"小学英语"_qs);
    EXPECT_EQ(QString::fromUtf16(nodes[1].text), u"人教版小学英语第一册"_qs);
    EXPECT_EQ(QString::fromUtf16(nodes.back().text), u"最新计算机统计TOEFL词汇"_qs);
    EXPECT_EQ(nodes.back().tag, 831);

    std::vector<int> booksPerCategory;
    int beijingPrimary = 0;
    int tag800 = 0;
    for (const CourseNode& node : nodes) {
        if (node.isCategory())
            booksPerCategory.push_back(0);
        else
            ++booksPerCategory.back();
        beijingPrimary += node.tag == 141;
        tag800 += node.tag == 800;
    }
    EXPECT_EQ(booksPerCategory, (std::vector<int>{21, 18, 10, 12, 2, 4, 2, 1, 1, 1}));
    EXPECT_EQ(beijingPrimary, 6); // six books share one tag and differ by text alone
    EXPECT_EQ(tag800, 3);         // the last three categories share theirs
}

TEST(LookUpText, SpacesGoAndShortTextsDoNothing)
{
    EXPECT_EQ(EnglishLookUpText(u"a b"_qs), u"ab"_qs);
    EXPECT_EQ(EnglishLookUpText(u" look  at "_qs), u"lookat"_qs);
    EXPECT_FALSE(EnglishLookUpText(u"a"_qs));
    EXPECT_FALSE(EnglishLookUpText(u" a "_qs));
    EXPECT_FALSE(EnglishLookUpText(QString()));
    EXPECT_EQ(EnglishLookUpText(u"书"_qs), u"书"_qs); // one Chinese character is long enough
    // Only U+0020 is removed; a tab or full-width space stays as typed.
    EXPECT_EQ(EnglishLookUpText(u"a\t"_qs), u"a\t"_qs);

    EXPECT_EQ(ChineseLookUpText(u"苹"_qs), u"苹"_qs);
    EXPECT_EQ(ChineseLookUpText(u"x"_qs), u"x"_qs);
    EXPECT_FALSE(ChineseLookUpText(u"   "_qs));
    EXPECT_EQ(ChineseLookUpText(u" 苹 果 "_qs), u"苹果"_qs);
}

TEST(WordListModel, ChecksStartOffAndTheButtonsWorkOnAnySize)
{
    WordListModel model;
    model.checkAll(); // empty list: nothing to do, nothing breaks
    model.checkNone();
    model.invertChecks();
    EXPECT_EQ(model.count(), 0);
    EXPECT_TRUE(model.checkedRows().empty());

    model.append(entries(4));
    EXPECT_EQ(checks(model), (std::vector<bool>{false, false, false, false}));
    model.setChecked(0, true);
    model.setData(model.index(2, 0), Qt::Checked, Qt::CheckStateRole);
    model.invertChecks();
    EXPECT_EQ(model.checkedRows(), (std::vector<int>{1, 3}));
    model.checkAll();
    EXPECT_EQ(model.checkedRows().size(), 4u);
    model.checkNone();
    EXPECT_TRUE(model.checkedRows().empty());

    // Only column 0 carries the check box; the explanation column is plain text.
    EXPECT_TRUE(model.flags(model.index(0, 0)) & Qt::ItemIsUserCheckable);
    EXPECT_FALSE(model.flags(model.index(0, 1)) & Qt::ItemIsUserCheckable);
    EXPECT_FALSE(model.setData(model.index(0, 1), Qt::Checked, Qt::CheckStateRole));
    EXPECT_EQ(model.headerData(0, Qt::Horizontal).toString(), u"单词"_qs);
    EXPECT_EQ(model.headerData(1, Qt::Horizontal).toString(), u"解释"_qs);
    EXPECT_EQ(model.data(model.index(3, 1)).toString(), u"词3"_qs);
}

TEST(WordListModel, WholeListCheckOperationsSignalOnceAndOrderHoldsPast65535Rows)
{
    WordListModel model;
    model.append(entries(70000));
    model.append(entries(2));
    ASSERT_EQ(model.count(), 70002);
    EXPECT_EQ(model.en(65535), u"65535"_qs);
    EXPECT_EQ(model.en(69999), u"69999"_qs);
    EXPECT_EQ(model.en(70001), u"1"_qs);

    int changed = 0;
    QObject::connect(&model, &QAbstractItemModel::dataChanged, &model, [&changed] { ++changed; });
    model.checkAll();
    model.invertChecks();
    EXPECT_EQ(changed, 2);
    EXPECT_TRUE(model.checkedRows().empty());

    model.clear();
    EXPECT_EQ(model.rowCount(), 0);
}

TEST(FillWordList, AppendsInResultOrderKeepsRowsOnFailureAndNeedsAConnection)
{
    WordListModel model;
    const Result<int> none = FillWordList(nullptr, CourseStatement(u"k"_qs), model);
    ASSERT_FALSE(none);
    EXPECT_EQ(none.error().Error(), E_POINTER);

    QTemporaryDir dir;
    WriteVocabulary(dir.filePath(QStringLiteral("code.dll")),
                    {{u"one"_qs, u"一"_qs, u"k"_qs}, {u"two"_qs, u"二"_qs, u"k"_qs}, {u"bad"_qs, u"坏"_qs, u"k"_qs}});
    CurrentDirGuard cwd(dir.path());
    WordStore store;
    ASSERT_TRUE(store.Open(u"Data Source=code.dll"_qs));

    const Result<int> all = FillWordList(&store, CourseStatement(u"k"_qs), model);
    ASSERT_TRUE(all);
    EXPECT_EQ(*all, 3);
    EXPECT_EQ(model.count(), 3);

    model.clear();
    const Result<int> failure = FillWordList(
        &store, u"select en, ch from word where case when en = 'bad' then json('x') else 1 end"_qs, model);
    ASSERT_FALSE(failure);
    EXPECT_EQ(failure.error().Error(), ResultCode::StatementFailed);
    ASSERT_EQ(model.count(), 2);
    EXPECT_EQ(model.en(1), u"two"_qs);
}
