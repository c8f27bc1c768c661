// A teacher's words as typed, pasted or saved: each shape of line, numbering, headers,
// duplicates and refused lines; meanings looked up in course order.

#include <QElapsedTimer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "vocab/listtext.h"
#include "vocab/meaninglookup.h"
#include "vocab/vocabularylocation.h"
#include "vocab/wordstore.h"
#include "vocabfixture.h"

namespace {

struct Pair
{
    QString word;
    QString meaning;
    bool operator==(const Pair&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Pair& pair)
{
    return out << pair.word.toStdString() << " | " << pair.meaning.toStdString();
}

std::vector<Pair> pairs(const ListText& text)
{
    std::vector<Pair> result;
    for (const ListTextLine& line : text.words)
        result.push_back({line.word, line.meaning});
    return result;
}

} // namespace

TEST(ParseListText, TakesEachShapeOfLine)
{
    const struct
    {
        QString line;
        Pair pair;
    } shapes[] = {
        {u"apple"_qs, {u"apple"_qs, {}}},
        {u"  look after  "_qs, {u"look after"_qs, {}}},
        {u"apple\t苹果"_qs, {u"apple"_qs, u"苹果"_qs}},
        {u"apple,苹果"_qs, {u"apple"_qs, u"苹果"_qs}},
        {u"apple，苹果，苹果树"_qs, {u"apple"_qs, u"苹果，苹果树"_qs}},
        {u"\"well, done\",干得好"_qs, {u"well, done"_qs, u"干得好"_qs}},
        {u"take care of  照顾；关心"_qs, {u"take care of"_qs, u"照顾；关心"_qs}},
        {u"apple苹果"_qs, {u"apple"_qs, u"苹果"_qs}},
        {u"look forward to 期待，盼望"_qs, {u"look forward to"_qs, u"期待，盼望"_qs}},
        {u"apple n. 苹果"_qs, {u"apple"_qs, u"n. 苹果"_qs}},
        {u"apple /ˈæpl/ n. 苹果"_qs, {u"apple"_qs, u"n. 苹果"_qs}},
        {u"apple [ˈæpl] 苹果"_qs, {u"apple"_qs, u"苹果"_qs}},
        {u"apple - 苹果"_qs, {u"apple"_qs, u"苹果"_qs}},
        {u"apple：苹果"_qs, {u"apple"_qs, u"苹果"_qs}},
        {u"苹果 apple"_qs, {u"apple"_qs, u"苹果"_qs}},
        {u"苹果\tapple"_qs, {u"apple"_qs, u"苹果"_qs}},
        {u"apple （名词）苹果"_qs, {u"apple"_qs, u"（名词）苹果"_qs}},
        // Spreadsheet rows: a number column, empty cells, more columns than two.
        {u"7\tapple\t苹果\tUnit 1"_qs, {u"apple"_qs, u"苹果"_qs}},
        {u"apple\t\t苹果"_qs, {u"apple"_qs, u"苹果"_qs}},
        // Numbering as teachers type it.
        {u"1. apple"_qs, {u"apple"_qs, {}}},
        {u"12) apple 苹果"_qs, {u"apple"_qs, u"苹果"_qs}},
        {u"3、apple"_qs, {u"apple"_qs, {}}},
        {u"(4) apple"_qs, {u"apple"_qs, {}}},
        {u"①apple"_qs, {u"apple"_qs, {}}},
        {u"5 apple"_qs, {u"apple"_qs, {}}},
        {u"6.apple,苹果"_qs, {u"apple"_qs, u"苹果"_qs}},
        {u"\uFEFFapple"_qs, {u"apple"_qs, {}}},
        {u"o'clock"_qs, {u"o'clock"_qs, {}}},
        {u"T-shirt  T恤衫"_qs, {u"T-shirt"_qs, u"T恤衫"_qs}},
    };
    for (const auto& [line, pair] : shapes) {
        const ListText text = ParseListText(line);
        ASSERT_EQ(text.words.size(), 1) << qPrintable(line);
        EXPECT_EQ(pairs(text).front(), pair) << qPrintable(line);
        EXPECT_TRUE(text.ignoredLines.isEmpty()) << qPrintable(line);
    }
}

TEST(ParseListText, IgnoresLinesWithoutAWordAndSkipsAHeaderAndBlankLines)
{
    const ListText text = ParseListText(u"en,ch,subclass\r\napple,苹果,Unit 1\r\n\r\n第一单元\r\n12.\r\n-----\r\n"
                                        u"   \r\nbanana\r\n"_qs);
    EXPECT_EQ(pairs(text), (std::vector<Pair>{{u"apple"_qs, u"苹果"_qs}, {u"banana"_qs, {}}}));
    EXPECT_EQ(text.ignoredLines, (QList<int>{4, 5, 6}));
    EXPECT_EQ(text.words[0].number, 2);
    EXPECT_EQ(text.words[1].number, 8);

    for (const QString& header : {u"单词\t释义"_qs, u"English,Chinese"_qs, u"Word"_qs, u"\uFEFFen\tch"_qs}) {
        const ListText headed = ParseListText(header + u"\nlemon\t柠檬"_qs);
        EXPECT_EQ(pairs(headed), (std::vector<Pair>{{u"lemon"_qs, u"柠檬"_qs}})) << qPrintable(header);
        EXPECT_TRUE(headed.ignoredLines.isEmpty()) << qPrintable(header);
    }
    // Only the first line is a header: a later "word" is a word.
    EXPECT_EQ(ParseListText(u"apple\nword\n"_qs).words.size(), 2);
}

TEST(ParseListText, MergesDuplicatesKeepingTheFirstAndFillingItsMeaning)
{
    const ListText text = ParseListText(u"apple\nbanana 香蕉\napple 苹果\n2. Apple\napple 苹果树\nbanana\n"_qs);
    EXPECT_EQ(pairs(text), (std::vector<Pair>{{u"apple"_qs, u"苹果"_qs}, {u"banana"_qs, u"香蕉"_qs},
                                              {u"Apple"_qs, {}}}))
        << "a capital is kept apart: China is not china";
    EXPECT_EQ(text.duplicatesMerged, 3);
    EXPECT_EQ(text.words[0].number, 1);
}

TEST(ParseListText, RefusesLinesOver200CharactersByNumberAndKeepsTheRest)
{
    const QString longLine = u"a"_qs.repeated(201);
    const ListText text = ParseListText(u"apple\n"_qs + longLine + u"\nbanana\n"_qs + u"词"_qs.repeated(200) + u"x\n"_qs
                                        + u"b"_qs.repeated(200) + u"\n"_qs);
    EXPECT_EQ(text.tooLongLines, (QList<int>{2, 4}));
    ASSERT_EQ(text.words.size(), 3);
    EXPECT_EQ(text.words[2].word.size(), 200);
}

TEST(ParseListText, TwentyThousandLinesInWellUnderTwoSeconds)
{
    QString text;
    for (int i = 0; i < 20000; ++i)
        text += QString::number(i + 1) + u". word"_qs + QString::number(i % 15000) + u"  词义"_qs + QString::number(i) + u"\r\n"_qs;
    QElapsedTimer clock;
    clock.start();
    const ListText parsed = ParseListText(text);
    EXPECT_LT(clock.elapsed(), 2000);
    EXPECT_EQ(parsed.words.size(), 15000);
    EXPECT_EQ(parsed.duplicatesMerged, 5000);
}

TEST(MeaningLookup, ExactThenCaseThenSpacingAndPunctuationFirstInCourseOrder)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"code.dll"_qs);
    // File order is not course order: the later book of the tree and the vocabulary's own
    // course come first in the file.
    WriteVocabulary(path, {
                              {u"apple"_qs, u"苹果（自编）"_qs, u"My course"_qs},
                              {u"apple"_qs, u"苹果（初中）"_qs, u"人教版初中英语第一册"_qs},
                              {u"apple"_qs, u"苹果（小学）"_qs, u"人教版小学英语第一册"_qs},
                              {u"China"_qs, u"中国"_qs, u"人教版初中英语第一册"_qs},
                              {u"china"_qs, u"瓷器"_qs, u"人教版初中英语第二册"_qs},
                              {u"Ice-cream"_qs, u"冰淇淋"_qs, u"人教版初中英语第一册"_qs},
                              {u"o'clock"_qs, u"…点钟"_qs, u"人教版初中英语第一册"_qs},
                              {u"empty"_qs, QString(), u"人教版小学英语第一册"_qs},
                              {u"empty"_qs, u"空的"_qs, u"人教版初中英语第一册"_qs},
                              {u"orphan"_qs, u"孤儿"_qs, std::nullopt},
                          });
    WordStore store;
    ASSERT_TRUE(store.Open(VocabularyConnectionString(path)));
    const MeaningLookup lookup(&store);

    EXPECT_EQ(lookup.Find(u"apple"_qs), u"苹果（小学）"_qs);
    EXPECT_EQ(lookup.Find(u"china"_qs), u"瓷器"_qs) << "an exact match before a case-insensitive one";
    EXPECT_EQ(lookup.Find(u"CHINA"_qs), u"中国"_qs);
    EXPECT_EQ(lookup.Find(u"ice cream"_qs), u"冰淇淋"_qs);
    EXPECT_EQ(lookup.Find(u"icecream."_qs), u"冰淇淋"_qs);
    EXPECT_EQ(lookup.Find(u"o’clock"_qs), u"…点钟"_qs);
    EXPECT_EQ(lookup.Find(u"  apple  "_qs), u"苹果（小学）"_qs);
    EXPECT_EQ(lookup.Find(u"empty"_qs), u"空的"_qs) << "a row without a meaning gives none";
    EXPECT_EQ(lookup.Find(u"orphan"_qs), u"孤儿"_qs);
    EXPECT_EQ(lookup.Find(u"zyzzyva"_qs), std::nullopt);
    EXPECT_EQ(lookup.Find(u"..."_qs), std::nullopt);

    EXPECT_EQ(MeaningLookup(nullptr).Find(u"apple"_qs), std::nullopt);
    WordStore closed;
    EXPECT_EQ(MeaningLookup(&closed).Find(u"apple"_qs), std::nullopt);
}
