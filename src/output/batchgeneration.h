#pragma once

#include <functional>
#include <vector>

#include <QString>

#include "speech/composeutterance.h"
#include "base/result.h"

class WordListModel;

/// Why one checked word got no file.
struct BatchFailure
{
    QString headword;
    QString reason;
};

/// What a run did: whether any row was checked, and the checked rows that got no file.
struct BatchReport
{
    bool anyChecked = false;
    int written = 0;
    int failed = 0;
    std::vector<BatchFailure> firstFailures; // the first few, for the closing message

    /// The closing message: the success text, then (when files failed) how many and why.
    QString Message() const;
};

/// Writes one WAV file per checked row of `words` into `folder`, top to bottom. `speak` writes
/// one composed text to one path (the speech engine's SpeakToFile); `progress` is told each
/// row's index before it is handled, checked or not. A row whose file fails is counted and the
/// run goes on.
class BatchGeneration
{
public:
    using SpeakToFile = std::function<HRESULT(const QString& text, const QString& path)>;
    using Progress = std::function<void(int row)>;

    static constexpr int kFailuresShown = 5;

    static BatchReport Run(const WordListModel& words, const QString& folder, SpeechOptions options,
                           const SpeakToFile& speak, const Progress& progress);

    /// A failure code of the file writer in words a user acts on.
    static QString FailureReason(HRESULT code);
};
