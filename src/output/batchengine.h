#pragma once

#include <memory>
#include <vector>

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QString>

#include "output/batchreport.h"
#include "output/batchwords.h"
#include "speech/fileencoding.h"

/// How a run is made.
class QProcess;

struct BatchSettings
{
    QString folder;
    QString voiceId;            // empty: the default voice
    int formatCode = 18;        // 16 kHz 16-bit mono
    int jobs = 0;               // worker processes; 0: one per core
    bool skipExisting = false;  // a word whose file exists is left alone
    int wordTimeoutMs = 60000;  // a worker silent this long on one word is ended
    QString workerProgram;      // empty: DefaultWorkerProgram()
    speech::FileEncoding encoding;  // WAV, MP3 or Opus; silence at the ends, loudness
    int englishRate = 100;      // speaking rates, percent
    int chineseRate = 100;
    bool playlist = false;      // write <folder name>.m3u8 of the run's files, in list order
    QString album;              // the course book, or the look-up, for MP3 and Opus tags
};

/// Writes one file per word in worker processes, one voice each (the synthesisers keep state
/// per process). Runs on the caller's event loop and never blocks it: progress and the end are
/// signalled. A worker that crashes or hangs costs the word it was on, which is reported
/// failed, and is started anew. Files appear only complete (the workers write through
/// AtomicFile); two words with one file are written in list order, so the later one wins.
class BatchEngine : public QObject
{
    Q_OBJECT

public:
    explicit BatchEngine(QObject* parent = nullptr);
    ~BatchEngine() override;

    /// Starts a run over `words` (in list order). At the start, this program's temporary files
    /// in the folder older than the run are removed. Ignored while a run lasts.
    void Start(std::vector<BatchWord> words, BatchSettings settings);
    /// No further word is begun; the words in progress are finished, then `finished` comes
    /// with `stopped` set.
    void Stop();
    bool IsRunning() const { return m_running; }

    /// Checked words handled so far (written, skipped or failed) and in all.
    int Done() const;
    int Total() const { return int(m_words.size()); }
    /// Time left at the pace so far, or -1 before there is a pace.
    qint64 RemainingMs() const;
    /// The worker processes' ids, for measuring them.
    std::vector<qint64> WorkerProcessIds() const;

signals:
    void progress(int done, int total);
    /// One word's outcome: its index in the run's words, and S_OK or why it failed.
    void wordDone(int index, const QString& reason);
    void finished(const BatchReport& report);

private:
    struct Worker;

    void startWorker(Worker& worker);
    void readAnswers(Worker& worker);
    void workerEnded(Worker& worker);
    void dispatch();
    enum class Outcome { Written, Skipped, Failed };
    void settle(int index, Outcome outcome, const QString& reason = {});
    void finishIfDone();
    void sweepTemporaryFiles() const;
    void writePlaylist();

    std::vector<BatchWord> m_words;
    BatchSettings m_settings;
    std::vector<std::unique_ptr<Worker>> m_workers;
    std::vector<QPointer<QProcess>> m_retiring; // workers of an ended run, on their way out
    std::vector<int> m_queue;      // indices still to do, in order
    std::size_t m_next = 0;        // next index in m_queue
    BatchReport m_report;
    QElapsedTimer m_clock;
    qint64 m_startedAtMs = 0;      // wall-clock start, for the temporary-file sweep
    int m_spoken = 0;              // words a worker finished (for the pace)
    std::vector<double> m_seconds; // each word's length once written; -1 for none
    bool m_running = false;
    bool m_stopping = false;
    int m_startFailures = 0;
};
