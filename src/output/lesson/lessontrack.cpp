#include "output/lesson/lessontrack.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "base/atomicfile.h"
#include "base/processstamp.h"
#include "output/batchreport.h"
#include "output/filetags.h"
#include "output/lesson/lessoncues.h"
#include "output/piecesource.h"

namespace {

// The pieces' folders: those of lessons whose process was killed go when the next begins.
const QString kPiecesPrefix = QStringLiteral("lexovox-lesson-");

} // namespace

Result<void> LessonTrack::Begin(const BatchJob& job, std::vector<LessonWord> words, std::function<void()> joined)
{
    m_joined = std::move(joined);
    m_job = job;
    m_job.rows.clear();
    m_paths = LessonFilePaths(job);
    m_words = std::move(words);
    m_pieces = NewOwnedTemporaryFolder(kPiecesPrefix);
    if (!m_pieces->isValid())
        return Fail(ComError(STG_E_ACCESSDENIED, QDir::tempPath()));
    if (Result<void> opened = m_track.Open(m_paths.track, job.formatCode, job.files.encoding); !opened)
        return opened;
    if (Result<void> lead = m_track.AppendSilence(job.sound.leadMs); !lead)
        return lead;
    m_joiner = std::thread([this] { joinLoop(); });
    return {};
}

LessonTrack::~LessonTrack()
{
    stopJoining(true);
}

QString LessonTrack::PiecePath(int number) const
{
    return m_pieces ? m_pieces->filePath(QStringLiteral("%1.wav").arg(number)) : QString();
}

void LessonTrack::PieceSpoken(int number)
{
    const std::lock_guard lock(m_lock);
    if (m_failure || number < m_next || number > int(m_words.size()))
        return;
    m_ready.insert(number);
    m_wake.notify_one();
}

void LessonTrack::PieceFailed(int number, const QString& reason)
{
    const std::lock_guard lock(m_lock);
    if (m_failure || number < m_next || number > int(m_words.size()))
        return;
    const LessonWord& word = m_words[std::size_t(number - 1)];
    m_failure = ComError(ResultCode::LessonWordMissing,
                         QStringLiteral("%1. %2（%3）").arg(number).arg(PrintableText(word.headword), reason));
    m_wake.notify_one();
}

std::optional<ComError> LessonTrack::Failure() const
{
    const std::lock_guard lock(m_lock);
    return m_failure;
}

int LessonTrack::Joined() const
{
    const std::lock_guard lock(m_lock);
    return m_next - 1;
}

void LessonTrack::joinLoop()
{
    std::unique_lock lock(m_lock);
    for (;;) {
        m_wake.wait(lock, [this] { return m_abandoned || m_failure || m_closing || m_ready.contains(m_next); });
        if (m_abandoned || m_failure || !m_ready.contains(m_next))
            return;  // abandoned, failed, or closing with nothing more in order
        const int number = m_next;
        m_ready.erase(number);
        lock.unlock();
        const Result<double> start = join(number);
        lock.lock();
        if (start) {
            m_starts.push_back(*start);
            ++m_next;
        } else {
            m_failure = start.error();
        }
        if (m_joined) {
            lock.unlock();
            m_joined();
            lock.lock();
        }
    }
}

Result<double> LessonTrack::join(int number)
{
    const QString piece = PiecePath(number);
    const Result<speech::TrackPiece> placed = m_track.AppendPiece(piece, PieceEncoding(m_job).loudnessLufs);
    QFile::remove(piece);
    if (!placed)
        return Fail(ComError(placed.error().Error(), m_paths.track));
    if (Result<void> pause = m_track.AppendSilence(m_job.lesson.pauseMs); !pause)
        return Fail(pause.error());
    return placed->sound;
}

void LessonTrack::stopJoining(bool abandon)
{
    {
        const std::lock_guard lock(m_lock);
        m_closing = true;
        m_abandoned = m_abandoned || abandon;
    }
    m_wake.notify_one();
    if (m_joiner.joinable())
        m_joiner.join();
}

Result<void> LessonTrack::Finish()
{
    stopJoining(false);
    if (const std::optional<ComError> failure = Failure())
        return Fail(*failure);
    if (m_next != int(m_words.size()) + 1)
        return Fail(ComError(E_UNEXPECTED, m_paths.track));
    if (Result<void> trail = m_track.AppendSilence(m_job.sound.trailMs); !trail)
        return trail;

    const QString name = QFileInfo(m_paths.track).completeBaseName();
    const double length = m_track.Seconds();
    const FileTags tags{name, m_job.source.Album(), 0, 0, {}, LessonChapters(m_words, m_starts, length)};
    const speech::OutputFileType type = m_job.files.encoding.type;
    const auto tag = [&](const QString& written, double) {
        return type == speech::OutputFileType::Wav || WriteFileTags(written, type, tags).has_value();
    };
    // The list is written before the track takes its name and named after it: a track is
    // never left beside a list of another lesson's times, and a failure leaves both as they were.
    AtomicFile lyrics;
    if (Result<void> opened = lyrics.Open(m_paths.lyrics, u".lrc"); !opened)
        return opened;
    if (Result<void> written = lyrics.Write(LessonLyrics(name, m_words, m_starts).toUtf8()); !written)
        return written;
    if (Result<void> committed = m_track.Commit(tag); !committed)
        return committed;
    if (Result<void> named = lyrics.Commit(); !named)
        return named;
    m_seconds = length;
    return {};
}
