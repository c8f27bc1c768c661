#include <memory>

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "speech/platform/espeaksynthesiser.h"
#include "speech/platform/speechplan.h"
#include "speech/pronunciations.h"
#include "speech/wordspeech.h"

using namespace speech;
using Kind = PronunciationProblem::Kind;

TEST(PronunciationList, MalformedLinesAreReportedByNumberAndTheRestApply)
{
    const PronunciationList list = PronunciationList::Parse(
        "\xEF\xBB\xBF# a teacher's list\r\n"
        "Lead\t[[l'i:d]]\r\n"
        "live without a tab\n"
        "\n"
        "\tnothing before\n"
        "tear\t\n"
        "wind\t[[w'Ind\n"
        "LEAD\tleed\n"
        "bad \xFF\xFE\tbytes\n"
        "  read  \t  reed  \n"
        "long\t[[" + QByteArray(PronunciationProblem::kMaxPhonemes + 1, 'a') + "]]\n"
        "longest\t[[" + QByteArray(PronunciationProblem::kMaxPhonemes, 'a') + "]]\n");
    EXPECT_EQ(list.Size(), 3);
    EXPECT_EQ(list.Problems(), (std::vector<PronunciationProblem>{{3, Kind::NoTab},
                                                                  {5, Kind::NoHeadword},
                                                                  {6, Kind::NothingToSay},
                                                                  {7, Kind::UnclosedPhonemes},
                                                                  {8, Kind::Repeated, 2},
                                                                  {9, Kind::NotUtf8},
                                                                  {11, Kind::TooLong}}));
    EXPECT_EQ(PronunciationProblemText(list.Problems()[6], true), u"第 11 行：音标超过 200 个字符"_qs);
    EXPECT_EQ(PronunciationProblemText(list.Problems()[4], true), u"第 8 行：此单词在第 2 行已有读法"_qs);
    EXPECT_EQ(PronunciationProblemText(list.Problems()[0], false), u"line 3: no tab between the headword and what to say"_qs);

    // Headwords match whatever their case; phonemes only for a voice that reads them.
    EXPECT_EQ(list.For(u"lead"_qs, true), u"[[l'i:d]]"_qs);
    EXPECT_EQ(list.For(u"LEAD"_qs, false), QString());
    EXPECT_EQ(list.For(u"Read"_qs, false), u"reed"_qs);
    EXPECT_EQ(list.For(u"live"_qs, true), QString());
}

TEST(PronunciationList, TheDefaultListIsMadeOnceWithAnExampleThatChangesNothing)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"new/folder/pronunciations.txt"_qs);
    ASSERT_TRUE(CreatePronunciationList(path));
    const Result<PronunciationList> made = PronunciationList::Read(path);
    ASSERT_TRUE(made);
    EXPECT_EQ(made->Size(), 0);  // the example rules are commented out
    EXPECT_TRUE(made->Problems().empty());

    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write("lead\tleed\n");
    file.close();
    ASSERT_TRUE(CreatePronunciationList(path));  // a list that is there is left alone
    EXPECT_EQ(PronunciationList::Read(path)->Size(), 1);
    EXPECT_FALSE(PronunciationList::Read(dir.filePath(u"missing.txt"_qs)));
}

TEST(PronunciationList, AFixedWordSoundsDifferentButKeepsItsLetters)
{
    std::shared_ptr<EspeakSynthesiser> espeak;
    ASSERT_EQ(EspeakSynthesiser::Create(espeak), S_OK);
    WordSpeech speech({true, false, false});
    // The metal, not the verb espeak-ng says.
    speech.pronunciations = std::make_shared<PronunciationList>(PronunciationList::Parse("lead\t[[l'Ed]]\n"));
    const VoiceChoice voices{"cmn-latn-pinyin", "en-us"};
    const auto phonemes = [&](const QString& text) {
        QString all;
        for (const SpeechStep& step : PlanSpeech(text, voices)) {
            QString part;
            EXPECT_EQ(espeak->Phonemes(step, part), S_OK);
            all += part + u'|';
        }
        return all;
    };
    const QString asWritten = phonemes(WordSpeech({true, false, false}).Compose(u"lead"_qs, {}));
    // A voice without phonemes says the word as it is.
    EXPECT_EQ(phonemes(speech.Compose(u"lead"_qs, {})), asWritten);
    speech.phonemesReadable = true;
    const QString fixed = phonemes(speech.Compose(u"lead"_qs, {}));
    EXPECT_TRUE(asWritten.startsWith(u"l'i:d")) << asWritten.toStdString();
    EXPECT_TRUE(fixed.startsWith(u"l'Ed")) << fixed.toStdString();
    // The spelled letters after it are the same.
    EXPECT_EQ(fixed.section(u'|', 1).toStdString(), asWritten.section(u'|', 1).toStdString());
}
