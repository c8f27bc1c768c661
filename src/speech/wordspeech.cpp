#include "speech/wordspeech.h"

QString WordSpeech::Compose(const QString& en, const QString& ch) const
{
    UtteranceStyle style;
    style.repeat = repeat;
    style.pauseMs = pauseMs;
    if (pronunciations)
        style.spokenHeadword = pronunciations->For(en, phonemesReadable);
    return ComposeUtterance(en, ch, options, style);
}
