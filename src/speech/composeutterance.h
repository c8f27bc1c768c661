#pragma once

#include <QString>

/// The three speaking options, as the window's check boxes stand at the moment of a call.
struct SpeechOptions
{
    bool spellOut = false;        // a single word is followed by its letters, one by one
    bool chineseMeaning = false;  // the Chinese explanation is spoken after the English
    bool prefix = false;          // each piece is introduced by a spoken label
};

/// The text spoken for one word: the lower-cased headword `en`, optionally its letters each
/// followed by an ideographic space, optionally the explanation `ch` (each "…" read as
/// "什么"), optionally with the labels "单词:", "拼写:" or "短语:" before the pieces. A
/// headword with a space is a phrase and is never spelled. The separators ";" and " ;" stay
/// whatever the options, so empty pieces leave them behind ("apple;; ;").
QString ComposeUtterance(QString en, QString ch, SpeechOptions options);
