#include <gtest/gtest.h>

#include <QFont>
#include <QFontDatabase>

#include "output/lesson/pdfradicals.h"

TEST(PdfRadicals, NotoDrawsRadicalsWithTheGlyphsOfIdeographs)
{
    if (!QFontDatabase::families().contains(u"Noto Sans CJK SC"_qs))
        GTEST_SKIP() << "Noto Sans CJK SC is not installed (fonts-noto-cjk)";
    QFont font;
    font.setFamilies({u"Noto Sans CJK SC"_qs});
    const QHash<char16_t, char16_t> ideographs = IdeographsOfRadicals(font);
    EXPECT_EQ(ideographs.value(u'⼀'), u'一');
    EXPECT_EQ(ideographs.value(u'⽂'), u'文');
    EXPECT_EQ(ideographs.value(u'⻓'), u'长');  // a simplified form, among the supplement's radicals
    EXPECT_EQ(ideographs.value(u'⻚'), u'页');
}

TEST(PdfRadicals, OnlyTheTextMapsGlyphsAreRenamedInPlace)
{
    const QByteArray map = "<0001> <0003> [<2F00> <0041> <2ED3> ]\n"
                           "<0004> <0004> <2F08>\n"
                           "<0005> <0006> <2F08>\n";  // two glyphs after two codes: not one ideograph
    QByteArray pdf = "4 0 obj\n<< /ToUnicode 5 0 R>>\nendobj\n"
                     "6 0 obj\n<< /Length 6 >>\nstream\n<2F00>\nendstream\nendobj\n"
                     "5 0 obj\n<< /Length " + QByteArray::number(map.size()) + " >>\nstream\n" + map + "endstream\nendobj\n";
    const QByteArray expected = QByteArray(pdf)
                                    .replace("[<2F00> <0041> <2ED3> ]", "[<4E00> <0041> <957F> ]")
                                    .replace("<0004> <0004> <2F08>", "<0004> <0004> <4EBA>");
    NameGlyphsAfterIdeographs(pdf, {{u'⼀', u'一'}, {u'⻓', u'长'}, {u'⼈', u'人'}});
    EXPECT_EQ(pdf, expected);
}
