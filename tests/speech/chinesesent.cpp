#include "chinesesent.h"

#include <gtest/gtest.h>

#include <QStringList>

#include "speech/pronunciations.h"

using namespace speech;

std::shared_ptr<const ChineseWords> ShippedReadings()
{
    static const std::shared_ptr<const ChineseWords> words = [] {
        Result<ChineseWords> read = ChineseWords::ReadShipped(QStringLiteral(LEXOVOX_CHINESE_READINGS));
        EXPECT_TRUE(read) << LEXOVOX_CHINESE_READINGS;
        return std::make_shared<const ChineseWords>(read ? std::move(*read) : ChineseWords());
    }();
    return words;
}

WordSpeech MeaningSpeech(const QByteArray& list)
{
    WordSpeech speech({false, true, false});
    speech.chineseWords = ShippedReadings();
    if (!list.isEmpty())
        speech.pronunciations = std::make_shared<const PronunciationList>(PronunciationList::Parse(list));
    return speech;
}

std::string ChineseSent(const WordSpeech& speech, const QString& en, const QString& ch, const VoiceChoice& voices)
{
    QStringList sent;
    for (const SpeechStep& step : PlanSpeech(speech.Compose(en, ch), voices)) {
        if (step.script == Script::Han)
            sent << step.text;
    }
    return sent.join(u" | ").toStdString();
}
