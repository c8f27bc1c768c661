#include <gtest/gtest.h>

#include <sys/resource.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "output/lesson/answersheet.h"

namespace {

const QDate kDate(2024, 9, 2);
const QString kTitle = u"中考词汇 听写"_qs;

// What a poppler tool prints; empty when it failed.
QString Poppler(const QString& tool, QStringList arguments)
{
    QProcess process;
    process.start(tool, arguments);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return {};
    return QString::fromUtf8(process.readAllStandardOutput());
}

QString Text(const QString& pdf)
{
    return Poppler(u"pdftotext"_qs, {u"-layout"_qs, u"-enc"_qs, u"UTF-8"_qs, pdf, u"-"_qs});
}

int PageCount(const QString& pdf)
{
    const QString info = Poppler(u"pdfinfo"_qs, {pdf});
    const QRegularExpressionMatch pages = QRegularExpression(u"^Pages:\\s+(\\d+)$"_qs, QRegularExpression::MultilineOption).match(info);
    return pages.hasMatch() ? pages.captured(1).toInt() : 0;
}

// "第 1 页 / 共 3 页", however pdftotext spaces it: it may leave out the narrow spaces between
// Chinese characters.
QRegularExpression PageFooter(int page, int pages)
{
    return QRegularExpression(u"第\\s*%1\\s*页\\s*/\\s*共\\s*%2\\s*页"_qs.arg(page).arg(pages));
}

std::vector<LessonWord> Lesson(int count)
{
    std::vector<LessonWord> words;
    for (int i = 1; i <= count; ++i)
        words.push_back({i, u"word%1"_qs.arg(i, 3, 10, QChar(u'0')), u"意思%1"_qs.arg(i, 3, 10, QChar(u'0')), QString()});
    return words;
}

// Where each of `needles` is in `text`, each looked for after the one before; -1 from the first
// one missing or out of order on.
qsizetype InOrder(const QString& text, const QStringList& needles)
{
    qsizetype at = 0;
    for (const QString& needle : needles) {
        at = text.indexOf(needle, at);
        if (at < 0)
            return -1;
        at += needle.size();
    }
    return at;
}

// Every entry of a folder, hidden ones too.
QStringList Everything(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}

class AnswerSheet : public testing::Test
{
protected:
    void SetUp() override
    {
        for (const QString& tool : {u"pdftotext"_qs, u"pdfinfo"_qs, u"pdffonts"_qs}) {
            if (QStandardPaths::findExecutable(tool).isEmpty())
                GTEST_SKIP() << tool.toStdString() << " is not installed (poppler-utils): the sheets cannot be read back";
        }
        ASSERT_TRUE(m_dir.isValid());
    }

    QString Write(LessonOptions::Sheet kind, const std::vector<LessonWord>& words, const QString& name = u"sheet.pdf"_qs)
    {
        const QString path = m_dir.filePath(name);
        const Result<void> written = WriteAnswerSheet(path, kind, kTitle, kDate, words);
        EXPECT_TRUE(written) << (written ? "" : written.error().what());
        return path;
    }

    QTemporaryDir m_dir;
};

} // namespace

TEST_F(AnswerSheet, TheKeyListsNumberWordAndMeaningRowByRow)
{
    const QString text = Text(Write(kKeySheet, {{1, u"apple"_qs, u"n. 苹果"_qs, {}},
                                                     {2, u"bank"_qs, u"n. 银行；\n河岸\t(地理)"_qs, {}},
                                                     {3, u"look after"_qs, u"照顾"_qs, {}}}));
    ASSERT_FALSE(text.isEmpty());
    EXPECT_GE(InOrder(text, {kTitle, u"2024-09-02"_qs, u"序号"_qs, u"单词"_qs, u"中文"_qs}), 0) << qPrintable(text);
    // A line break or tab inside a meaning is a space on the sheet: each word stays one row.
    // (pdftotext may leave out a narrow space beside a Chinese character.)
    for (const QString& row : {u"1 +apple +n\\. *苹果"_qs, u"2 +bank +n\\. *银行； *河岸 *\\(地理\\)"_qs, u"3 +look after +照顾"_qs})
        EXPECT_TRUE(text.contains(QRegularExpression(u"^ *"_qs + row + u" *$"_qs, QRegularExpression::MultilineOption)))
            << row.toStdString() << "\n" << qPrintable(text);
    EXPECT_GE(InOrder(text, {u"apple"_qs, u"bank"_qs, u"look after"_qs}), 0) << qPrintable(text);
    EXPECT_TRUE(text.contains(PageFooter(1, 1))) << qPrintable(text);
    EXPECT_FALSE(text.contains(u"姓名"_qs));  // the key is the teacher's
}

TEST_F(AnswerSheet, ClassSheetsKeepTheAnswersOff)
{
    const std::vector<LessonWord> words = Lesson(12);
    const QString blank = Text(Write(LessonOptions::Sheet::Blank, words, u"blank.pdf"_qs));
    const QString chinese = Text(Write(LessonOptions::Sheet::Chinese, words, u"chinese.pdf"_qs));
    ASSERT_FALSE(blank.isEmpty());
    ASSERT_FALSE(chinese.isEmpty());
    for (const QString& text : {blank, chinese}) {
        EXPECT_FALSE(text.contains(u"word"_qs)) << qPrintable(text);
        EXPECT_GE(InOrder(text, {kTitle, u"2024-09-02"_qs, u"姓名："_qs, u"班级："_qs}), 0) << qPrintable(text);
        for (const LessonWord& word : words)
            EXPECT_TRUE(text.contains(QRegularExpression(u"(^| )%1\\.( |$)"_qs.arg(word.number), QRegularExpression::MultilineOption)))
                << word.number << "\n" << qPrintable(text);
    }
    EXPECT_FALSE(blank.contains(u"意思"_qs)) << qPrintable(blank);
    QStringList meanings;
    for (const LessonWord& word : words)
        meanings << word.meaning;
    EXPECT_GE(InOrder(chinese, meanings), 0) << qPrintable(chinese);
}

TEST_F(AnswerSheet, ALongLessonRunsOverPagesWithEveryWordOnceInOrder)
{
    const std::vector<LessonWord> words = Lesson(200);
    for (const LessonOptions::Sheet kind : {kKeySheet, LessonOptions::Sheet::Chinese, LessonOptions::Sheet::Blank}) {
        const QString pdf = Write(kind, words);
        const QString text = Text(pdf);
        const int pages = PageCount(pdf);
        SCOPED_TRACE(int(kind));
        EXPECT_GT(pages, 1);
        for (int page = 1; page <= pages; ++page)
            EXPECT_EQ(text.count(PageFooter(page, pages)), 1) << page;
        EXPECT_FALSE(text.contains(PageFooter(pages + 1, pages)));
        EXPECT_EQ(text.count(kTitle), pages);  // the title on every page
        EXPECT_EQ(text.count(u"姓名"_qs), kind == kKeySheet ? 0 : 1);  // the name once, on the first
        QStringList inOrder;
        for (const LessonWord& word : words) {
            const QString shown = kind == kKeySheet ? word.headword : word.meaning;
            if (kind != LessonOptions::Sheet::Blank) {
                EXPECT_EQ(text.count(shown), 1) << shown.toStdString();
                inOrder << shown;
            } else {
                EXPECT_EQ(text.count(QRegularExpression(u"(^| )%1\\.( |$)"_qs.arg(word.number), QRegularExpression::MultilineOption)), 1) << word.number;
            }
        }
        EXPECT_GE(InOrder(text, inOrder), 0);
    }
}

TEST_F(AnswerSheet, LongTextsWrapWithinTheirRow)
{
    const QString word = u"pneumonoultramicroscopicsilicovolcanoconiosis"_qs;
    const QString meaning = u"n. 一种因吸入极细的硅酸盐或石英粉尘而引起的肺部疾病，也就是矽肺病；常被引作英语中最长的单词之一"_qs;
    const QString text = Text(Write(kKeySheet, {{1, word, meaning, {}}, {2, u"pear"_qs, u"n. 梨"_qs, {}}, {3, u"a"_qs, meaning.repeated(8), {}}}));
    ASSERT_FALSE(text.isEmpty());
    // Wrapped, not clipped: the word's pieces, line by line, make the whole word.
    QString pieces;
    for (const QString& token : text.split(QRegularExpression(u"\\s+"_qs))) {
        if (token.size() > 3 && word.contains(token))
            pieces += token;
    }
    EXPECT_EQ(pieces, word) << qPrintable(text);
    // The row after a long one keeps a line of its own.
    EXPECT_TRUE(text.contains(QRegularExpression(u"^ *2 +pear +n\\. 梨 *$"_qs, QRegularExpression::MultilineOption))) << qPrintable(text);
    // A meaning too long for a few lines is cut short, not run over the next row.
    EXPECT_TRUE(text.contains(u"…"_qs)) << qPrintable(text);
    EXPECT_LT(text.count(u"矽肺病"_qs), 9);
}

TEST_F(AnswerSheet, EveryFontIsEmbedded)
{
    for (const LessonOptions::Sheet kind : {kKeySheet, LessonOptions::Sheet::Blank, LessonOptions::Sheet::Chinese}) {
        const QString fonts = Poppler(u"pdffonts"_qs, {Write(kind, Lesson(3))});
        QStringList lines = fonts.split(u'\n', Qt::SkipEmptyParts);
        ASSERT_GT(lines.size(), 2) << qPrintable(fonts);  // a heading, a rule, the fonts
        const qsizetype emb = lines[0].indexOf(u"emb"_qs);
        ASSERT_GT(emb, 0) << qPrintable(fonts);
        for (const QString& font : lines.mid(2))
            EXPECT_EQ(font.mid(emb, 3), u"yes"_qs) << qPrintable(fonts);
    }
}

TEST_F(AnswerSheet, AMissingFolderFailsAndGetsNothing)
{
    const QString missing = m_dir.filePath(u"gone/sheet.pdf"_qs);
    const Result<void> noFolder = WriteAnswerSheet(missing, kKeySheet, kTitle, kDate, Lesson(3));
    ASSERT_FALSE(noFolder);
    EXPECT_EQ(noFolder.error().Error(), STG_E_PATHNOTFOUND);
    EXPECT_EQ(noFolder.error().Subject(), missing);
    EXPECT_TRUE(Everything(m_dir.path()).isEmpty());
}

TEST_F(AnswerSheet, ASheetThatCannotBeWrittenThereIsRefusedAndLeavesNothing)
{
    // A folder by the sheet's name: refused for every user, root included.
    const QString taken = m_dir.filePath(u"sheet.pdf"_qs);
    ASSERT_TRUE(QDir().mkdir(taken));
    const Result<void> inTheWay = WriteAnswerSheet(taken, kKeySheet, kTitle, kDate, Lesson(3));
    ASSERT_FALSE(inTheWay);
    EXPECT_EQ(inTheWay.error().Error(), STG_E_ACCESSDENIED);
    EXPECT_EQ(Everything(m_dir.path()), QStringList{u"sheet.pdf"_qs});
    EXPECT_TRUE(Everything(taken).isEmpty());

    // A read-only folder: root writes into it anyway, so only other users see the refusal.
    const QString closed = m_dir.filePath(u"closed"_qs);
    ASSERT_TRUE(QDir().mkdir(closed));
    ASSERT_TRUE(QFile::setPermissions(closed, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
    QFile probe(QDir(closed).filePath(u"probe"_qs));
    if (probe.open(QIODevice::WriteOnly)) {
        probe.remove();
        return;
    }
    const Result<void> refused = WriteAnswerSheet(QDir(closed).filePath(u"sheet.pdf"_qs), LessonOptions::Sheet::Blank, kTitle, kDate, Lesson(3));
    ASSERT_FALSE(refused);
    EXPECT_EQ(refused.error().Error(), STG_E_ACCESSDENIED);
    EXPECT_TRUE(Everything(closed).isEmpty());
}

TEST_F(AnswerSheet, AWriteThatFailsLeavesTheOlderSheetAsItWas)
{
    const QString path = m_dir.filePath(u"sheet.pdf"_qs);
    QFile older(path);
    ASSERT_TRUE(older.open(QIODevice::WriteOnly) && older.write("older") == 5);
    older.close();

    // Files of this process may grow to 4 KiB, which no sheet with its fonts fits: writes past
    // it fail with EFBIG, as on a full disk.
    FailWritesPastSizeLimit();
    rlimit limit{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &limit), 0);
    const rlimit small{4096, limit.rlim_max};
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const Result<void> failed = WriteAnswerSheet(path, kKeySheet, kTitle, kDate, Lesson(50));
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limit), 0);

    ASSERT_FALSE(failed);
    EXPECT_EQ(failed.error().Error(), ResultCode::SheetNotWritten);
    EXPECT_TRUE(failed.error().Subject().startsWith(path)) << qPrintable(failed.error().Subject());
    EXPECT_EQ(Everything(m_dir.path()), QStringList{u"sheet.pdf"_qs});
    ASSERT_TRUE(older.open(QIODevice::ReadOnly));
    EXPECT_EQ(older.readAll(), "older");
}


