// src/vocab/listtext.h — typed or pasted text, or a file's text, into list words.
#pragma once
#include <QList>
#include <QString>

struct ListTextLine
{
    int number = 0;   // 1-based line number in the text
    QString word;
    QString meaning;  // empty when the line gave none
};

struct ListText
{
    QList<ListTextLine> words;      // after merging duplicates (first kept, a later meaning fills an empty one)
    QList<int> ignoredLines;        // numbers of lines that held nothing to take (blank lines not counted)
    QList<int> tooLongLines;        // numbers of lines over 200 characters, refused
    int duplicatesMerged = 0;
};

/// Each line: a word or phrase alone; word<TAB>meaning; word,meaning or word，meaning;
/// word  meaning (two or more spaces, or the first Chinese character, separates); spreadsheet
/// rows (tabs); numbering "1. ", "1) ", "1、" dropped; a CSV/TSV header line (en,ch…) skipped.
ListText ParseListText(const QString& text);
