#pragma once

#include <functional>

#include <QHash>
#include <QList>
#include <QString>

#include "vocab/listtext.h"
#include "vocab/ownlists.h"

class MeaningLookup;

/// What the list dialog makes of its text: the words with their meanings, each word's line,
/// and what the text held besides words.
struct OwnListDraft
{
    QList<OwnListWord> words;
    QList<int> lineNumbers;      // the line each word came from, 1-based, as words
    QList<int> ignoredLines;
    QList<int> tooLongLines;
    int duplicatesMerged = 0;
    bool stopped = false;        // `progress` asked to stop; the words are incomplete
};

/// Reads `text` by ParseListText's rules and gives every word its meaning: the one on its line
/// (typed), else the one `kept` holds for it (a saved list being edited keeps what it had, with
/// its source), else the vocabulary's (`lookup`, may be null), else none (not found).
/// `progress` (may be empty) gets 0..100 while meanings are looked up and returns false to stop.
OwnListDraft DraftOwnList(const QString& text, const MeaningLookup* lookup,
                          const QHash<QString, OwnListWord>& kept = {},
                          const std::function<bool(int)>& progress = {});

/// A saved list as the dialog's text: a line per word, "word<TAB>meaning" for a meaning the
/// user typed, the word alone otherwise (its meaning is then found again, or kept).
QString OwnListText(const QList<OwnListWord>& words);

/// A saved list's words by headword, for DraftOwnList's `kept`.
QHash<QString, OwnListWord> WordsByHeadword(const QList<OwnListWord>& words);
