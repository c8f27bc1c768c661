#pragma once

#include <memory>
#include <optional>

#include <QString>

#include "speech/chinesewords.h"
#include "speech/composeutterance.h"
#include "speech/pronunciations.h"

/// Everything that decides what is said for a word of the list: the three options, repeats,
/// the pause between parts, the pronunciation list and the readings of Chinese words, as the
/// window and lexovox-batch set them.
struct WordSpeech
{
    WordSpeech(SpeechOptions options = {})  // NOLINT: the three options alone are a WordSpeech
        : options(options)
    {
    }

    SpeechOptions options;
    int repeat = 1;
    std::optional<int> pauseMs;  // none: each part's usual pause
    std::shared_ptr<const PronunciationList> pronunciations;
    bool phonemesReadable = false;  // the voice's English is espeak-ng's, which reads [[…]]
    /// The readings of Chinese words (ChineseWords::Shipped()); null: only the pronunciation
    /// list's Chinese words are marked.
    std::shared_ptr<const ChineseWords> chineseWords;

    /// The text to speak for headword `en` with meaning `ch`: every Chinese part of it (meaning,
    /// labels, a Chinese headword) with its words marked with their readings
    /// (MarkChineseReadings).
    QString Compose(const QString& en, const QString& ch) const;
};
