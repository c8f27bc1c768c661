#pragma once

#include <optional>

#include <QString>
#include <QStringView>

/// A pinyin reading as espeak-ng's Mandarin voice reads it: syllables joined by single spaces,
/// each its letters (ü as "ü") and its tone as a digit, 5 for the neutral tone ("yin2 hang2",
/// "hao3 le5").
struct ToneNumbered
{
    QString text;
    int syllables = 0;
};

/// `reading` in tone numbers. It may be written in tone marks ("yín háng", one syllable between
/// spaces) or tone numbers ("yin2 hang2", "yin2hang2"), in any case, with "v" or "u:" for ü. A
/// syllable without a tone is neutral when `neutralUnmarked` (as the shipped word list writes
/// it), else it makes the reading no pinyin. Nothing for anything that is not pinyin: a letter
/// outside it, a syllable of more than six letters or two tones, a tone before any letter.
std::optional<ToneNumbered> ToneNumberedPinyin(QStringView reading, bool neutralUnmarked);
