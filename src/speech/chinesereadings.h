#pragma once

#include <QString>

class ChineseWords;

/// `text` with each Chinese word found in it marked with its reading (speech/platform/
/// readingmark.h), which the planner hands a voice that reads pinyin in place of the word. Each
/// run of Han characters is split into words from its start by longest match against `own`
/// (the user's pronunciation list) and `shipped` together, a word of `own` winning over one of
/// `shipped` as long; either may be null. A character outside any word is read as `shipped`
/// reads it alone (its most common reading), or, without a reading there, left for the voice's
/// own. The readings are then given the tones they are spoken with (SpeakTones), but for those of
/// `own` and the shipped exceptions. Everything but Han characters stays as it is: punctuation,
/// spaces, Latin letters, digits, readings marked before.
QString MarkChineseReadings(const QString& text, const ChineseWords* shipped, const ChineseWords* own);
