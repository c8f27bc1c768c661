#pragma once

#include <optional>

#include <QString>

/// The look-up text to search for: the typed text without its spaces (U+0020 only), or nothing
/// when what is left is too short. English needs at least two UTF-8 bytes (two letters, or one
/// Chinese character); Chinese needs at least one character.
std::optional<QString> EnglishLookUpText(const QString& typed);
std::optional<QString> ChineseLookUpText(const QString& typed);
