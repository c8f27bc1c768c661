#include <memory>

#include <gtest/gtest.h>

#include <QString>

#include "speech/composeutterance.h"
#include "speech/platform/espeaksynthesiser.h"
#include "speech/platform/objecttoken.h"
#include "speech/platform/readingmark.h"
#include "speech/platform/speechplan.h"

using namespace speech;

namespace {

QString Text(const char* utf8)
{
    return QString::fromUtf8(utf8).replace(u'_', QChar(0x3000));
}

const VoiceChoice kBilingual{"cmn-latn-pinyin", "en-us"};

std::shared_ptr<EspeakSynthesiser> Espeak()
{
    std::shared_ptr<EspeakSynthesiser> espeak;
    EXPECT_EQ(EspeakSynthesiser::Create(espeak), S_OK);
    return espeak;
}

QString Phonemes(EspeakSynthesiser& espeak, const SpeechStep& step)
{
    QString phonemes;
    EXPECT_EQ(espeak.Phonemes(step, phonemes), S_OK) << step.text.toStdString();
    return phonemes;
}

} // namespace

TEST(ScriptSplitting, PunctuationAndSpacesStayWithTheRunBefore)
{
    using R = ScriptRun;
    EXPECT_EQ(SplitByScript(Text("单词:apple;拼写:a_p_p_l_e_;苹果 ;")),
              (std::vector<R>{{Script::Han, Text("单词:")},
                              {Script::Latin, Text("apple;")},
                              {Script::Han, Text("拼写:")},
                              {Script::Latin, Text("a_p_p_l_e_;")},
                              {Script::Han, Text("苹果 ;")}}));
    // Leading punctuation joins the first run; full-width punctuation and digits are neutral.
    EXPECT_EQ(SplitByScript(Text(";;苹果，3个 T恤衫。")),
              (std::vector<R>{{Script::Han, Text(";;苹果，3个 ")},
                              {Script::Latin, Text("T")},
                              {Script::Han, Text("恤衫。")}}));
    EXPECT_EQ(SplitByScript(Text(";; ;")), (std::vector<R>{{Script::Neutral, Text(";; ;")}}));
    EXPECT_TRUE(SplitByScript(QString()).empty());
    // A character outside the basic plane is one Han character, not two stray halves.
    EXPECT_EQ(SplitByScript(Text("go𠀀")),
              (std::vector<R>{{Script::Latin, Text("go")}, {Script::Han, Text("𠀀")}}));
}

TEST(SpeechPlan, SplitsVoicesSpellsLettersAndPausesAtPunctuation)
{
    using S = SpeechStep;
    EXPECT_EQ(PlanSpeech(Text("单词:apple;拼写:a_p_p_l_e_;苹果 ;"), kBilingual),
              (std::vector<S>{{"cmn-latn-pinyin", Text("单词:"), false, 200, 100, Script::Han},
                              {"en-us", Text("apple;"), false, 300},
                              {"cmn-latn-pinyin", Text("拼写:"), false, 200, 100, Script::Han},
                              {"en-us", Text("apple"), true, 300},
                              {"cmn-latn-pinyin", Text("苹果 ;"), false, 0, 100, Script::Han}}));
    // Without labels the letters follow the word inside one Latin run; the empty pieces'
    // separators are not spoken and add no second pause.
    EXPECT_EQ(PlanSpeech(Text("cd;c_d_;;光盘 ;"), kBilingual),
              (std::vector<S>{{"en-us", Text("cd;"), false, 300},
                              {"en-us", Text("cd"), true, 300},
                              {"cmn-latn-pinyin", Text("光盘 ;"), false, 0, 100, Script::Han}}));
    // The separator after the letters is a pause even when it leads the next piece.
    EXPECT_EQ(PlanSpeech(Text("t-shirt;t_s_h_i_r_t_;T恤衫 ;"), kBilingual),
              (std::vector<S>{{"en-us", Text("t-shirt;"), false, 300},
                              {"en-us", Text("tshirt"), true, 300},
                              {"en-us", Text(";T"), false, 0},
                              {"cmn-latn-pinyin", Text("恤衫 ;"), false, 0, 100, Script::Han}}));
    // Single letters outside a spelled word are plain words.
    EXPECT_EQ(PlanSpeech(Text("a bit;"), kBilingual),
              (std::vector<S>{{"en-us", Text("a bit;"), false, 0}}));
    EXPECT_TRUE(PlanSpeech(Text(";; ;"), kBilingual).empty());
}

TEST(SpeechPlan, PauseMarksSplitStepsAndSetTheirPause)
{
    using S = SpeechStep;
    const QString p = PauseMark(1500);
    // The mark's pause stands in place of the ";" before it; the last pause is dropped.
    EXPECT_EQ(PlanSpeech(u"apple;"_qs + p + u"apple;"_qs + p + Text("a_p_p_l_e_;") + p + u"苹果 ;"_qs + p, kBilingual),
              (std::vector<S>{{"en-us", u"apple;"_qs, false, 1500},
                              {"en-us", u"apple;"_qs, false, 1500},
                              {"en-us", u"apple"_qs, true, 1500},
                              {"cmn-latn-pinyin", u"苹果 ;"_qs, false, 0, 100, Script::Han}}));
    // A zero pause is no pause; a mark with nothing before it, or a broken one, adds none.
    EXPECT_EQ(PlanSpeech(p + u"go;"_qs + PauseMark(0) + u"go;"_qs + kPauseMarkStart + u"x"_qs, kBilingual),
              (std::vector<S>{{"en-us", u"go;"_qs, false, 0}, {"en-us", u"go;"_qs + kPauseMarkStart + u"x"_qs, false, 0}}));
}

TEST(SpeechPlan, VoiceTokensChooseTheVoices)
{
    const ObjectToken plain(QStringLiteral("plain"), {{QStringLiteral("Voice"), QStringLiteral("gmw/en-GB-x-rp")}});
    const VoiceChoice one = VoiceChoice::Of(&plain);
    EXPECT_EQ(one.han, "gmw/en-GB-x-rp");
    EXPECT_EQ(one.latin, "gmw/en-GB-x-rp");
    const ObjectToken mixed(QStringLiteral("mixed"), {{QStringLiteral("HanVoice"), QStringLiteral("cmn")},
                                                      {QStringLiteral("LatinVoice"), QStringLiteral("en-gb")}});
    EXPECT_EQ(VoiceChoice::Of(&mixed).han, "cmn");
    EXPECT_EQ(VoiceChoice::Of(&mixed).latin, "en-gb");
    EXPECT_EQ(VoiceChoice::Of(nullptr).han, "cmn-latn-pinyin");
    EXPECT_EQ(VoiceChoice::Of(nullptr).latin, "en-us");
}

// A Chinese voice chosen for the run reads the Chinese of the voices that leave it to espeak-ng's
// Mandarin, and is given the characters of a word marked with its reading, not the pinyin.
TEST(SpeechPlan, AChosenChineseVoiceReadsABilingualVoicesChineseAsCharacters)
{
    const QByteArray chinese = "engine:piper/zh_CN-huayan-medium";
    const ObjectToken bilingual(QStringLiteral("bilingual"), {{QStringLiteral("HanVoice"), QStringLiteral("cmn-latn-pinyin")},
                                                              {QStringLiteral("LatinVoice"), QStringLiteral("engine:piper/en_US-x")}});
    EXPECT_EQ(VoiceChoice::Of(&bilingual, chinese).han, chinese);
    EXPECT_EQ(VoiceChoice::Of(&bilingual, chinese).latin, "engine:piper/en_US-x");
    EXPECT_EQ(VoiceChoice::Of(nullptr, chinese).han, chinese);
    EXPECT_EQ(VoiceChoice::Of(&bilingual).han, "cmn-latn-pinyin");
    // A voice with a Chinese of its own, or one voice for both scripts, keeps it.
    const ObjectToken own(QStringLiteral("own"), {{QStringLiteral("HanVoice"), QStringLiteral("engine:piper/zh_CN-other")},
                                                  {QStringLiteral("LatinVoice"), QStringLiteral("flite/rms")}});
    EXPECT_EQ(VoiceChoice::Of(&own, chinese).han, "engine:piper/zh_CN-other");
    const ObjectToken plain(QStringLiteral("plain"), {{QStringLiteral("Voice"), QStringLiteral("cmn-latn-pinyin")}});
    EXPECT_EQ(VoiceChoice::Of(&plain, chinese).han, "cmn-latn-pinyin");

    const QString text = u"bank;"_qs + PauseMark(300) + ReadingMark(u"银行", u"yin2 hang2") + u"3 ;"_qs;
    using S = SpeechStep;
    EXPECT_EQ(PlanSpeech(text, VoiceChoice::Of(&bilingual, chinese)),
              (std::vector<S>{{"engine:piper/en_US-x", u"bank;"_qs, false, 300},
                              {chinese, u"银行3 ;"_qs, false, 0, 100, Script::Han}}));
    EXPECT_EQ(PlanSpeech(text, VoiceChoice::Of(&bilingual)),
              (std::vector<S>{{"engine:piper/en_US-x", u"bank;"_qs, false, 300},
                              {"cmn-latn-pinyin", u"yin2 hang2 3 ;"_qs, false, 0, 100, Script::Han}}));
}

// What the voices really say, by espeak-ng's phonemes: tone numbers (35, 214) only in Mandarin.
TEST(SpeechPlan, HanRunsGetMandarinAndLatinRunsEnglishPhonemes)
{
    const std::shared_ptr<EspeakSynthesiser> espeak = Espeak();
    ASSERT_TRUE(espeak);
    const std::vector<SpeechStep> steps = PlanSpeech(Text("apple;;苹果 ;"), kBilingual);
    ASSERT_EQ(steps.size(), 2u);
    const QString english = Phonemes(*espeak, steps[0]);
    const QString mandarin = Phonemes(*espeak, steps[1]);
    EXPECT_TRUE(english.contains(u"ap@L")) << english.toStdString();
    EXPECT_FALSE(english.contains(u"35") || english.contains(u"214")) << english.toStdString();
    EXPECT_TRUE(mandarin.contains(u"ph'i35N")) << mandarin.toStdString();
    EXPECT_TRUE(mandarin.contains(u"k'uo214")) << mandarin.toStdString();
    // The reason for the split: an English voice has no reading of Chinese characters.
    const QString englishForHan = Phonemes(*espeak, {"en-us", Text("苹果"), false, 0});
    EXPECT_FALSE(englishForHan.contains(u"35")) << englishForHan.toStdString();
}

TEST(SpeechPlan, SpelledLettersAreSaidByName)
{
    const std::shared_ptr<EspeakSynthesiser> espeak = Espeak();
    ASSERT_TRUE(espeak);
    const std::vector<SpeechStep> steps = PlanSpeech(Text("apple;a_p_p_l_e_; ;"), kBilingual);
    ASSERT_EQ(steps.size(), 2u);
    ASSERT_TRUE(steps[1].spell);
    const QString letters = Phonemes(*espeak, steps[1]);
    EXPECT_TRUE(letters.startsWith(u",eI") || letters.startsWith(u"'eI")) << letters.toStdString();
    EXPECT_TRUE(letters.contains(u"p'i:") || letters.contains(u"p,i:")) << letters.toStdString();
    // Read as text, the same letters start with the article.
    const QString asText = Phonemes(*espeak, {"en-us", Text("a_p_p_l_e_"), false, 0});
    EXPECT_FALSE(asText.contains(u"eI")) << asText.toStdString();
}
