#include "output/lesson/lessonrun.h"

#include <QDate>
#include <QFileInfo>

#include "output/batchreport.h"
#include "output/lesson/answersheet.h"
#include "output/lesson/lessonplan.h"
#include "output/lesson/lessontrack.h"

namespace {

void addFailure(BatchReport& report, const QString& path, const QString& reason)
{
    ++report.failed;
    report.failures.push_back({-1, QFileInfo(path).fileName(), reason});
}

} // namespace

std::unique_ptr<PieceSource> LessonRun::For(const BatchJob& job, std::vector<LessonWord> words)
{
    if (words.empty() || !job.lesson.Any())
        return nullptr;
    return std::make_unique<LessonRun>(job, std::move(words));
}

LessonRun::LessonRun(const BatchJob& job, std::vector<LessonWord> words)
    : m_job(job)
    , m_words(std::move(words))
{
    m_job.rows.clear();
}

LessonRun::~LessonRun() = default;  // an unfinished track and the pieces' folder go with it

void LessonRun::Begin(BatchReport& report, std::function<void()> changed)
{
    report.lessonAsked = true;
    if (!m_job.lesson.track)
        return;
    m_track = std::make_unique<LessonTrack>();
    if (const Result<void> begun = m_track->Begin(m_job, m_words, std::move(changed)); !begun) {
        addFailure(report, m_track->Paths().track, FailureReason(begun.error()));
        m_track.reset();
        return;
    }
    m_pieces = int(m_words.size());
}

bool LessonRun::trackFailed() const
{
    return !m_track || m_track->Failure().has_value();
}

int LessonRun::Done() const
{
    // Once the track cannot be made, the pieces not handed out never will be: done.
    if (trackFailed())
        return m_settled + (m_track ? m_pieces - m_handed : m_lost);
    // A spoken piece counts once it is in the track: the track, not the voice, sets the pace.
    return m_settled - (m_spoken - m_track->Joined());
}

int LessonRun::Left() const
{
    return trackFailed() ? 0 : m_pieces - m_handed;
}

std::optional<RunPiece> LessonRun::Next(int workers)
{
    if (Left() == 0)
        return std::nullopt;
    const LessonWord& word = m_words[std::size_t(m_handed)];
    // Pieces are spoken no further ahead of the track than keeps every worker busy: the rest
    // wait as text, not as sound in the pieces' folder.
    if (word.number > m_track->Joined() + 2 * workers + 2)
        return std::nullopt;
    ++m_handed;
    return RunPiece{word.number, word.text, m_track->PiecePath(word.number)};
}

bool LessonRun::Waiting() const
{
    return !trackFailed() && (m_handed < m_pieces || m_track->Joined() < m_spoken);
}

void LessonRun::Spoken(int number)
{
    ++m_settled;
    ++m_spoken;
    if (m_track)
        m_track->PieceSpoken(number);
}

void LessonRun::Failed(int number, const QString& reason)
{
    ++m_settled;
    if (m_track)
        m_track->PieceFailed(number, reason);
}

void LessonRun::Unspeakable(const QString& reason)
{
    if (Left() == 0)
        return;
    // Named after the first piece left out, as a failed piece would be.
    m_track->PieceFailed(m_words[std::size_t(m_handed)].number, reason);
}

void LessonRun::Finish(bool stopped, BatchReport& report)
{
    if (m_track && m_track->Failure())
        m_lost = m_pieces - m_handed;
    if (m_track && !stopped) {
        const LessonPaths& paths = m_track->Paths();
        if (const Result<void> finished = m_track->Finish(); finished) {
            report.lessonFiles << QFileInfo(paths.track).fileName() << QFileInfo(paths.lyrics).fileName();
            report.lessonTrack = QFileInfo(paths.track).fileName();
            report.lessonWords = int(m_words.size());
            report.lessonSeconds = m_track->Seconds();
        } else {
            addFailure(report, paths.track, FailureReason(finished.error()));
        }
    }
    m_track.reset();
    if (!stopped)
        printSheets(report);
}

void LessonRun::printSheets(BatchReport& report) const
{
    const LessonPaths paths = LessonFilePaths(m_job);
    const QString title = LessonName(m_job.source);
    const auto print = [&](const QString& path, LessonOptions::Sheet sheet) {
        if (const Result<void> printed = WriteAnswerSheet(path, sheet, title, QDate::currentDate(), m_words); printed)
            report.lessonFiles << QFileInfo(path).fileName();
        else
            addFailure(report, path, FailureReason(printed.error()));
    };
    if (m_job.lesson.sheet != LessonOptions::Sheet::None)
        print(paths.sheet, m_job.lesson.sheet);
    if (m_job.lesson.key)
        print(paths.key, kKeySheet);
}
