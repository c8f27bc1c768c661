#pragma once

#include <QString>

class ChineseWords;

/// `text` with each Chinese word found in it marked with its reading (speech/platform/
/// readingmark.h), which the planner hands a voice that reads pinyin in place of the word. Each
/// run of Han characters is split into words from its start by longest match against `own`
/// (the user's pronunciation list) and `shipped` together, a word of `own` winning over one of
/// `shipped` as long; either may be null. Characters outside any word are left for the voice's
/// own reading, and so is everything but Han characters: punctuation, spaces, Latin letters.
QString MarkChineseReadings(const QString& text, const ChineseWords* shipped, const ChineseWords* own);
