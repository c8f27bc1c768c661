#include "output/batchengine.h"

#include <algorithm>
#include <map>

#include <unistd.h>

#include <QDateTime>
#include <QFileInfo>
#include <QPointer>
#include <QProcess>
#include <QThread>
#include <QTimer>

#include "base/atomicfile.h"
#include "output/answersheet.h"
#include "output/batchworker.h"
#include "output/lessontrack.h"
#include "output/playlist.h"
#include "speech/fileencoding.h"

namespace {

// A worker that cannot start this many times in a row means none will.
constexpr int kMaxStartFailures = 3;

} // namespace

struct BatchEngine::Worker
{
    QProcess* process = nullptr;
    QTimer* timer = nullptr;
    QByteArray pending;     // an answer line not yet complete
    int index = -1;         // the word it is on, or -1
    bool ready = false;
    qint64 pid = 0;         // kept from its start: a process that ended no longer tells it
};

BatchEngine::BatchEngine(QObject* parent)
    : QObject(parent)
{
}

BatchEngine::~BatchEngine()
{
    for (const std::unique_ptr<Worker>& worker : m_workers) {
        worker->process->disconnect(this);
        worker->process->kill();
        worker->process->waitForFinished(1000);
        // Killed in the middle of a word, it leaves that word's temporary file.
        AtomicFile::RemoveTemporaryFiles(m_job.folder, worker->pid);
    }
    // Workers of a finished run end by themselves once their input is closed; give them a
    // moment rather than cutting them off.
    for (const QPointer<QProcess>& process : m_retiring) {
        if (process && !process->waitForFinished(3000)) {
            process->kill();
            process->waitForFinished(1000);
        }
    }
}

void BatchEngine::Start(BatchJob job, std::vector<BatchWord> words, std::vector<LessonWord> lesson)
{
    if (m_running)
        return;
    m_words = std::move(words);
    m_job = std::move(job);
    m_job.rows.clear();
    m_album = m_job.source.Album();
    m_startError.clear();
    m_report = BatchReport{};
    m_report.anyChecked = !m_words.empty() || !lesson.empty();
    m_report.total = int(m_words.size());
    m_lessonWords = std::move(lesson);
    m_report.lessonAsked = !m_lessonWords.empty();
    m_lesson.reset();
    m_piecesDone = 0;
    m_piecesSpoken = 0;
    if (m_job.lesson.track && !m_lessonWords.empty()) {
        m_lesson = std::make_unique<LessonTrack>();
        // Told on the joining thread; acted on here, on the engine's: progress, more pieces, the end.
        const auto joined = [this] { QMetaObject::invokeMethod(this, [this] { lessonJoined(); }, Qt::QueuedConnection); };
        if (const Result<void> begun = m_lesson->Begin(m_job, m_lessonWords, joined); !begun) {
            lessonFailed(QFileInfo(m_lesson->Paths().track).fileName(), FailureReason(begun.error()));
            m_lesson.reset();
        } else {
            // Spoken after the words' own files, in list order, so the track grows as they come.
            for (const LessonWord& word : m_lessonWords) {
                BatchWord piece{word.number - 1, word.headword, word.text, m_lesson->PiecePath(word.number),
                                word.meaning, word.number};
                piece.lessonPiece = true;
                m_words.push_back(std::move(piece));
            }
        }
    }
    m_seconds.assign(m_words.size(), -1);
    m_written.clear();
    m_queue.clear();
    m_next = 0;
    m_spoken = 0;
    m_startFailures = 0;
    m_stopping = false;
    m_running = true;
    m_clock.start();
    m_startedAtMs = QDateTime::currentMSecsSinceEpoch();
    sweepTemporaryFiles();

    for (int i = 0; i < int(m_words.size()); ++i) {
        const BatchWord& word = m_words[std::size_t(i)];
        if (word.lessonPiece)
            m_queue.push_back(i);
        else if (word.path.isEmpty())
            settle(i, Outcome::Failed, FailureReason(word.refusal));
        else if (m_job.skipExisting && QFileInfo(word.path).size() > 0)
            settle(i, Outcome::Skipped);  // an empty file is what a failed write left: spoken again
        else
            m_queue.push_back(i);
    }
    const int cores = std::max(1, QThread::idealThreadCount());
    const int wanted = std::min(m_job.jobs > 0 ? m_job.jobs : cores, int(m_queue.size()));
    m_workers.clear();
    for (int i = 0; i < wanted; ++i) {
        m_workers.push_back(std::make_unique<Worker>());
        startWorker(*m_workers.back());
    }
    // The playlist gives a kept file's own length (0 lists it with the shortest), read while
    // the workers warm up rather than before they start.
    if (m_job.files.playlist) {
        for (std::size_t i = 0; i < m_words.size(); ++i) {
            if (m_seconds[i] == 0 && !m_words[i].lessonPiece)
                m_seconds[i] = speech::SoundFileSeconds(m_words[i].path).value_or(0);
        }
    }
    // Even a run with nothing to speak ends through the event loop, as every run does.
    QTimer::singleShot(0, this, &BatchEngine::finishIfDone);
}

void BatchEngine::Stop()
{
    if (!m_running || m_stopping)
        return;
    m_stopping = true;
    finishIfDone();
}

int BatchEngine::Done() const
{
    // A spoken piece counts once it is in the track: the track, not the voice, sets the pace.
    const int unjoined = m_lesson && !m_lesson->Failure() ? m_piecesSpoken - m_lesson->Joined() : 0;
    return m_report.written + m_report.skipped + m_report.failed + m_report.overwritten + m_piecesDone - unjoined;
}

void BatchEngine::lessonJoined()
{
    // A piece joined after the run ended (stopped, or its track failed) changes nothing.
    if (!m_running)
        return;
    emit progress(Done(), Total());
    dispatch();
}

bool BatchEngine::lessonJoining() const
{
    return m_lesson && !m_lesson->Failure() && m_lesson->Joined() < m_piecesSpoken;
}

qint64 BatchEngine::RemainingMs() const
{
    if (m_spoken == 0)
        return -1;
    const qint64 left = qint64(m_queue.size() - m_next);
    return m_clock.elapsed() * left / m_spoken;
}

std::vector<qint64> BatchEngine::WorkerProcessIds() const
{
    std::vector<qint64> ids;
    for (const std::unique_ptr<Worker>& worker : m_workers) {
        if (worker->process && worker->process->state() == QProcess::Running)
            ids.push_back(worker->process->processId());
    }
    return ids;
}

void BatchEngine::startWorker(Worker& worker)
{
    std::erase_if(m_retiring, [](const QPointer<QProcess>& process) { return process.isNull(); });
    if (worker.process) {
        worker.process->disconnect(this);
        worker.process->deleteLater();
    }
    worker = Worker{};
    worker.process = new QProcess(this);
    worker.timer = new QTimer(worker.process);
    worker.timer->setSingleShot(true);
    // The synthesisers' own notes (no sound server and the like) are of no use here.
    worker.process->setStandardErrorFile(QProcess::nullDevice());
    connect(worker.process, &QProcess::started, this, [&worker] { worker.pid = worker.process->processId(); });
    connect(worker.process, &QProcess::readyReadStandardOutput, this, [this, &worker] { readAnswers(worker); });
    connect(worker.process, &QProcess::finished, this, [this, &worker] { workerEnded(worker); });
    connect(worker.process, &QProcess::errorOccurred, this, [this, &worker](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            workerEnded(worker);
    });
    // Hung on a word: ending the process reports the word through workerEnded.
    connect(worker.timer, &QTimer::timeout, worker.process, &QProcess::kill);
    // A worker has a process group of its own: Ctrl+C in a terminal goes to the terminal's
    // group, and must reach the program (which stops after the words in progress), not the
    // workers in the middle of a word.
    worker.process->setChildProcessModifier([] { ::setpgid(0, 0); });
    worker.process->start(m_workerProgram.isEmpty() ? DefaultWorkerProgram() : m_workerProgram, {});
    // The job goes first, whole; the words follow one a line as workers become free.
    worker.process->write(batchprotocol::EncodeJob(m_job));
}

void BatchEngine::readAnswers(Worker& worker)
{
    worker.pending += worker.process->readAllStandardOutput();
    qsizetype end = 0;
    while ((end = worker.pending.indexOf('\n')) >= 0) {
        const QByteArray line = worker.pending.left(end);
        worker.pending.remove(0, end + 1);
        const std::optional<batchprotocol::Answer> answer = batchprotocol::DecodeAnswer(line);
        if (!answer)
            continue;
        if (answer->ready) {
            worker.ready = true;
            m_startFailures = 0;
        } else if (!answer->error.isEmpty()) {
            m_startError = answer->error;
        } else if (answer->id >= 0 && answer->id == worker.index) {
            worker.timer->stop();
            worker.index = -1;
            ++m_spoken;
            if (Succeeded(answer->hr)) {
                if (!m_words[std::size_t(answer->id)].lessonPiece)
                    m_seconds[std::size_t(answer->id)] = answer->seconds;
                settle(answer->id, Outcome::Written);
            }
            else
                settle(answer->id, Outcome::Failed, FailureReason(answer->hr));
        }
    }
    dispatch();
}

void BatchEngine::workerEnded(Worker& worker)
{
    if (worker.index >= 0) {
        const bool timedOut = !worker.timer->isActive();
        const int index = std::exchange(worker.index, -1);
        // Crashed or killed in the middle of the word: its half-written file goes now, not at
        // the next run in this folder.
        AtomicFile::RemoveTemporaryFiles(QFileInfo(m_words[std::size_t(index)].path).path(), worker.pid);
        ++m_spoken;
        settle(index, Outcome::Failed, timedOut ? WorkerTimedOutReason() : WorkerCrashedReason());
    } else if (!worker.ready && m_running) {
        ++m_startFailures;
    }
    worker.ready = false;
    if (!m_running)
        return;
    const bool moreToDo = !m_stopping && m_next < m_queue.size();
    if (moreToDo && m_startFailures < kMaxStartFailures) {
        startWorker(worker);
    } else if (moreToDo && std::none_of(m_workers.begin(), m_workers.end(), [](const auto& w) { return w->ready; })) {
        // No worker can start: the words left cannot be spoken.
        while (m_next < m_queue.size())
            settle(m_queue[m_next++], Outcome::Failed,
                   m_startError.isEmpty() ? WorkerUnavailableReason()
                                          : WorkerUnavailableReason() + u"："_qs + m_startError);
    }
    finishIfDone();
}

void BatchEngine::dispatch()
{
    if (!m_running || m_stopping)
        return finishIfDone();
    for (const std::unique_ptr<Worker>& worker : m_workers) {
        if (!worker->ready || worker->index >= 0 || m_next >= m_queue.size())
            continue;
        skipLostPieces();
        if (m_next >= m_queue.size())
            break;
        const int index = m_queue[m_next];
        const QString& path = m_words[std::size_t(index)].path;
        // A file another worker is writing waits for it, so the later row is written last.
        const bool busy = std::any_of(m_workers.begin(), m_workers.end(), [&](const auto& other) {
            return other->index >= 0 && m_words[std::size_t(other->index)].path == path;
        });
        if (busy)
            break;
        const BatchWord& word = m_words[std::size_t(index)];
        // Pieces are spoken no further ahead of the track than keeps every worker busy: the
        // rest wait as text, not as sound in the pieces' folder, and the track sets the pace.
        if (word.lessonPiece && m_lesson && word.track > m_lesson->Joined() + 2 * int(m_workers.size()) + 2)
            break;
        ++m_next;
        worker->index = index;
        worker->process->write(batchprotocol::EncodeRequest({index, word.text, path, word.headword, m_album, word.track,
                                                             m_report.total, word.meaning, word.lessonPiece}));
        worker->timer->start(m_wordTimeoutMs);
    }
    finishIfDone();
}

void BatchEngine::skipLostPieces()
{
    // Once the track cannot be made, the rest of its words are not spoken.
    const auto lost = [this](std::size_t at) {
        return at < m_queue.size() && m_words[std::size_t(m_queue[at])].lessonPiece && (!m_lesson || m_lesson->Failure());
    };
    if (!lost(m_next))
        return;
    while (lost(m_next)) {
        ++m_next;
        ++m_piecesDone;
    }
    emit progress(Done(), Total());
}

void BatchEngine::settle(int index, Outcome outcome, const QString& reason)
{
    const BatchWord& word = m_words[std::size_t(index)];
    if (word.lessonPiece) {
        ++m_piecesDone;
        if (outcome == Outcome::Written)
            ++m_piecesSpoken;
        if (m_lesson)
            m_lesson->PieceDone(word.track, outcome == Outcome::Failed ? reason : QString());
        emit progress(Done(), Total());
        return;
    }
    switch (outcome) {
    case Outcome::Written:
        // Plain names follow the list: a later row of an earlier row's name replaces its file,
        // so the two rows make one file, counted once (and listed once by writePlaylist).
        if (m_written.insert(word.path).second)
            ++m_report.written;
        else
            ++m_report.overwritten;
        break;
    case Outcome::Skipped:
        ++m_report.skipped;
        m_seconds[std::size_t(index)] = 0; // there; its length is read once the workers start
        break;
    case Outcome::Failed:
        ++m_report.failed;
        m_report.failures.push_back({word.row, PrintableText(word.headword), reason});
        break;
    }
    emit wordDone(index, reason);
    emit progress(Done(), Total());
}

void BatchEngine::finishIfDone()
{
    if (!m_running)
        return;
    skipLostPieces();
    const bool inFlight = std::any_of(m_workers.begin(), m_workers.end(), [](const auto& w) { return w->index >= 0; });
    if (inFlight || (!m_stopping && (m_next < m_queue.size() || lessonJoining())))
        return;
    m_running = false;
    m_report.stopped = m_stopping && Done() < Total();
    m_report.elapsedMs = m_clock.elapsed();
    // Failures arrive in the order workers finish; the message lists them in list order.
    std::stable_sort(m_report.failures.begin(), m_report.failures.end(),
                     [](const BatchFailure& a, const BatchFailure& b) { return a.row < b.row; });
    if (m_job.files.playlist)
        writePlaylist();
    finishLesson();
    for (const std::unique_ptr<Worker>& worker : m_workers) {
        worker->timer->stop();
        worker->process->disconnect(this);
        worker->process->closeWriteChannel(); // the worker ends when its input closes
        QProcess* process = worker->process;
        connect(process, &QProcess::finished, process, &QObject::deleteLater);
        QTimer::singleShot(5000, process, [process] { process->kill(); });
        m_retiring.push_back(process);
    }
    m_workers.clear();
    // Told from the event loop, not from inside a worker's signal: a receiver may end the
    // engine's owner at once.
    QTimer::singleShot(0, this, [this, report = m_report] { emit finished(report); });
}

void BatchEngine::sweepTemporaryFiles() const
{
    // What an earlier run that was killed left behind; a run going on now in the same folder
    // keeps its files, as its workers still run.
    AtomicFile::SweepTemporaryFiles(m_job.folder, QDateTime::fromMSecsSinceEpoch(m_startedAtMs));
}

void BatchEngine::lessonFailed(const QString& file, const QString& reason)
{
    ++m_report.failed;
    m_report.failures.push_back({-1, file, reason});
}

void BatchEngine::finishLesson()
{
    // A stopped run makes no lesson: a track of some of the words would be taken for the
    // whole, and the sheets would not match it.
    const bool stopped = m_stopping && Done() < Total();
    if (m_lesson && !stopped) {
        const QString track = QFileInfo(m_lesson->Paths().track).fileName();
        if (const Result<void> finished = m_lesson->Finish(); finished) {
            m_report.lessonFiles << track << QFileInfo(m_lesson->Paths().lyrics).fileName();
            m_report.lessonTrack = track;
            m_report.lessonWords = int(m_lessonWords.size());
            m_report.lessonSeconds = m_lesson->Seconds();
        } else {
            lessonFailed(track, FailureReason(finished.error()));
        }
    }
    m_lesson.reset();  // an unfinished track and the pieces' folder go with it
    if (stopped || m_lessonWords.empty())
        return;
    std::vector<SheetWord> sheetWords;
    sheetWords.reserve(m_lessonWords.size());
    for (const LessonWord& word : m_lessonWords)
        sheetWords.push_back({word.number, word.headword, word.meaning});
    const LessonPaths paths = LessonFilePaths(m_job);
    const QString title = LessonName(m_job.source);
    const auto print = [&](const QString& path, SheetKind kind) {
        if (const Result<void> printed = WriteAnswerSheet(path, kind, title, QDate::currentDate(), sheetWords); printed)
            m_report.lessonFiles << QFileInfo(path).fileName();
        else
            lessonFailed(QFileInfo(path).fileName(), FailureReason(printed.error()));
    };
    if (m_job.lesson.sheet != LessonOptions::Sheet::None)
        print(paths.sheet, m_job.lesson.sheet == LessonOptions::Sheet::Blank ? SheetKind::Blank : SheetKind::Chinese);
    if (m_job.lesson.key)
        print(paths.key, SheetKind::Key);
}

void BatchEngine::writePlaylist()
{
    // Every file the folder now holds for this run, written or kept, in list order.
    // A file two rows share (kept, or written twice) is listed once, where its last row is.
    std::map<QString, std::size_t> lastRow;
    for (std::size_t i = 0; i < m_words.size(); ++i) {
        if (m_seconds[i] >= 0)
            lastRow[m_words[i].path] = i;
    }
    std::vector<PlaylistEntry> entries;
    for (std::size_t i = 0; i < m_words.size(); ++i) {
        if (m_seconds[i] < 0 || lastRow[m_words[i].path] != i)
            continue;
        const BatchWord& word = m_words[i];
        entries.push_back({m_seconds[i], word.headword, word.meaning, QFileInfo(word.path).fileName()});
    }
    if (entries.empty())
        return;
    if (const Result<void> written = WritePlaylist(m_job.folder, entries); !written) {
        ++m_report.failed;
        m_report.failures.push_back({-1, QFileInfo(PlaylistPath(m_job.folder)).fileName(), FailureReason(written.error())});
    }
}
