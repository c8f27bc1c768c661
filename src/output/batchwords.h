#pragma once

#include <vector>

#include <QString>

#include "base/comerror.h"
#include "output/filenaming.h"
#include "output/lesson/lessonword.h"
#include "speech/pronunciations.h"
#include "speech/wordspeech.h"
#include "vocab/wordentry.h"

struct BatchJob;

/// One checked word of a run: what is said and where it goes.
struct BatchWord
{
    int row = -1;      // its place among the run's rows, from 0
    QString headword;  // as the list shows it
    QString text;      // what the voice says
    QString path;      // the file; empty when the headword names no file of its own
    QString meaning;   // the Chinese meaning, for the file's tags and the playlist
    int track = 0;     // its place among the checked rows, from 1
    HRESULT refusal = ResultCode::NameNotAllowed;  // why, when it has no path (or NameTooLong)
};

/// `rows` (the checked words, top to bottom) with their texts (as `speech` composes them) and
/// file paths in `folder`. Plain names (headword + extension) are the headwords as they are, a
/// later row overwriting an earlier one of the same name; numbered or card-safe names are
/// planned for the whole list, so no two rows share a file.
std::vector<BatchWord> PlanBatchWords(const std::vector<WordEntry>& rows, const QString& folder,
                                      const WordSpeech& speech, const FileNaming& naming = {});

/// What a job says for each word, with its pronunciation list read.
struct PlannedRun
{
    std::vector<BatchWord> words;                // one file each; none when a lesson replaces them
    std::vector<LessonWord> lesson;              // the lesson's words, when one is asked for (LessonRun)
    QString pronunciationsPath;                  // the list that applies; empty: none
    std::vector<PronunciationProblem> problems;  // its malformed lines, which were skipped
};

/// The words of `job` for a voice that does or does not read espeak-ng phonemes. Fails only
/// when a pronunciation list the job names cannot be read.
Result<PlannedRun> PlanRun(const BatchJob& job, bool phonemesReadable);

/// BatchJob::Validate, then PlanRun: a run as the window starts it (lexovox-batch validates
/// its job as it reads it, before it makes the folder).
Result<PlannedRun> PrepareRun(const BatchJob& job, bool phonemesReadable);
