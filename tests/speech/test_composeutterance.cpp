#include <gtest/gtest.h>

#include <QString>

#include "speech/composeutterance.h"
#include "speech/platform/readingmark.h"

namespace {

struct Case
{
    const char* en;
    const char* ch;
    SpeechOptions options;
    const char* expected;  // "_" stands for the ideographic space U+3000
};

QString Expected(const char* text)
{
    return QString::fromUtf8(text).replace(u'_', QChar(0x3000));
}

void Check(const Case& c)
{
    EXPECT_EQ(ComposeUtterance(QString::fromUtf8(c.en), QString::fromUtf8(c.ch), c.options),
              Expected(c.expected))
        << c.en << " / " << c.ch << " spell=" << c.options.spellOut
        << " meaning=" << c.options.chineseMeaning << " prefix=" << c.options.prefix;
}

constexpr SpeechOptions kNone{};
constexpr SpeechOptions kSpell{true, false, false};
constexpr SpeechOptions kMeaning{false, true, false};
constexpr SpeechOptions kPrefix{false, false, true};
constexpr SpeechOptions kAll{true, true, true};

} // namespace

TEST(ComposeUtterance, OptionsTableForApple)
{
    const Case cases[] = {
        {"Apple", "苹果", kNone, "apple;; ;"},
        {"Apple", "苹果", kSpell, "apple;a_p_p_l_e_; ;"},
        {"Apple", "苹果", kMeaning, "apple;;苹果 ;"},
        {"Apple", "苹果", kPrefix, "单词:apple;; ;"},
        {"Apple", "苹果", {false, true, true}, "单词:apple;;苹果 ;"},
        {"Apple", "苹果", kAll, "单词:apple;拼写:a_p_p_l_e_;苹果 ;"},
    };
    for (const Case& c : cases)
        Check(c);
}

TEST(ComposeUtterance, PhrasesAreNeverSpelled)
{
    const Case cases[] = {
        {"look at", "看", kNone, "look at;"},
        {"look at", "看", kAll, "短语:look at;看 ;"},
        {"look at", "看", kSpell, "look at;"},
        // A leading or trailing space makes a phrase too.
        {" go", "去", kAll, "短语: go;去 ;"},
        {"go ", "去", kPrefix, "短语:go ;"},
        // An empty explanation still gets its closing separator.
        {"look at", "", kMeaning, "look at; ;"},
    };
    for (const Case& c : cases)
        Check(c);
}

TEST(ComposeUtterance, SpelledLettersDropOnlyHyphens)
{
    const Case cases[] = {
        {"T-shirt", "T恤衫", kSpell, "t-shirt;t_s_h_i_r_t_; ;"},
        {"CD", "光盘", kSpell, "cd;c_d_; ;"},
        {"o'clock", "点钟", kSpell, "o'clock;o_'_c_l_o_c_k_; ;"},
        {"mp3", "", kSpell, "mp3;m_p_3_; ;"},
        {"a.m.", "上午", kSpell, "a.m.;a_._m_._; ;"},
        // A Chinese character, and one outside the basic plane, is one letter.
        {"x汉𠀀", "", kSpell, "x汉𠀀;x_汉_𠀀_; ;"},
    };
    for (const Case& c : cases)
        Check(c);
}

TEST(ComposeUtterance, ExplanationsAndEmptyPieces)
{
    const Case cases[] = {
        {"above", "在…之上", kMeaning, "above;;在什么之上 ;"},
        {"put", "把…放在…", kMeaning, "put;;把什么放在什么 ;"},
        // Without the meaning the explanation goes whole, placeholders and all.
        {"above", "在…之上", kSpell, "above;a_b_o_v_e_; ;"},
        {"", "", kNone, ";; ;"},
        {"", "", kAll, "单词:;拼写:; ;"},
        {"apple", "", kAll, "单词:apple;拼写:a_p_p_l_e_; ;"},
    };
    for (const Case& c : cases)
        Check(c);
}

TEST(ComposeUtterance, TheDefaultStyleSaysWhatItAlwaysSaid)
{
    for (const SpeechOptions options : {kNone, kSpell, kMeaning, kPrefix, kAll}) {
        for (const char* en : {"Apple", "look at", "t-shirt", ""}) {
            const QString plain = ComposeUtterance(QString::fromUtf8(en), u"苹果…"_qs, options);
            EXPECT_EQ(ComposeUtterance(QString::fromUtf8(en), u"苹果…"_qs, options, {}), plain) << en;
        }
    }
}

TEST(ComposeUtterance, RepeatsAndPausesEndEachPartWithAMark)
{
    const QString p = PauseMark(1500);
    EXPECT_EQ(p, QString(kPauseMarkStart) + u"1500"_qs + kPauseMarkEnd);
    const UtteranceStyle twice{2, 1500, {}};
    EXPECT_EQ(ComposeUtterance(u"Apple"_qs, u"苹果"_qs, kAll, twice),
              u"单词:apple;"_qs + p + u"apple;"_qs + p + Expected("拼写:a_p_p_l_e_;") + p + u"苹果 ;"_qs);
    // Empty parts leave no pause behind; a phrase is repeated but never spelled.
    EXPECT_EQ(ComposeUtterance(u"apple"_qs, {}, kAll, twice), u"单词:apple;"_qs + p + u"apple;"_qs + p
                                                                    + Expected("拼写:a_p_p_l_e_;"));
    EXPECT_EQ(ComposeUtterance(u"look at"_qs, u"看"_qs, kAll, twice),
              u"短语:look at;"_qs + p + u"look at;"_qs + p + u"看 ;"_qs);
    // Repeats without a pause of their own take a part's usual pause.
    EXPECT_EQ(ComposeUtterance(u"go"_qs, {}, kNone, {3, std::nullopt, {}}),
              u"go;"_qs + PauseMark(kPartPauseMs) + u"go;"_qs + PauseMark(kPartPauseMs) + u"go;"_qs);
    EXPECT_EQ(PauseMark(-5), PauseMark(0));
    EXPECT_EQ(PauseMark(99999), PauseMark(kMaxPauseMs));
}

TEST(ComposeUtterance, ASpokenHeadwordReplacesTheWordButNotItsLetters)
{
    const UtteranceStyle fixed{1, std::nullopt, u"[[l'i:d]]"_qs};
    EXPECT_EQ(ComposeUtterance(u"Lead"_qs, u"领导"_qs, kAll, fixed), Expected("单词:[[l'i:d]];拼写:l_e_a_d_;领导 ;"));
    // No list can smuggle a pause mark in.
    const QString smuggled = u"a"_qs + PauseMark(10) + u"b"_qs;
    EXPECT_EQ(ComposeUtterance(smuggled, smuggled, kMeaning), u"a10b;;a10b ;"_qs);
    // Nor a reading.
    EXPECT_EQ(ComposeUtterance(u"x"_qs, ReadingMark(u"银行", u"bank"), kMeaning), u"x;;银行bank ;"_qs);
    EXPECT_EQ(ComposeUtterance(u"x"_qs, u"[[h@'loU]]"_qs, kMeaning), u"x;;[ [h@'loU]] ;"_qs);
}
