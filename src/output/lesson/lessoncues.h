#pragma once

#include <vector>

#include <QString>

#include "output/filetags.h"
#include "output/lesson/lessonword.h"

/// "1. apple 苹果": how the timed list and the chapters title a word, on one line.
QString LessonWordTitle(const LessonWord& word);

/// The timed list in LRC form: "[ti:title]", then "[mm:ss.xx]1. apple 苹果" for each word,
/// `starts[i]` (seconds into the track) being where `words[i]` begins.
QString LessonLyrics(const QString& title, const std::vector<LessonWord>& words, const std::vector<double>& starts);

/// The track's chapters: one a word, from where it begins to where the next does (the last to
/// the track's end, `seconds`).
std::vector<FileTags::Chapter> LessonChapters(const std::vector<LessonWord>& words, const std::vector<double>& starts,
                                        double seconds);
