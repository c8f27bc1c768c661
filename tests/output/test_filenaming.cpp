#include <gtest/gtest.h>

#include "output/filenaming.h"

namespace {

QStringList Words(int count)
{
    QStringList words;
    for (int i = 0; i < count; ++i)
        words << QStringLiteral("w%1").arg(i);
    return words;
}

QString NameOf(const std::vector<std::optional<QString>>& names, std::size_t i)
{
    return names.at(i).value_or(QStringLiteral("<refused>"));
}

} // namespace

// Numbers are padded to the width of the checked row count, so a player's name order is the
// list order.
TEST(FileNaming, NumbersArePaddedToTheCount)
{
    const FileNaming numbered{QStringLiteral("mp3"), true, false};
    for (const auto& [count, first, last] :
         {std::tuple{9, u"1 w0.mp3", u"9 w8.mp3"}, std::tuple{10, u"01 w0.mp3", u"10 w9.mp3"},
          std::tuple{100, u"001 w0.mp3", u"100 w99.mp3"}, std::tuple{1000, u"0001 w0.mp3", u"1000 w999.mp3"}}) {
        SCOPED_TRACE(count);
        const auto names = PlanFileNames(Words(count), numbered);
        ASSERT_EQ(names.size(), static_cast<std::size_t>(count));
        EXPECT_EQ(NameOf(names, 0), QString::fromUtf16(first));
        EXPECT_EQ(NameOf(names, names.size() - 1), QString::fromUtf16(last));
    }
    EXPECT_EQ(NumberWidth(0), 1);
    EXPECT_EQ(NumberWidth(99), 2);

    // A refused row keeps its number's place: the numbers stay the rows' positions.
    const auto names = PlanFileNames({QStringLiteral("a"), QStringLiteral("x/y"), QStringLiteral("b")}, numbered);
    EXPECT_EQ(NameOf(names, 0), QStringLiteral("1 a.mp3"));
    EXPECT_FALSE(names[1].has_value());
    EXPECT_EQ(NameOf(names, 2), QStringLiteral("3 b.mp3"));
}

TEST(FileNaming, CardSafeStemsHoldNothingFatRefuses)
{
    EXPECT_EQ(CardSafeStem(QStringLiteral(R"(a"b*c:d<e>f?g\h|i)")), QStringLiteral("a_b_c_d_e_f_g_h_i"));
    EXPECT_EQ(CardSafeStem(QStringLiteral("tab\there\x1f")), QStringLiteral("tab_here_"));
    EXPECT_EQ(CardSafeStem(QStringLiteral("etc. . ")), QStringLiteral("etc"));
    EXPECT_EQ(CardSafeStem(QStringLiteral("...")), QString());
    // What FAT takes stays: Chinese, apostrophes, inner dots and spaces, leading dots.
    EXPECT_EQ(CardSafeStem(QStringLiteral("o'clock a.m. 苹果")), QStringLiteral("o'clock a.m. 苹果"));
    EXPECT_EQ(CardSafeStem(QStringLiteral(".net")), QStringLiteral(".net"));
}

TEST(FileNaming, RefusedHeadwordsStayRefused)
{
    const QStringList words{QString(), QStringLiteral("."), QStringLiteral(".."), QStringLiteral("and/or"),
                            QStringLiteral("..."), QStringLiteral("ok")};
    for (const bool cardSafe : {false, true}) {
        SCOPED_TRACE(cardSafe);
        const auto names = PlanFileNames(words, {QStringLiteral("opus"), false, cardSafe});
        for (std::size_t i = 0; i < 4; ++i)
            EXPECT_FALSE(names[i].has_value()) << i;
        // "..." names a file on Linux, but nothing is left of it on a card.
        EXPECT_EQ(names[4].has_value(), !cardSafe);
        EXPECT_EQ(NameOf(names, 5), QStringLiteral("ok.opus"));
    }
}

// A control character breaks every list that names the file, so a plain name refuses it; a
// card-safe name, made for any headword, turns it into "_" like the other characters a card
// refuses.
TEST(FileNaming, ControlCharactersAreRefusedUnlessNamesAreCardSafe)
{
    const QStringList words{u"tab\tthere"_qs, u"line\nbreak"_qs, u"a"_qs + QChar(0x01) + u"b"_qs, u"del\x7f"_qs,
                            u"nul"_qs + QChar(0) + u"x"_qs, u"c1\u0085"_qs, u"\t"_qs};
    const auto plain = PlanFileNames(words, {u"mp3"_qs, false, false});
    for (std::size_t i = 0; i < plain.size(); ++i)
        EXPECT_FALSE(plain[i].has_value()) << i;

    const auto safe = PlanFileNames(words, {u"mp3"_qs, false, true});
    const QStringList expected{u"tab_there.mp3"_qs, u"line_break.mp3"_qs, u"a_b.mp3"_qs, u"del_.mp3"_qs,
                               u"nul_x.mp3"_qs, u"c1_.mp3"_qs, u"_.mp3"_qs};
    for (std::size_t i = 0; i < safe.size(); ++i)
        EXPECT_EQ(NameOf(safe, i), expected[qsizetype(i)]) << i;
}

// Two headwords ending up with one name both keep a file; on a card, names differing only in
// case are one name.
TEST(FileNaming, CollisionsGetCopyNumbers)
{
    const QStringList words{QStringLiteral("what?"), QStringLiteral("what*"), QStringLiteral("What?"),
                            QStringLiteral("what_ (2)"), QStringLiteral("Apple"), QStringLiteral("apple")};
    const auto safe = PlanFileNames(words, {QStringLiteral("mp3"), false, true});
    EXPECT_EQ(NameOf(safe, 0), QStringLiteral("what_.mp3"));
    EXPECT_EQ(NameOf(safe, 1), QStringLiteral("what_ (2).mp3"));
    EXPECT_EQ(NameOf(safe, 2), QStringLiteral("What_ (3).mp3"));
    EXPECT_EQ(NameOf(safe, 3), QStringLiteral("what_ (2) (2).mp3"));
    EXPECT_EQ(NameOf(safe, 4), QStringLiteral("Apple.mp3"));
    EXPECT_EQ(NameOf(safe, 5), QStringLiteral("apple (2).mp3"));

    // Without card-safe names Linux tells case apart, but the very same name is still kept twice.
    const auto plain = PlanFileNames({QStringLiteral("Apple"), QStringLiteral("apple"), QStringLiteral("apple")},
                                     {QStringLiteral("wav"), false, false});
    EXPECT_EQ(NameOf(plain, 0), QStringLiteral("Apple.wav"));
    EXPECT_EQ(NameOf(plain, 1), QStringLiteral("apple.wav"));
    EXPECT_EQ(NameOf(plain, 2), QStringLiteral("apple (2).wav"));

    // Numbered names do not collide at all.
    const auto numbered = PlanFileNames({QStringLiteral("what?"), QStringLiteral("what*")},
                                        {QStringLiteral("mp3"), true, true});
    EXPECT_EQ(NameOf(numbered, 0), QStringLiteral("1 what_.mp3"));
    EXPECT_EQ(NameOf(numbered, 1), QStringLiteral("2 what_.mp3"));
}
