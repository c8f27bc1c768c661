#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <set>
#include <thread>
#include <memory>
#include <optional>
#include <vector>

#include <QString>
#include <QTemporaryDir>

#include "base/comerror.h"
#include "output/batchjob.h"
#include "output/lesson/lessonplan.h"
#include "speech/soundtrack.h"

/// A lesson's track, joined as its words' pieces are spoken, in whatever order they come: each
/// word where its number is said, then the writing pause. The pieces wait in a private folder
/// only until the words before them are in, so a long lesson never holds more than a few.
/// Joining (levelling and encoding hours of sound) runs on a thread of its own, so the window's
/// event loop is not held up a piece at a time. Finish names the track and writes its timed
/// list (LRC); destroyed before, nothing of the lesson is left.
class LessonTrack
{
public:
    LessonTrack() = default;
    ~LessonTrack();
    LessonTrack(const LessonTrack&) = delete;
    LessonTrack& operator=(const LessonTrack&) = delete;

    /// Prepares the track of `words` for `job` (LessonFilePaths): the pieces' folder, and the
    /// track under a temporary name, begun with the job's lead silence; then starts joining.
    /// `joined` is called on the joining thread after each piece is in, or the track failed.
    Result<void> Begin(const BatchJob& job, std::vector<LessonWord> words, std::function<void()> joined = {});
    /// Where the piece of the word numbered `number` is to be spoken (PieceEncoding).
    QString PiecePath(int number) const;
    /// The piece of word `number` is spoken: the pieces now in order go into the track, soon,
    /// and are removed.
    void PieceSpoken(int number);
    /// The piece of word `number` failed for `reason` (as the run's report words it): the track
    /// cannot be made, and Failure names the word.
    void PieceFailed(int number, const QString& reason);
    /// Why the track will not be made, once that is known.
    std::optional<ComError> Failure() const;
    /// How many pieces are in the track so far.
    int Joined() const;
    /// Once every piece is done: waits for them to be joined, then completes the track (its
    /// trailing silence, its tags and chapters in an MP3 or Opus file), names it and writes its
    /// LRC. On failure neither is left.
    Result<void> Finish();

    const LessonPaths& Paths() const { return m_paths; }
    /// The finished track's length.
    double Seconds() const { return m_seconds; }

private:
    void joinLoop();
    Result<double> join(int number);
    void stopJoining(bool abandon);

    BatchJob m_job;
    LessonPaths m_paths;
    std::vector<LessonWord> m_words;
    std::unique_ptr<QTemporaryDir> m_pieces;
    speech::SoundTrack m_track;   // the joiner's while it runs
    std::vector<double> m_starts;  // where each word joined begins; the joiner's while it runs
    std::function<void()> m_joined;
    double m_seconds = 0;         // the finished track's length

    mutable std::mutex m_lock;    // guards what follows
    std::condition_variable m_wake;
    std::set<int> m_ready;        // spoken pieces not yet joined, by number
    int m_next = 1;               // the number joined next
    bool m_closing = false;       // join what is ready, then end
    bool m_abandoned = false;     // end now
    std::optional<ComError> m_failure;
    std::thread m_joiner;
};
