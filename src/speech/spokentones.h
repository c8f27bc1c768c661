#pragma once

#include <vector>

#include <QString>
#include <QStringList>

/// A word of a run of Chinese characters with its reading: one tone-numbered syllable a
/// character ("yi1"), and where the reading came from.
struct ReadWord
{
    enum class Source {
        AsSaid,     // the user's pronunciation list or the shipped exceptions: left as it is
        Words,      // a word of the shipped words
        Character,  // a character outside any word, in its most common reading
    };

    QString characters;
    QStringList syllables;
    Source source = Source::Character;
};

/// Gives the syllables of `run` (the words of one run of Han characters, in order) the tones
/// they are spoken with, where the readings of words and characters give those of a dictionary:
/// - 一 is yí before a fourth tone and yì before the others, but keeps yī counted as a number
///   (第一, 十一, 一二三, 一一) and at the end of a run or of a word (统一, 唯一的);
///   before 百, 千, 万, 亿 it changes as chinesenumbers.h says it;
/// - 不 is bú before a fourth tone;
/// - 一 and 不 between a repeated character (看一看, 好不好) are neutral;
/// - a character outside any word after another: 地 and 得 are de (慢慢地, 跑得快), 子 is zi
///   (the suffix); standing first they are dì, dé, zǐ, and 得 is dé after 已, 可, 获 ... (已得);
/// - the second of a repeated kinship word (爸爸, 姐姐) is neutral.
/// Words AsSaid are never changed, but their characters count as the context of the others.
void SpeakTones(std::vector<ReadWord>& run);
