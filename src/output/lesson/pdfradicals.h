#pragma once

#include <QByteArray>
#include <QHash>

class QFont;

/// The ideograph each radical character (U+2E80…U+2FDF) stands for in `font`: the unified
/// ideograph it draws with the same glyph. Fonts such as Noto CJK draw ⼀ (U+2F00) as 一
/// (U+4E00) and ⻓ (U+2ED3) as 长 (U+957F). Radicals drawn with a glyph of their own are left out.
QHash<char16_t, char16_t> IdeographsOfRadicals(const QFont& font);

/// Renames, in `pdf` as Qt's PDF writer wrote it, the glyphs its text maps (ToUnicode) name
/// after a radical of `ideographs` to that ideograph, so that copying or searching the text
/// finds 一 where the page shows 一. The writer names a glyph after the lowest code point a
/// font draws with it, which for a glyph shared with a radical is the radical. The bytes keep
/// their length and places; a map of another shape is left as it is.
void NameGlyphsAfterIdeographs(QByteArray& pdf, const QHash<char16_t, char16_t>& ideographs);
