#pragma once

#include <set>
#include <memory>
#include <vector>

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QString>

#include "output/batchreport.h"
#include "output/batchwords.h"
#include "output/batchjob.h"
#include "output/piecesource.h"

class QProcess;

/// Writes one file per word in worker processes, one voice each (the synthesisers keep state
/// per process). Runs on the caller's event loop and never blocks it: progress and the end are
/// signalled. A worker that crashes or hangs costs the word it was on, which is reported
/// failed, and is started anew; the file it was writing is removed at once. Files appear only
/// complete (the workers write through AtomicFile); two words with one file are written in list
/// order, so the later one wins.
class BatchEngine : public QObject
{
    Q_OBJECT

public:
    explicit BatchEngine(QObject* parent = nullptr);
    ~BatchEngine() override;

    /// Starts `job` over `words`, as PlanRun made them (in list order), then the pieces of
    /// `pieces` (a lesson, LessonRun), which it asks for once every word is handed out, tells
    /// how each went, and lets finish its files at the end, a stopped run or not. At the start,
    /// the temporary files ended processes left in the folder are removed
    /// (AtomicFile::SweepTemporaryFiles); those of another run going on there stay. Ignored
    /// while a run lasts. The job is taken as valid (BatchJob::Validate).
    void Start(BatchJob job, std::vector<BatchWord> words, std::unique_ptr<PieceSource> pieces = {});
    /// No further word is begun; the words in progress are finished, then `finished` comes
    /// with `stopped` set.
    void Stop();
    bool IsRunning() const { return m_running; }

    /// The worker program: DefaultWorkerProgram() unless set.
    void SetWorkerProgram(const QString& program) { m_workerProgram = program; }
    /// A worker silent this long on one word is ended and the word reported failed.
    void SetWordTimeout(int ms) { m_wordTimeoutMs = ms; }

    /// Words handled so far (written, skipped or failed, and the pieces done as their source
    /// counts them) and in all.
    int Done() const;
    int Total() const;
    /// Time left at the pace so far, or -1 before there is a pace.
    qint64 RemainingMs() const;
    /// The worker processes' ids, for measuring them.
    std::vector<qint64> WorkerProcessIds() const;

signals:
    void progress(int done, int total);
    /// One word's outcome: its index in the run's words, and empty or why it failed. Pieces are
    /// told to their source instead.
    void wordDone(int index, const QString& reason);
    void finished(const BatchReport& report);

private:
    struct Worker;

    void startWorker(Worker& worker);
    void readAnswers(Worker& worker);
    void takeAnswers(Worker& worker);
    void workerEnded(Worker& worker);
    void dispatch();
    void piecesChanged();
    bool isPiece(int index) const { return index >= int(m_words.size()); }
    enum class Outcome { Written, Skipped, Failed };
    void settle(int index, Outcome outcome, const QString& reason = {});
    void finishIfDone();
    void sweepTemporaryFiles() const;
    void writePlaylist();

    std::vector<BatchWord> m_words;  // the words' own files
    std::unique_ptr<PieceSource> m_pieces;  // asked for pieces once the words are handed out
    BatchJob m_job;               // without its rows, which m_words holds
    QString m_album;
    QString m_workerProgram;
    int m_wordTimeoutMs = 60000;
    QString m_startError;         // what the last worker that could not start said
    std::vector<std::unique_ptr<Worker>> m_workers;
    std::vector<QPointer<QProcess>> m_retiring; // workers of an ended run, on their way out
    std::vector<int> m_queue;      // words' indices still to do, in order
    std::size_t m_next = 0;        // next index in m_queue
    BatchReport m_report;
    QElapsedTimer m_clock;
    qint64 m_startedAtMs = 0;      // wall-clock start, for the temporary-file sweep
    int m_spoken = 0;              // words a worker finished (for the pace)
    std::vector<double> m_seconds; // each word's length once written; -1 for none
    std::set<QString> m_written;   // each file written so far
    bool m_running = false;
    bool m_stopping = false;
    int m_startFailures = 0;
};
