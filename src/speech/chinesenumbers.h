#pragma once

#include <QString>

/// `n` (0 to 99,999,999) in Chinese numerals as it is said: 十二, 一百零三, 一千六百零三.
QString ChineseNumeral(int n);

/// The tone-numbered pinyin of ChineseNumeral(n), with 一 read as it is before 百, 千 and 万:
/// "yi4 qian1 liu4 bai3 ling2 san1".
QString ChineseNumeralPinyin(int n);

/// "第一千六百零三个", marked with its reading (dì yī … gè), for a voice to say the place of a word
/// in a list: the shipped readings of words would read the 一个 of 第一个 as yí gè.
QString SpokenOrdinal(int n);
