#include <gtest/gtest.h>

#include <QFile>
#include <QStringList>

#include "chinesesent.h"
#include "speech/chinesereadings.h"
#include "speech/platform/readingmark.h"
#include "speech/pronunciations.h"
#include "speech/spokentones.h"

using namespace speech;

namespace {

struct Phrase
{
    const char* meaning;
    const char* sent;
};

void ExpectSent(const WordSpeech& speech, std::initializer_list<Phrase> phrases)
{
    for (const Phrase& p : phrases)
        EXPECT_EQ(ChineseSent(speech, u"x"_qs, QString::fromUtf8(p.meaning)), std::string(p.sent) + " ;") << p.meaning;
}

// The readings of a run of words given as "word:pinyin word:pinyin", each from `source`, after
// the tone rules.
std::string Spoken(const char* words, ReadWord::Source source = ReadWord::Source::Words)
{
    std::vector<ReadWord> run;
    for (const QString& word : QString::fromUtf8(words).split(u' ')) {
        const QStringList parts = word.split(u':');
        run.push_back({parts[0], parts[1].split(u','), source});
    }
    SpeakTones(run);
    QStringList said;
    for (const ReadWord& word : run)
        said << word.syllables.join(u',');
    return said.join(u' ').toStdString();
}

} // namespace

// Meanings of the shipped courses, each rule and each shipped exception with what the voice is sent.
TEST(SpokenTones, YiIsSaidAsItStands)
{
    ExpectSent(MeaningSpeech(), {
        // Before a fourth tone yí, before the others yì, whatever the data writes.
        {"一个", "yi2 ge4"},
        {"一样", "yi2 yang4"},
        {"一半的", "yi2 ban4 de5"},
        {"一次", "yi2 ci4"},
        {"一切的", "yi2 qie4 de5"},
        {"再一次", "zai4 yi2 ci4"},
        {"另一个", "ling4 yi2 ge4"},
        {"一些的", "yi4 xie1 de5"},
        {"一般", "yi4 ban1"},
        {"在一起", "zai4 yi4 qi3"},
        {"一餐", "yi4 can1"},
        {"一副", "yi2 fu4"},
        {"一匙", "yi4 chi2"},
        {"三个一组", "san1 ge4 yi4 zu3"},
        {"一部分", "yi2 bu4 fen5"},
        // A number or an ordinal keeps yī.
        {"第一的", "di4 yi1 de5"},
        {"第一个字母", "di4 yi1 ge4 zi4 mu3"},
        {"十一个", "shi2 yi1 ge4"},
        {"三分之一", "san1 fen1 zhi1 yi1"},
        {"一二三", "yi1 er4 san1"},
        {"一一", "yi1 yi1"},
        {"统一的", "tong3 yi1 de5"},
        {"唯一", "wei2 yi1"},
        {"唯一的", "wei2 yi1 de5"},
        {"每一", "mei3 yi1"},
        {"一", "yi1"},
        // Before 百, 千, 万 as a number is said.
        {"一百", "yi4 bai3"},
        {"一万", "yi2 wan4"},
        // Between a repeated verb, neutral.
        {"看一看", "kan4 yi5 kan4"},
        {"想一想", "xiang3 yi5 xiang3"},
    });
}

TEST(SpokenTones, BuIsSaidAsItStands)
{
    ExpectSent(MeaningSpeech(), {
        {"不是", "bu2 shi4"},
        {"不错", "bu2 cuo4"},
        {"不幸的", "bu2 xing4 de5"},
        {"不过", "bu2 guo4"},
        {"不同的", "bu4 tong2 de5"},
        {"不安的", "bu4 an1 de5"},
        {"不久", "bu4 jiu3"},
        {"决不", "jue2 bu4"},
        {"不一样", "bu4 yi2 yang4"},
        {"不好不坏的", "bu4 hao3 bu2 huai4 de5"},
        {"好不好", "hao3 bu5 hao3"},
        {"差不多", "cha4 bu5 duo1"},
        {"了不起的", "liao3 bu5 qi3 de5"},
    });
}

TEST(SpokenTones, NeutralTonesOfParticlesSuffixesAndWords)
{
    ExpectSent(MeaningSpeech(), {
        {"重要的", "zhong4 yao4 de5"},
        {"目的", "mu4 di4"},
        // 地 after an adverbial, dì elsewhere.
        {"完全地", "wan2 quan2 de5"},
        {"轻快地走", "qing1 kuai4 de5 zou3"},
        {"地球", "di4 qiu2"},
        {"地", "di4"},
        // 得 after a verb; dé where it is a verb itself.
        {"觉得", "jue2 de5"},
        {"演得过火", "yan3 de5 guo4 huo3"},
        {"得学位", "de2 xue2 wei4"},
        {"获得", "huo4 de2"},
        {"已得学位的", "yi3 de2 xue2 wei4 de5"},
        // 了
        {"为了", "wei4 le5"},
        {"除了", "chu2 le5"},
        {"了解", "liao3 jie3"},
        // The suffixes 子 and 头.
        {"盒子", "he2 zi5"},
        {"骗子", "pian4 zi5"},
        {"以带子绑起", "yi3 dai4 zi5 bang3 qi3"},
        {"石头", "shi2 tou5"},
        {"骨头", "gu3 tou5"},
        {"用舌头", "yong4 she2 tou5"},
        // Kinship words said twice.
        {"爸爸", "ba4 ba5"},
        {"妈妈", "ma1 ma5"},
        {"哥哥", "ge1 ge5"},
        {"姐姐", "jie3 jie5"},
        {"叔叔", "shu1 shu5"},
        // Words said with a neutral tone.
        {"休息", "xiu1 xi5"},
        {"认识", "ren4 shi5"},
        {"知识", "zhi1 shi5"},
        {"东西", "dong1 xi5"},
        {"朋友", "peng2 you5"},
        {"衣服", "yi1 fu5"},
        // A word the data reads in full tone keeps it.
        {"丈夫", "zhang4 fu1"},
    });
}

TEST(SpokenTones, TheShippedExceptionsAreSaidAsWritten)
{
    ExpectSent(MeaningSpeech(), {
        {"不一致", "bu4 yi2 zhi4"},
        {"迅速生长", "xun4 su4 sheng1 zhang3"},
        {"不适当的", "bu2 shi4 dang4 de5"},
        {"使负重荷", "shi3 fu4 zhong4 he4"},
        {"照片", "zhao4 pian4"},
        {"大夫", "dai4 fu5"},
        {"扮演", "ban4 yan3"},
        {"欢呼", "huan1 hu1"},
        {"起诉", "qi3 su4"},
        {"得到", "de2 dao4"},
        {"射门得分", "she4 men2 de2 fen1"},
        {"一月", "yi1 yue4"},
        {"独一无二的", "du2 yi1 wu2 er4 de5"},
        {"不正当的", "bu2 zheng4 dang4 de5"},
        {"原子", "yuan2 zi3"},
        {"电子计算机", "dian4 zi3 ji4 suan4 ji1"},
    });
    // The list reads as a pronunciation list would, without a problem.
    QFile file(QStringLiteral(LEXOVOX_CHINESE_READINGS "/pinyin-exceptions.txt"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const PronunciationList list = PronunciationList::Parse(file.readAll());
    EXPECT_TRUE(list.Problems().empty()) << PronunciationProblemText(list.Problems().front(), false).toStdString();
    EXPECT_GT(list.Chinese().Size(), 20);
}

TEST(SpokenTones, TheUsersListWinsOverTheShippedExceptionsAndTheRules)
{
    const WordSpeech speech = MeaningSpeech("照片\tzhao4 pian1\n"
                                            "一致\tyi1 zhi4\n"
                                            "不是\tbu4 shi4\n");
    ExpectSent(speech, {
        {"照片", "zhao4 pian1"},
        // The user's 一致 is as long as the shipped 不一 it overlaps, and the shipped 不一致 is
        // longer: the shipped exception holds where it is the longer word, the user's elsewhere.
        {"不一致", "bu4 yi2 zhi4"},
        {"一致", "yi1 zhi4"},
        // A word of the list is said as written, and leaves the rules of the others to them.
        {"不是", "bu4 shi4"},
        {"一不是", "yi2 bu4 shi4"},
    });
}

TEST(SpokenTones, OnlyHanCharactersAreRead)
{
    const WordSpeech speech = MeaningSpeech();
    // Latin letters, digits and punctuation between the runs stay as they were; each run is read
    // on its own (一 before "(" ends its run and keeps yī).
    const auto mark = [](const char16_t* word, const char16_t* pinyin) {
        return ReadingMark(QStringView(word), QStringView(pinyin));
    };
    EXPECT_EQ(MarkChineseReadings(u"n. 一(个)CD-ROM，3个一；不 OK! 1990年"_qs, ShippedReadings().get(), nullptr),
              u"n. "_qs + mark(u"一", u"yi1") + u"("_qs + mark(u"个", u"ge4") + u")CD-ROM，3"_qs + mark(u"个", u"ge4")
                  + mark(u"一", u"yi1") + u"；"_qs + mark(u"不", u"bu4") + u" OK! 1990"_qs + mark(u"年", u"nian2"));
    // And so the voice is given them.
    EXPECT_EQ(ChineseSent(speech, u"x"_qs, u"n. 一(个)CD-ROM，3个一"_qs), "yi1(ge4) | ge4 yi1 ;");
    // A reading marked before is not read again.
    const QString ordinal = ReadingMark(u"第一个"_qs, u"di4 yi1 ge4"_qs);
    EXPECT_EQ(MarkChineseReadings(ordinal + u"一个"_qs, ShippedReadings().get(), nullptr),
              ordinal + ReadingMark(u"一个"_qs, u"yi2 ge4"_qs));
}

TEST(SpokenTones, EveryCommonCharacterHasAReading)
{
    // The basic block of Han characters: none is left to the voice's own dictionary, but for a
    // few made for Japanese units, which have no Mandarin reading (兙 decagram).
    const ChineseWords& shipped = *ShippedReadings();
    QString unread;
    for (char32_t c = 0x4E00; c <= 0x9FA5; ++c) {
        const QString character = QString::fromUcs4(&c, 1);
        if (shipped.LongestAt(character).length != 1)
            unread += character;
    }
    EXPECT_EQ(unread, u"兙兡嗧桛烪瓧瓰瓱瓼甅"_qs);
    EXPECT_EQ(shipped.LongestAt(u"嗯"_qs).pinyin.left(2), u"en"_qs);
    // Particles are neutral; other characters take their most common reading with a tone, not the
    // neutral one of the words they end (友 of 朋友).
    EXPECT_EQ(shipped.LongestAt(u"们"_qs).pinyin, u"men5"_qs);
    EXPECT_EQ(shipped.LongestAt(u"友"_qs).pinyin, u"you3"_qs);
    EXPECT_EQ(shipped.LongestAt(u"长"_qs).pinyin, u"zhang3"_qs);
}

TEST(SpokenTones, RulesLookAtTheCharactersAroundAndLeaveReadingsAsSaid)
{
    // The data's own 一 and 不 before a syllable (yí, bú) are taken back to yī and bù first.
    EXPECT_EQ(Spoken("一:yi2 天:tian1"), "yi4 tian1");
    EXPECT_EQ(Spoken("不:bu2 好:hao3"), "bu4 hao3");
    // 一 before 不 changes by 不's own tone: yí bù.
    EXPECT_EQ(Spoken("一:yi1 不:bu4 小心:xiao3,xin1"), "yi2 bu4 xiao3,xin1");
    // Before a neutral syllable (一个 as ge5) yí.
    EXPECT_EQ(Spoken("一:yi1 个:ge5"), "yi2 ge5");
    // 一 ending a word of the data keeps yī even before another word; alone it does not.
    EXPECT_EQ(Spoken("统一:tong3,yi1 思想:si1,xiang3"), "tong3,yi1 si1,xiang3");
    EXPECT_EQ(Spoken("每:mei3 一:yi1 个:ge4", ReadWord::Source::Character), "mei3 yi2 ge4");
    // Another reading of the character is not a tone to change.
    EXPECT_EQ(Spoken("不:fou3 是:shi4"), "fou3 shi4");
    EXPECT_EQ(Spoken("地:de5", ReadWord::Source::Character), "di4");
    // A word as said is never changed.
    EXPECT_EQ(Spoken("一:yi1 定:ding4", ReadWord::Source::AsSaid), "yi1 ding4");
    EXPECT_EQ(Spoken("姐:jie3 姐:jie3", ReadWord::Source::AsSaid), "jie3 jie3");
}
