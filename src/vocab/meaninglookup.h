// src/vocab/meaninglookup.h — meanings for words given without one.
#pragma once
#include <optional>
#include <vector>
#include <QMultiHash>
#include <QString>
#include "vocab/wordentry.h"
class WordStore;

/// Looks words up in the open vocabulary: exact headword, then case-insensitive, then with
/// spacing and punctuation normalised; the first match in course order. Built once per
/// vocabulary (it may read the whole word table into memory); 200 look-ups well under 50 ms.
class MeaningLookup
{
public:
    explicit MeaningLookup(WordStore* store);   // null store: finds nothing
    std::optional<QString> Find(const QString& word) const;

private:
    std::vector<WordEntry> m_rows;      // headword, then course and meaning joined by U+001F
    QMultiHash<QString, int> m_byKey;   // rows by headword without case, spacing or punctuation
};
