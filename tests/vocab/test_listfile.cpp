// Word files as teachers have them: UTF-8 with and without a BOM, UTF-16, a Chinese Windows'
// GB18030, CSV and TSV, .xlsx and .xls, and what is no text at all.

#include <zip.h>

#include <QStringEncoder>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "vocab/listfile.h"
#include "vocab/listtext.h"
#include "vocabfixture.h"

namespace {

const QString kWords = u"1. apple 苹果\n2. look after\n3. 香蕉 banana\n"_qs;

class ListFileTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }

    QString file(const QString& name, const QByteArray& bytes) const
    {
        const QString path = m_dir.filePath(name);
        WriteBytes(path, bytes);
        return path;
    }

    /// An .xlsx as a spreadsheet program writes one: shared strings, inline strings, numbers,
    /// a rich-text run and a third column; the first sheet is not named sheet1.xml.
    QString xlsx(const QString& name) const
    {
        const QString path = m_dir.filePath(name);
        int error = 0;
        zip_t* zip = zip_open(path.toUtf8().constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
        EXPECT_NE(zip, nullptr);
        const auto add = [zip](const char* part, const QByteArray& xml) {
            // libzip keeps the buffer until the archive is closed.
            auto* copy = static_cast<char*>(malloc(std::size_t(xml.size())));
            memcpy(copy, xml.constData(), std::size_t(xml.size()));
            zip_source_t* source = zip_source_buffer(zip, copy, zip_uint64_t(xml.size()), 1);
            EXPECT_GE(zip_file_add(zip, part, source, ZIP_FL_ENC_UTF_8), 0);
        };
        add("[Content_Types].xml", R"(<?xml version="1.0"?><Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types"/>)");
        add("xl/workbook.xml", R"(<?xml version="1.0"?>
<workbook xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"
 xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships">
<sheets><sheet name="第一周" sheetId="1" r:id="rId7"/><sheet name="Other" sheetId="2" r:id="rId8"/></sheets></workbook>)");
        add("xl/_rels/workbook.xml.rels", R"(<?xml version="1.0"?>
<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">
<Relationship Id="rId8" Type="worksheet" Target="worksheets/sheet1.xml"/>
<Relationship Id="rId7" Type="worksheet" Target="worksheets/week.xml"/></Relationships>)");
        add("xl/sharedStrings.xml", R"(<?xml version="1.0"?>
<sst xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main">
<si><t>单词</t></si><si><t>释义</t></si><si><t>apple</t></si><si><t>苹果</t></si>
<si><r><t>look </t></r><r><rPr><b/></rPr><t>after</t></r></si><si><t>照顾</t><rPh><t>zhao</t></rPh></si>
<si><t>Unit 1</t></si></sst>)");
        add("xl/worksheets/week.xml", R"(<?xml version="1.0"?>
<worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><sheetData>
<row r="1"><c r="A1" t="s"><v>0</v></c><c r="B1" t="s"><v>1</v></c></row>
<row r="2"><c r="A2" t="s"><v>2</v></c><c r="B2" t="s"><v>3</v></c><c r="C2" t="s"><v>6</v></c></row>
<row r="3"><c r="A3" t="s"><v>4</v></c><c r="B3" t="s"><v>5</v></c></row>
<row r="5"><c r="A5" t="inlineStr"><is><t>banana</t></is></c></row>
<row r="6"><c r="B6" t="inlineStr"><is><t>只有释义</t></is></c></row>
<row r="7"><c r="A7"><v>42</v></c><c r="B7" t="str"><v>公式</v></c></row>
</sheetData></worksheet>)");
        add("xl/worksheets/sheet1.xml", R"(<?xml version="1.0"?>
<worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><sheetData>
<row r="1"><c r="A1" t="inlineStr"><is><t>wrong sheet</t></is></c></row></sheetData></worksheet>)");
        EXPECT_EQ(zip_close(zip), 0);
        return path;
    }

    QTemporaryDir m_dir;
};

QStringList words(const QString& text)
{
    QStringList result;
    for (const ListTextLine& line : ParseListText(text).words)
        result.append(line.word + u'=' + line.meaning);
    return result;
}

const QStringList kParsed{u"apple=苹果"_qs, u"look after="_qs, u"banana=香蕉"_qs};

} // namespace

TEST_F(ListFileTest, ReadsEachTextEncoding)
{
    QStringEncoder gb18030("GB18030");
    ASSERT_TRUE(gb18030.isValid()) << "Qt has no GB18030 converter here";
    const QByteArray gb = gb18030.encode(kWords);
    ASSERT_NE(gb, kWords.toUtf8());
    QStringEncoder utf16le(QStringConverter::Utf16LE, QStringConverter::Flag::WriteBom);
    QStringEncoder utf16be(QStringConverter::Utf16BE, QStringConverter::Flag::WriteBom);
    const struct
    {
        const char* name;
        QByteArray bytes;
    } files[] = {
        {"utf8.txt", kWords.toUtf8()},
        {"bom.txt", "\xEF\xBB\xBF" + kWords.toUtf8()},
        {"utf16le.txt", utf16le.encode(kWords)},
        {"utf16be.txt", utf16be.encode(kWords)},
        {"notepad.txt", gb},
        {"crlf.txt", QByteArray(gb).replace("\n", "\r\n")},
    };
    for (const auto& [name, bytes] : files) {
        int last = -1;
        const Result<QString> text = ReadListFile(file(QString::fromUtf8(name), bytes), [&last](int p) { last = p; });
        ASSERT_TRUE(text) << name << ": " << qPrintable(text.error().ErrorMessage());
        EXPECT_EQ(words(*text), kParsed) << name;
        EXPECT_EQ(last, 100) << name;
    }
    // GB18030 beyond GBK: a character of its four-byte range.
    const QString rare = u"kiwi 猕猴桃\U00020000\n"_qs;
    const Result<QString> text = ReadListFile(file(u"rare.txt"_qs, QStringEncoder("GB18030").encode(rare)));
    ASSERT_TRUE(text);
    EXPECT_EQ(*text, rare);
}

TEST_F(ListFileTest, ReadsCsvAndTsvWithAndWithoutAHeader)
{
    const struct
    {
        const char* name;
        QByteArray bytes;
    } files[] = {
        {"headed.csv", "en,ch,subclass\napple,苹果,Unit 1\n\"look after\",\"照顾, 照看\",Unit 1\n"},
        {"bare.csv", "apple,苹果\nlook after,\"照顾, 照看\"\n"},
        {"headed.tsv", "单词\t释义\napple\t苹果\nlook after\t照顾, 照看\n"},
        {"bare.tsv", "apple\t苹果\nlook after\t照顾, 照看\n"},
    };
    for (const auto& [name, bytes] : files) {
        const Result<QString> text = ReadListFile(file(QString::fromUtf8(name), bytes));
        ASSERT_TRUE(text) << name;
        EXPECT_EQ(words(*text), (QStringList{u"apple=苹果"_qs, u"look after=照顾, 照看"_qs})) << name;
    }
}

TEST_F(ListFileTest, ReadsTheFirstSheetsFirstTwoColumnsOfAnXlsx)
{
    const Result<QString> text = ReadListFile(xlsx(u"week.xlsx"_qs));
    ASSERT_TRUE(text) << qPrintable(text.error().ErrorMessage());
    EXPECT_EQ(*text, u"单词\t释义\napple\t苹果\nlook after\t照顾\nbanana\n\t只有释义\n42\t公式"_qs);
    EXPECT_EQ(words(*text), (QStringList{u"apple=苹果"_qs, u"look after=照顾"_qs, u"banana="_qs}));
}

TEST_F(ListFileTest, RefusesWhatIsNoWordFile)
{
    // A picture, a program, a damaged spreadsheet of either kind, a zip that is no workbook.
    QByteArray png("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16);
    png += QByteArray(200, '\x01');
    QByteArray elf("\x7f" "ELF\x02\x01\x01", 7);
    elf += QByteArray(100, '\0');
    const QString notText[] = {file(u"picture.txt"_qs, png), file(u"program"_qs, elf)};
    for (const QString& path : notText) {
        const Result<QString> text = ReadListFile(path);
        ASSERT_FALSE(text) << qPrintable(path);
        EXPECT_EQ(text.error().Error(), ResultCode::ListNotText);
        EXPECT_TRUE(text.error().ErrorMessage().contains(path));
    }
    // An .xls is read by FreeXL; one that is damaged past its signature is refused by it.
    const QString xls = file(u"old.xls"_qs, QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + QByteArray(1024, '\0'));
    const QString zip = file(u"broken.xlsx"_qs, QByteArray("PK\x03\x04", 4) + QByteArray(64, 'x'));
    for (const QString& path : {xls, zip}) {
        const Result<QString> text = ReadListFile(path);
        ASSERT_FALSE(text) << qPrintable(path);
        EXPECT_EQ(text.error().Error(), ResultCode::ImportSourceUnreadable);
        EXPECT_TRUE(text.error().ErrorMessage().contains(path));
    }
    EXPECT_EQ(ReadListFile(m_dir.filePath(u"missing.txt"_qs)).error().Error(), ResultCode::FileNotFound);
    EXPECT_EQ(ReadListFile(m_dir.path()).error().Error(), ResultCode::ListNotText);
    // An empty file is a text of no words, for the caller to refuse as an empty list.
    EXPECT_EQ(*ReadListFile(file(u"empty.txt"_qs, {})), QString());
}
