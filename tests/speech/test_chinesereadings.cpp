#include <memory>

#include <gtest/gtest.h>

#include <QStringList>

#include "chinesesent.h"
#include "speech/chinesewords.h"
#include "speech/platform/espeaksynthesiser.h"
#include "speech/platform/speechplan.h"
#include "speech/pronunciations.h"
#include "speech/tonenumbers.h"
#include "speech/wordspeech.h"

using namespace speech;

namespace {

const VoiceChoice kBilingual{"cmn-latn-pinyin", "flite/rms"};

std::shared_ptr<const ChineseWords> Shipped()
{
    return ShippedReadings();
}

} // namespace

TEST(ToneNumbers, MarksAndNumbersBecomeOneSpelling)
{
    const struct
    {
        const char* reading;
        bool neutralUnmarked;
        const char* numbered;  // null: not pinyin
    } cases[] = {
        {"yín háng", true, "yin2 hang2"},
        {"lǜ sè", true, "lü4 se4"},
        {"nüè dài", true, "nüe4 dai4"},
        {"hǎo le", true, "hao3 le5"},
        {"hǎo le", false, nullptr},  // a user's list gives every tone
        {"Yin2Hang2", false, "yin2 hang2"},
        {"lv4 lu:4 ma5", false, "lü4 lü4 ma5"},
        {"xi1'an1", false, "xi1 an1"},
        {"yīnyuè", true, nullptr},      // two tones in one syllable
        {"bank", false, nullptr},
        {"2yin", false, nullptr},
        {"zhuangg1", false, nullptr},   // longer than any syllable
        {"ńg", true, nullptr},          // the voice reads it as English
        {"", true, nullptr},
    };
    for (const auto& c : cases) {
        const std::optional<ToneNumbered> numbered = ToneNumberedPinyin(QString::fromUtf8(c.reading), c.neutralUnmarked);
        EXPECT_EQ(numbered.has_value(), c.numbered != nullptr) << c.reading;
        if (numbered && c.numbered) {
            EXPECT_EQ(numbered->text.toStdString(), c.numbered) << c.reading;
        }
    }
}

TEST(ChineseWords, TheFirstReadingHoldsAndTheLongestWordIsFound)
{
    const ChineseWords words = ChineseWords::Parse("# a comment: ignored\n"
                                                   "银行: yín háng\n"
                                                   "银行: yín xíng\n"
                                                   " 银行家 : yín háng jiā  # a comment after the reading\r\n"
                                                   "长: cháng zhǎng\n"  // two syllables for one character
                                                   "no colon here\n"
                                                   "𠀀𠀁: yī èr");
    EXPECT_EQ(words.Size(), 4);
    // Characters outside the basic plane are whole characters, never split.
    EXPECT_EQ(words.LongestAt(u"𠀀𠀁"_qs).pinyin, u"yi1 er4"_qs);
    EXPECT_EQ(words.LongestAt(u"𠀀"_qs).length, 0);
    EXPECT_EQ(words.LongestAt(u"银行家们"_qs).pinyin, u"yin2 hang2 jia1"_qs);
    EXPECT_EQ(words.LongestAt(u"银行们"_qs).length, 2);
    EXPECT_EQ(words.LongestAt(u"银行们"_qs).pinyin, u"yin2 hang2"_qs);
    EXPECT_EQ(words.LongestAt(u"长大"_qs).length, 0);
    EXPECT_EQ(words.LongestAt(u"们银行"_qs).length, 0);
}

TEST(ChineseWords, ReadingsAsSaidWinAndMayBeGivenAsAPronunciationListGivesThem)
{
    const ChineseWords words = ChineseWords::Parse("照片\tzhao4 pian4\n绿\tlu:4\n", "照片: zhào piān\n银行: yín háng\n");
    EXPECT_EQ(words.LongestAt(u"照片"_qs).pinyin, u"zhao4 pian4"_qs);
    EXPECT_TRUE(words.LongestAt(u"照片"_qs).asSaid);
    EXPECT_EQ(words.LongestAt(u"绿"_qs).pinyin, u"lü4"_qs);
    EXPECT_EQ(words.LongestAt(u"银行"_qs).pinyin, u"yin2 hang2"_qs);
    EXPECT_FALSE(words.LongestAt(u"银行"_qs).asSaid);
}

TEST(ChineseReadings, ACharacterIsReadAsItsWordHasIt)
{
    const WordSpeech speech = MeaningSpeech();
    const struct
    {
        const char* meaning;
        const char* sent;
    } cases[] = {
        {"银行", "yin2 hang2 ;"},   {"行走", "xing2 zou3 ;"},
        {"长大", "zhang3 da4 ;"},   {"长城", "chang2 cheng2 ;"},
        {"重要", "zhong4 yao4 ;"},  {"重新", "chong2 xin1 ;"},
        {"音乐", "yin1 yue4 ;"},    {"快乐", "kuai4 le4 ;"},
        {"还是", "hai2 shi4 ;"},    {"还书", "huan2 shu1 ;"},
        {"了解", "liao3 jie3 ;"},   {"为止", "wei2 zhi3 ;"},
        {"主角", "zhu3 jue2 ;"},    {"乐曲", "yue4 qu3 ;"},
        {"丈夫", "zhang4 fu1 ;"},
        // No word of the list: each character in its most common reading.
        {"好了", "hao3 le5 ;"},
        // Words found from the start of a run, characters outside any word read alone.
        {"去银行取钱", "qu4 yin2 hang2 qu3 qian2 ;"},
        {"银行3家", "yin2 hang2 3 jia1 ;"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ChineseSent(speech, u"x"_qs, QString::fromUtf8(c.meaning)), c.sent) << c.meaning;
}

TEST(ChineseReadings, TheVoiceReadsWhatItIsSentAsPinyin)
{
    std::shared_ptr<EspeakSynthesiser> espeak;
    ASSERT_EQ(EspeakSynthesiser::Create(espeak), S_OK);
    const auto phonemes = [&](const QString& meaning) {
        QString all;
        for (const SpeechStep& step : PlanSpeech(MeaningSpeech().Compose(u"x"_qs, meaning), kBilingual)) {
            QString part;
            if (step.script == Script::Han) {
                EXPECT_EQ(espeak->Phonemes(step, part), S_OK);
            }
            all += part;
        }
        return all;
    };
    // háng, not espeak-ng's own xíng; ü, the neutral tone and a digit beside a reading stay Mandarin.
    EXPECT_TRUE(phonemes(u"银行"_qs).contains(u"X'a35N"_qs)) << phonemes(u"银行"_qs).toStdString();
    EXPECT_TRUE(phonemes(u"绿色"_qs).contains(u"l'y51"_qs)) << phonemes(u"绿色"_qs).toStdString();
    for (const QString& meaning : {u"一丁点儿"_qs, u"3家银行"_qs, u"什么…"_qs})
        EXPECT_FALSE(phonemes(meaning).contains(u"(en)"_qs)) << phonemes(meaning).toStdString();
}

TEST(ChineseReadings, PunctuationAndItsPausesStay)
{
    const QString meaning = u"n. 银行，堤；岸。v. 存（钱）…"_qs;
    WordSpeech plain({true, true, true});
    WordSpeech read = plain;
    read.chineseWords = Shipped();
    const std::vector<SpeechStep> before = PlanSpeech(plain.Compose(u"bank"_qs, meaning), kBilingual);
    const std::vector<SpeechStep> after = PlanSpeech(read.Compose(u"bank"_qs, meaning), kBilingual);
    ASSERT_EQ(after.size(), before.size());
    const auto punctuation = [](const QString& text) {
        QString marks;
        for (const QChar c : text) {
            if (c.isPunct())
                marks += c;
        }
        return marks;
    };
    bool changed = false;
    for (std::size_t i = 0; i < after.size(); ++i) {
        EXPECT_EQ(after[i].voice, before[i].voice) << i;
        EXPECT_EQ(after[i].pauseAfterMs, before[i].pauseAfterMs) << i;
        EXPECT_EQ(punctuation(after[i].text), punctuation(before[i].text)) << i;
        changed = changed || after[i].text != before[i].text;
    }
    EXPECT_TRUE(changed);
}

TEST(ChineseReadings, TextWithoutReadingsAndOtherVoicesAreUntouched)
{
    WordSpeech plain({true, true, false});
    WordSpeech read = plain;
    read.chineseWords = Shipped();
    // No Han text, no marks.
    for (const QString& meaning : {QString(), u"n. apple pie (abbr. AP); 3"_qs})
        EXPECT_EQ(read.Compose(u"apple"_qs, meaning).toStdString(), plain.Compose(u"apple"_qs, meaning).toStdString());
    // A voice that does not read pinyin gets the characters, just as without readings.
    for (const VoiceChoice& voices : {VoiceChoice{"yue", "en-us"}, VoiceChoice{"gmw/en-US", "gmw/en-US"}, VoiceChoice{"cmn", "cmn"}}) {
        EXPECT_EQ(PlanSpeech(read.Compose(u"bank"_qs, u"银行"_qs), voices), PlanSpeech(plain.Compose(u"bank"_qs, u"银行"_qs), voices))
            << voices.han.toStdString();
    }
    // espeak-ng's own identifier of the pinyin voice reads pinyin too.
    read.options.prefix = true;
    EXPECT_EQ(ChineseSent(read, u"bank"_qs, u"银行"_qs, {"sit/cmn-Latn-pinyin", "sit/cmn-Latn-pinyin"}),
              "dan1 ci2: | pin1 xie3: | yin2 hang2 ;");
}

TEST(ChineseReadings, ThePronunciationListReadsChineseWordsFirst)
{
    const WordSpeech speech = MeaningSpeech("银行\tyin2 xing2\n"
                                            "长\tchang2\n"
                                            "好了\thǎo le5\n");
    // Over the shipped reading, in a meaning and in a Chinese headword (which keeps its place).
    EXPECT_EQ(ChineseSent(speech, u"x"_qs, u"去银行"_qs), "qu4 yin2 xing2 ;");
    EXPECT_EQ(ChineseSent(speech, u"银行"_qs, {}), "yin2 xing2;; ;");
    // One longest match over both lists: the shipped 长大 is longer than the list's 长.
    EXPECT_EQ(ChineseSent(speech, u"x"_qs, u"长大；长裙"_qs), "zhang3 da4；chang2 qun2 ;");
    EXPECT_EQ(ChineseSent(speech, u"x"_qs, u"好了"_qs), "hao3 le5 ;");
    // Even without the shipped words.
    WordSpeech own = speech;
    own.chineseWords.reset();
    EXPECT_EQ(ChineseSent(own, u"x"_qs, u"银行"_qs), "yin2 xing2 ;");
}

TEST(ChineseReadings, AChineseWordMustBeGivenPinyinOneSyllableACharacter)
{
    using Kind = PronunciationProblem::Kind;
    const PronunciationList list = PronunciationList::Parse("银行卡\tbank card\n"
                                                            "银行\tyin2\n"
                                                            "银行\tyinhang2\n"
                                                            "银行\tyin2 hang2\n"
                                                            "银行\tyin2 xing2\n"
                                                            "长\t[[tS'aN]]\n"
                                                            "行\t航\n");
    EXPECT_EQ(list.Problems(), (std::vector<PronunciationProblem>{{2, Kind::NotPinyin}, {3, Kind::NotPinyin},
                                                                  {5, Kind::Repeated, 4}}));
    EXPECT_EQ(PronunciationProblemText(list.Problems()[0], false),
              u"line 2: a Chinese word is read as pinyin with tone numbers, one syllable a character (yin2 hang2)"_qs);
    EXPECT_EQ(list.Chinese().Size(), 1);
    // Phonemes, characters and words without tone numbers stay what a headword says, as for
    // any headword and as lists written before pinyin have them.
    EXPECT_EQ(list.For(u"银行卡"_qs, false), u"bank card"_qs);
    EXPECT_EQ(list.For(u"银行"_qs, true), QString());
    EXPECT_EQ(list.For(u"长"_qs, true), u"[[tS'aN]]"_qs);
    EXPECT_EQ(list.For(u"行"_qs, false), u"航"_qs);
}
