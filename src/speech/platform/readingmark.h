#pragma once

#include <QChar>
#include <QString>
#include <QStringView>

// A Chinese word's reading as the composer marks it in a text, for the planner: the word, then
// its tone-numbered pinyin, so the planner hands each voice what it reads right (the pinyin to
// espeak-ng's cmn-latn-pinyin, the characters to any other). Private-use characters, as the
// pause marks, that no word list holds (the composer drops any it is given).

inline constexpr QChar kReadingStart = QChar(0xE002);
inline constexpr QChar kReadingSeparator = QChar(0xE003);
inline constexpr QChar kReadingEnd = QChar(0xE004);

/// `word` (Han characters) marked with `pinyin` ("yin2 hang2").
inline QString ReadingMark(QStringView word, QStringView pinyin)
{
    return kReadingStart + word.toString() + kReadingSeparator + pinyin.toString() + kReadingEnd;
}
