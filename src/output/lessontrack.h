#pragma once

#include <map>
#include <memory>
#include <optional>
#include <vector>

#include <QString>
#include <QTemporaryDir>

#include "base/comerror.h"
#include "output/batchjob.h"
#include "output/lessonplan.h"
#include "speech/soundtrack.h"

/// A lesson's track, joined as its words' pieces are spoken, in whatever order they come: each
/// word where its number is said, then the writing pause. The pieces wait in a private folder
/// only until the words before them are in, so a long lesson never holds more than a few.
/// Finish names the track and writes its timed list (LRC); destroyed before, nothing of the
/// lesson is left.
class LessonTrack
{
public:
    LessonTrack() = default;
    LessonTrack(const LessonTrack&) = delete;
    LessonTrack& operator=(const LessonTrack&) = delete;

    /// Prepares the track of `words` for `job` (LessonFilePaths): the pieces' folder, and the
    /// track under a temporary name, begun with the job's lead silence.
    Result<void> Begin(const BatchJob& job, std::vector<LessonWord> words);
    /// Where the piece of the word numbered `number` is to be spoken (LessonPieceEncoding).
    QString PiecePath(int number) const;
    /// The piece of word `number` is spoken, or failed for `failure`: the pieces now in order
    /// go into the track and are removed. A failed piece fails the track.
    void PieceDone(int number, const QString& failure = {});
    /// Why the track will not be made, once that is known.
    const std::optional<ComError>& Failure() const { return m_failure; }
    /// Every word is in the track.
    bool Complete() const { return m_next == int(m_words.size()) + 1 && !m_failure; }
    /// The complete track, its trailing silence and tags added (chapters in an MP3 or Opus
    /// file), under its name, then its LRC. On failure neither is left.
    Result<void> Finish();

    const LessonPaths& Paths() const { return m_paths; }
    /// Where each word's number begins, so far.
    const std::vector<LessonCue>& Cues() const { return m_cues; }

private:
    void fail(ComError error);
    void joinReady();

    BatchJob m_job;
    LessonPaths m_paths;
    std::vector<LessonWord> m_words;
    std::unique_ptr<QTemporaryDir> m_pieces;
    speech::SoundTrack m_track;
    std::map<int, bool> m_ready;  // spoken pieces not yet joined, by number
    int m_next = 1;               // the number joined next
    std::vector<LessonCue> m_cues;
    std::optional<ComError> m_failure;
};
