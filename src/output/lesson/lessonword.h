#pragma once

#include <QString>

/// One word of a dictation lesson, as the plan makes it and the track, its timed list and
/// chapters, and the sheets use it.
struct LessonWord
{
    int number = 0;    // its place among the checked rows, from 1: the number the class hears
    QString headword;
    QString meaning;
    QString text;      // what is said: its number in Mandarin, then the word as the options say it
};
