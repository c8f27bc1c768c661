#pragma once

#include <vector>

#include <QString>
#include <QStringList>

#include "base/comerror.h"

/// Why one checked word got no file.
struct BatchFailure
{
    int row = -1;
    QString headword;
    QString reason;
};

/// What a run did.
struct BatchReport
{
    bool anyChecked = false;
    bool stopped = false;  // stopped before every word had its turn
    int total = 0;         // checked words
    int written = 0;
    int skipped = 0;       // their file existed and the run was told to keep it
    int failed = 0;
    int overwritten = 0;   // written, then replaced by a later row of the same name: one file for two

    qint64 elapsedMs = 0;
    std::vector<BatchFailure> failures; // every failure, in list order
    bool lessonAsked = false; // a dictation lesson was asked for
    QStringList lessonFiles;  // the names of the dictation lesson's files written
    QString lessonTrack;      // of those, its track's; empty when none was made
    int lessonWords = 0;      // the words in the track
    double lessonSeconds = 0; // the track's length

    /// Checked words with no file: failed ones and those a stop left out.
    int Missing() const { return total - written - skipped - overwritten; }

    /// The closing message: the success text (or the stop notice), what was written, skipped
    /// and failed and how long it took, then the first failures with their reasons.
    QString Message() const;

    static constexpr int kFailuresShown = 5;
};

/// What a run's dictation track holds, for the command line's summary: "1,603 words, 2 h 13 min
/// in 中考词汇 听写.mp3"; empty when no track was made.
QString LessonTrackSummary(const BatchReport& report);

/// A failure code of the file writer, the synthesiser or the batch itself in words a user acts
/// on, from the one message table (Chinese, as the closing message is); the number only for a
/// code the table lacks.
QString FailureReason(HRESULT code);
/// The same for a failure with its subject (the file it concerns, the system's reason).
QString FailureReason(const ComError& error);

/// `text` with its control characters written out (\\n, \\t, \\0, \\x1B…), so a headword holding
/// them cannot cut or split a line of a report.
QString PrintableText(const QString& text);
/// `text` on one line of a list (a playlist, a lesson's timed list): control characters (a line
/// break, NUL) and runs of spaces become one space.
QString OneLine(QString text);

/// "约 10 秒", "约 3 分钟": the time a run has left, for its progress.
QString RemainingTimeText(qint64 ms);

/// Reasons the batch itself gives: FailureReason of its own codes.
QString NameNotAllowedReason();
QString WorkerCrashedReason();
QString WorkerTimedOutReason();
QString WorkerUnavailableReason();
