#pragma once

#include <QByteArray>

/// What a file given as a vocabulary or an import source is, told by its first bytes.
enum class VocabularyFileKind {
    Empty,
    Sqlite,
    Jet4,
    OtherAccess, // Jet 3 or the later Access format: known, not supported
    Other,       // anything else (a CSV file to the importer)
};

/// How many leading bytes SniffVocabularyFile needs.
inline constexpr int kVocabularySniffBytes = 0x20;

VocabularyFileKind SniffVocabularyFile(const QByteArray& head);
