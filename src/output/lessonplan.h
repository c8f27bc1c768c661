#pragma once

#include <vector>

#include <QString>

#include "output/batchjob.h"
#include "speech/fileencoding.h"
#include "speech/wordspeech.h"
#include "vocab/wordentry.h"

/// One word of a dictation lesson.
struct LessonWord
{
    int number = 0;    // its place among the checked rows, from 1
    QString headword;
    QString meaning;
    QString text;      // what is said: its number in Mandarin, then the word as the options say it
};

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

/// How each word is spoken into its piece of the track: a WAV in the track's PCM, levelled to
/// the run's loudness (the program's usual one when the run has none, since a lesson is heard
/// as one file), with no silence of its own at the ends.
speech::FileEncoding LessonPieceEncoding(const BatchJob& job);

/// Where one word's number begins in the track.
struct LessonCue
{
    double seconds = 0;
    int number = 0;
    QString headword;
    QString meaning;
};

/// "1. apple 苹果": how the timed list and the chapters title a word, on one line.
QString LessonCueTitle(const LessonCue& cue);
/// The timed list in LRC form: "[ti:title]", then "[mm:ss.xx]1. apple 苹果" for each cue.
QString LessonLyrics(const QString& title, const std::vector<LessonCue>& cues);
