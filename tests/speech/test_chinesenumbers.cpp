#include <gtest/gtest.h>

#include "speech/chinesenumbers.h"

namespace {

TEST(ChineseNumbers, SayAListPlaceAsATeacherSaysIt)
{
    const struct
    {
        int n;
        const char16_t* said;
        const char* pinyin;
    } cases[] = {
        {1, u"一", "yi1"},
        {2, u"二", "er4"},
        {10, u"十", "shi2"},
        {11, u"十一", "shi2 yi1"},
        {20, u"二十", "er4 shi2"},
        {101, u"一百零一", "yi4 bai3 ling2 yi1"},
        {110, u"一百一十", "yi4 bai3 yi1 shi2"},
        {1000, u"一千", "yi4 qian1"},
        {1010, u"一千零一十", "yi4 qian1 ling2 yi1 shi2"},
        {1603, u"一千六百零三", "yi4 qian1 liu4 bai3 ling2 san1"},
        {10000, u"一万", "yi2 wan4"},
        {10010, u"一万零一十", "yi2 wan4 ling2 yi1 shi2"},
        {768118, u"七十六万八千一百一十八", "qi1 shi2 liu4 wan4 ba1 qian1 yi4 bai3 yi1 shi2 ba1"},
        {0, u"零", "ling2"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ChineseNumeral(c.n), QString::fromUtf16(c.said)) << c.n;
        EXPECT_EQ(ChineseNumeralPinyin(c.n), QString::fromLatin1(c.pinyin)) << c.n;
    }
    // The ordinal's 一 is read as counted, not as in the word 一个.
    EXPECT_TRUE(SpokenOrdinal(1).contains(u"第一个"_qs));
    EXPECT_TRUE(SpokenOrdinal(1).contains(u"di4 yi1 ge4"_qs));
}

} // namespace
