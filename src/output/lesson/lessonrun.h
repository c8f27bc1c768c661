#pragma once

#include <memory>
#include <vector>

#include "output/batchjob.h"
#include "output/lesson/lessonword.h"
#include "output/piecesource.h"

class LessonTrack;

/// A run's dictation lesson: asks the run for its words' pieces, no further ahead of the track
/// than keeps the workers busy, has them joined into the track as they come (LessonTrack), and
/// at the end names the track and its timed list and prints the sheets the job asks for. A
/// stopped run makes none of it: a track of some of the words would be taken for the whole,
/// and the sheets would not match it. A failed piece leaves no track, and the rest of its
/// pieces are not spoken.
class LessonRun : public PieceSource
{
public:
    /// The lesson of `job` over `words` (PlanLessonWords), or none when there is none to make.
    static std::unique_ptr<PieceSource> For(const BatchJob& job, std::vector<LessonWord> words);

    LessonRun(const BatchJob& job, std::vector<LessonWord> words);
    ~LessonRun() override;

    void Begin(BatchReport& report, std::function<void()> changed) override;
    int Total() const override { return m_pieces; }
    int Done() const override;
    int Left() const override;
    std::optional<RunPiece> Next(int workers) override;
    bool Waiting() const override;
    void Spoken(int number) override;
    void Failed(int number, const QString& reason) override;
    void Unspeakable(const QString& reason) override;
    void Finish(bool stopped, BatchReport& report) override;

private:
    bool trackFailed() const;
    void printSheets(BatchReport& report) const;

    BatchJob m_job;  // without its rows
    std::vector<LessonWord> m_words;
    std::unique_ptr<LessonTrack> m_track;  // while it can still be made
    int m_pieces = 0;   // the track's pieces: one a word, none without a track
    int m_handed = 0;   // pieces handed out to be spoken, in number order
    int m_settled = 0;  // of those, spoken or failed
    int m_spoken = 0;   // of those, spoken: done once joined
    int m_lost = 0;     // pieces never spoken once the track had failed
};
