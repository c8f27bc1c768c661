#include "speech/wordspeech.h"

#include "speech/chinesereadings.h"

QString WordSpeech::Compose(const QString& en, const QString& ch) const
{
    UtteranceStyle style;
    style.repeat = repeat;
    style.pauseMs = pauseMs;
    if (pronunciations)
        style.spokenHeadword = pronunciations->For(en, phonemesReadable);
    return MarkChineseReadings(ComposeUtterance(en, ch, options, style), chineseWords.get(),
                               pronunciations ? &pronunciations->Chinese() : nullptr);
}
