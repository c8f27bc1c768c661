#pragma once

#include <vector>

#include <QString>

#include "speech/composeutterance.h"

class WordListModel;

/// One checked word of a run: what is said and where it goes.
struct BatchWord
{
    int row = -1;      // its row in the list
    QString headword;  // as the list shows it
    QString text;      // what the voice says
    QString path;      // the file; empty when the headword names no file of its own
};

/// The checked rows of `words`, top to bottom, with their composed texts and file paths in
/// `folder`.
std::vector<BatchWord> CheckedWords(const WordListModel& words, const QString& folder, SpeechOptions options);
