#pragma once

#include <optional>

#include <QString>

#include "speech/platform/pausemark.h"

/// The three speaking options, as the window's check boxes stand at the moment of a call.
struct SpeechOptions
{
    bool spellOut = false;        // a single word is followed by its letters, one by one
    bool chineseMeaning = false;  // the Chinese explanation is spoken after the English
    bool prefix = false;          // each piece is introduced by a spoken label

    bool operator==(const SpeechOptions&) const = default;
};

/// The text spoken for one word: the lower-cased headword `en`, optionally its letters each
/// followed by an ideographic space, optionally the explanation `ch` (each "…" read as
/// "什么"), optionally with the labels "单词:", "拼写:" or "短语:" before the pieces. A
/// headword with a space is a phrase and is never spelled. The separators ";" and " ;" stay
/// whatever the options, so empty pieces leave them behind ("apple;; ;").
QString ComposeUtterance(QString en, QString ch, SpeechOptions options);

/// The most a style may ask for: the longest pause (a part's usual one is kPartPauseMs) and
/// how often the headword is said.
inline constexpr int kMaxPauseMs = 5000;
inline constexpr int kMaxRepeat = 5;

/// How a word is said beyond the three options.
struct UtteranceStyle
{
    int repeat = 1;          // the headword said 1 to kMaxRepeat times
    std::optional<int> pauseMs;  // between the parts and the repeats; none: each ";" makes its pause
    QString spokenHeadword;  // said in place of the headword (a pronunciation rule); empty: itself

    bool operator==(const UtteranceStyle&) const = default;
};

/// As above, and in the default style the very same text. Otherwise the headword (with its
/// label) is said `repeat` times and each part (headword, repeats, letters, meaning) ends in a
/// pause mark of `pauseMs`; empty parts are left out. The letters are always those of `en`.
/// Only `style.spokenHeadword` may hold espeak-ng phonemes in [[…]]: in `en` and `ch` "[[" is
/// split, so no word list's text is read as phonemes.
QString ComposeUtterance(QString en, QString ch, SpeechOptions options, const UtteranceStyle& style);

/// A pause of `ms` (clamped to 0 to kMaxPauseMs) as the planner reads it: see pausemark.h.
QString PauseMark(int ms);
