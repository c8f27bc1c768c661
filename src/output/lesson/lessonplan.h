#pragma once

#include <vector>

#include <QString>

#include "output/batchjob.h"
#include "output/lesson/lessonword.h"
#include "speech/wordspeech.h"
#include "vocab/wordentry.h"

/// The lesson of `rows` (the checked words, top to bottom) as `speech` says them.
std::vector<LessonWord> PlanLessonWords(const std::vector<WordEntry>& rows, const WordSpeech& speech);

/// The lesson's name, which its files take: "中考词汇 听写" for that course, made a name any file
/// system takes ("听写" when nothing of the source's name is left).
QString LessonName(const WordSource& source);

/// The files of a lesson in the run's folder.
struct LessonPaths
{
    QString track;   // "<name>.mp3" (the run's file type)
    QString lyrics;  // "<name>.lrc"
    QString key;     // "<name> 答案.pdf"
    QString sheet;   // "<name> 答题纸.pdf"
};
LessonPaths LessonFilePaths(const BatchJob& job);
