#pragma once

#include <vector>

#include <QString>

#include "output/filenaming.h"
#include "speech/wordspeech.h"

class WordListModel;

/// One checked word of a run: what is said and where it goes.
struct BatchWord
{
    int row = -1;      // its row in the list
    QString headword;  // as the list shows it
    QString text;      // what the voice says
    QString path;      // the file; empty when the headword names no file of its own
    QString meaning;   // the Chinese meaning, for the file's tags and the playlist
    int track = 0;     // its place among the checked rows, from 1
};

/// The checked rows of `words`, top to bottom, with their texts (as `speech` composes them) and file paths in
/// `folder`. Plain names (headword + extension) are the list's headwords as they are, a later
/// row overwriting an earlier one of the same name; numbered or card-safe names are planned
/// for the whole list, so no two rows share a file.
std::vector<BatchWord> CheckedWords(const WordListModel& words, const QString& folder, const WordSpeech& speech,
                                    const FileNaming& naming = {});
