#include "output/batchengine.h"

#include <algorithm>
#include <map>

#include <csignal>

#include <sys/stat.h>
#include <unistd.h>

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QProcess>
#include <QThread>
#include <QTimer>

#include "base/atomicfile.h"
#include "output/batchworker.h"
#include "output/playlist.h"
#include "speech/fileencoding.h"

namespace {

// A worker that cannot start this many times in a row means none will.
constexpr int kMaxStartFailures = 3;

// Which file a name stands for: a file renamed into place is another one than the one it
// replaced, while its times may read earlier than the moment before it was written.
struct FileIdentity
{
    dev_t device = 0;
    ino_t inode = 0;
    bool operator==(const FileIdentity&) const = default;
};

std::optional<FileIdentity> IdentityOf(const QString& path)
{
    struct stat info{};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return std::nullopt;
    return FileIdentity{info.st_dev, info.st_ino};
}

} // namespace

struct BatchEngine::Worker
{
    QProcess* process = nullptr;
    QTimer* timer = nullptr;
    QByteArray pending;     // an answer line not yet complete
    int index = -1;         // the word or piece it is on (isPiece), or -1
    QString path;           // the file it is writing
    std::optional<FileIdentity> before;  // the file of its word's name when it was given it
    bool ready = false;
    qint64 pid = 0;         // kept from its start: a process that ended no longer tells it
};

namespace {

// A worker's process group is its own (see startWorker): the speech programs it runs are in it
// too, and go with it rather than outlive it.
void killWorker(QProcess* process)
{
    if (const qint64 pid = process->processId(); pid > 0)
        ::kill(-pid_t(pid), SIGKILL);
    process->kill();
}

} // namespace

BatchEngine::BatchEngine(QObject* parent)
    : QObject(parent)
{
}

BatchEngine::~BatchEngine()
{
    for (const std::unique_ptr<Worker>& worker : m_workers) {
        worker->process->disconnect(this);
        killWorker(worker->process);
        worker->process->waitForFinished(1000);
        // Killed in the middle of a word, it leaves that word's temporary file.
        AtomicFile::RemoveTemporaryFiles(m_job.folder, worker->pid);
    }
    // Workers of a finished run end by themselves once their input is closed; give them a
    // moment rather than cutting them off.
    for (const QPointer<QProcess>& process : m_retiring) {
        if (process && !process->waitForFinished(3000)) {
            killWorker(process);
            process->waitForFinished(1000);
        }
    }
}

void BatchEngine::Start(BatchJob job, std::vector<BatchWord> words, std::unique_ptr<PieceSource> pieces)
{
    if (m_running)
        return;
    m_words = std::move(words);
    m_pieces = std::move(pieces);
    m_job = std::move(job);
    m_job.rows.clear();
    m_album = m_job.source.Album();
    m_startError.clear();
    m_report = BatchReport{};
    m_report.anyChecked = !m_words.empty() || m_pieces;
    m_report.total = int(m_words.size());
    if (m_pieces) {
        // Told on whatever thread used a piece; acted on here, on the engine's: progress, more
        // pieces, the end.
        m_pieces->Begin(m_report, [this] {
            QMetaObject::invokeMethod(this, [this] { piecesChanged(); }, Qt::QueuedConnection);
        });
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
        if (word.path.isEmpty())
            settle(i, Outcome::Failed, FailureReason(word.refusal));
        else if (m_job.skipExisting && QFileInfo(word.path).size() > 0)
            settle(i, Outcome::Skipped);  // an empty file is what a failed write left: spoken again
        else
            m_queue.push_back(i);
    }
    const int cores = std::max(1, QThread::idealThreadCount());
    const int wanted = std::min(m_job.jobs.value_or(cores), int(m_queue.size()) + (m_pieces ? m_pieces->Left() : 0));
    m_workers.clear();
    for (int i = 0; i < wanted; ++i) {
        m_workers.push_back(std::make_unique<Worker>());
        startWorker(*m_workers.back());
    }
    // The playlist gives a kept file's own length (0 lists it with the shortest), read while
    // the workers warm up rather than before they start.
    if (m_job.files.playlist) {
        for (std::size_t i = 0; i < m_words.size(); ++i) {
            if (m_seconds[i] == 0)
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
    return m_report.written + m_report.skipped + m_report.failed + m_report.overwritten
           + (m_pieces ? m_pieces->Done() : 0);
}

int BatchEngine::Total() const
{
    return int(m_words.size()) + (m_pieces ? m_pieces->Total() : 0);
}

void BatchEngine::piecesChanged()
{
    // A piece used after the run ended (stopped, or its source failed) changes nothing.
    if (!m_running)
        return;
    emit progress(Done(), Total());
    dispatch();
}

qint64 BatchEngine::RemainingMs() const
{
    if (m_spoken == 0)
        return -1;
    const qint64 left = qint64(m_queue.size() - m_next) + (m_pieces ? m_pieces->Left() : 0);
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
    connect(worker.timer, &QTimer::timeout, worker.process, [&worker] { killWorker(worker.process); });
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
    takeAnswers(worker);
    dispatch();
}

void BatchEngine::takeAnswers(Worker& worker)
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
                if (!isPiece(answer->id))
                    m_seconds[std::size_t(answer->id)] = answer->seconds;
                settle(answer->id, Outcome::Written);
            } else
                settle(answer->id, Outcome::Failed, FailureReason(ComError(answer->hr, answer->subject)));
        }
    }
}

void BatchEngine::workerEnded(Worker& worker)
{
    if (worker.index >= 0)
        takeAnswers(worker);  // what it said before it ended
    if (worker.index >= 0) {
        const bool timedOut = !worker.timer->isActive();
        const int index = std::exchange(worker.index, -1);
        // Crashed or killed in the middle of the word: its half-written file goes now, not at
        // the next run in this folder.
        AtomicFile::RemoveTemporaryFiles(QFileInfo(worker.path).path(), worker.pid);
        ++m_spoken;
        // Killed after its file took its name but before it said so: the file is whole (only
        // whole files are named), and the count is the folder's.
        // A file named since has another identity: it was made anew, whatever the clock says.
        const std::optional<FileIdentity> now = IdentityOf(worker.path);
        if (!isPiece(index) && now && now != worker.before) {
            m_seconds[std::size_t(index)] = speech::SoundFileSeconds(worker.path).value_or(0);
            settle(index, Outcome::Written);
        } else {
            settle(index, Outcome::Failed, timedOut ? WorkerTimedOutReason() : WorkerCrashedReason());
        }
    } else if (!worker.ready && m_running) {
        ++m_startFailures;
    }
    worker.ready = false;
    if (!m_running)
        return;
    const bool moreToDo = !m_stopping && (m_next < m_queue.size() || (m_pieces && m_pieces->Left() > 0));
    if (moreToDo && m_startFailures < kMaxStartFailures) {
        startWorker(worker);
    } else if (moreToDo && std::none_of(m_workers.begin(), m_workers.end(), [](const auto& w) { return w->ready; })) {
        // No worker can start: the words and pieces left cannot be spoken.
        const QString reason = m_startError.isEmpty() ? WorkerUnavailableReason()
                                                      : WorkerUnavailableReason() + u"："_qs + m_startError;
        while (m_next < m_queue.size())
            settle(m_queue[m_next++], Outcome::Failed, reason);
        if (m_pieces) {
            m_pieces->Unspeakable(reason);
            emit progress(Done(), Total());
        }
    }
    finishIfDone();
}

void BatchEngine::dispatch()
{
    if (!m_running || m_stopping)
        return finishIfDone();
    for (const std::unique_ptr<Worker>& worker : m_workers) {
        if (!worker->ready || worker->index >= 0)
            continue;
        batchprotocol::Request request;
        if (m_next < m_queue.size()) {
            const int index = m_queue[m_next];
            const BatchWord& word = m_words[std::size_t(index)];
            // A file another worker is writing waits for it, so the later row is written last.
            const bool busy = std::any_of(m_workers.begin(), m_workers.end(), [&](const auto& other) {
                return other->index >= 0 && other->path == word.path;
            });
            if (busy)
                break;
            ++m_next;
            request = {index, word.text, word.path, word.headword, m_album, word.track, m_report.total, word.meaning};
        } else if (m_pieces) {
            const std::optional<RunPiece> piece = m_pieces->Next(int(m_workers.size()));
            if (!piece)
                break;
            request.id = int(m_words.size()) + piece->id;
            request.text = piece->text;
            request.path = piece->path;
            request.track = piece->id;  // its place among the pieces (a piece itself is untagged)
            request.piece = true;
        } else {
            break;
        }
        worker->index = request.id;
        worker->path = request.path;
        worker->before = IdentityOf(request.path);
        worker->process->write(batchprotocol::EncodeRequest(request));
        worker->timer->start(m_wordTimeoutMs);
    }
    finishIfDone();
}

void BatchEngine::settle(int index, Outcome outcome, const QString& reason)
{
    if (isPiece(index)) {
        const int id = index - int(m_words.size());
        if (outcome == Outcome::Failed)
            m_pieces->Failed(id, reason);
        else
            m_pieces->Spoken(id);
        emit progress(Done(), Total());
        return;
    }
    const BatchWord& word = m_words[std::size_t(index)];
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
    const bool inFlight = std::any_of(m_workers.begin(), m_workers.end(), [](const auto& w) { return w->index >= 0; });
    if (inFlight || (!m_stopping && (m_next < m_queue.size() || (m_pieces && m_pieces->Waiting()))))
        return;
    m_running = false;
    m_report.stopped = m_stopping && Done() < Total();
    m_report.elapsedMs = m_clock.elapsed();
    // Failures arrive in the order workers finish; the message lists them in list order.
    std::stable_sort(m_report.failures.begin(), m_report.failures.end(),
                     [](const BatchFailure& a, const BatchFailure& b) { return a.row < b.row; });
    if (m_job.files.playlist)
        writePlaylist();
    if (m_pieces)
        m_pieces->Finish(m_report.stopped, m_report);
    for (const std::unique_ptr<Worker>& worker : m_workers) {
        worker->timer->stop();
        worker->process->disconnect(this);
        worker->process->closeWriteChannel(); // the worker ends when its input closes
        QProcess* process = worker->process;
        connect(process, &QProcess::finished, process, &QObject::deleteLater);
        QTimer::singleShot(5000, process, [process] { killWorker(process); });
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
