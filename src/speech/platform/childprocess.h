#pragma once

#include <chrono>
#include <functional>

#include <sys/types.h>

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace speech {

/// A program run without a shell, its standard input, output and error on pipes of its own,
/// waited for with poll: no event loop, so any thread may use it. It is killed when this object
/// goes. The child stays in its parent's process group, so whoever ends the group ends it too.
class ChildProcess
{
public:
    using Clock = std::chrono::steady_clock;

    enum class Outcome {
        Done,      // the line came, or the process ended
        Ended,     // waiting for a line, the process ended first
        TimedOut,  // the deadline passed; the process is killed
    };

    ChildProcess() = default;
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    /// Starts `program` (a full path) with `arguments`; `input` is written to its standard input,
    /// which stays open only when `keepInput`. False when it cannot be started.
    bool Start(const QString& program, const QStringList& arguments, const QByteArray& input, bool keepInput);
    /// Sends more input to a process started with `keepInput`.
    void Write(const QByteArray& input);

    /// Waits until the process has ended, then `status` is its exit status (-1 when killed by a
    /// signal).
    Outcome WaitForExit(Clock::time_point deadline, int& status);
    /// Waits for the next line of its standard output, without its end of line.
    Outcome ReadLine(Clock::time_point deadline, QByteArray& line);
    /// Waits for a line of its standard error, after those looked at before, that holds one of
    /// `markers`; `found` is that marker. The lines stay for LastErrorLine.
    Outcome WaitForErrorLine(Clock::time_point deadline, const QList<QByteArray>& markers, QByteArray& found);

    /// Takes what it has written so far without waiting, so a process that talks while it serves
    /// never blocks on a full pipe: false once it has ended.
    bool Poll();
    bool IsRunning() const { return m_pid > 0; }
    pid_t Pid() const { return m_pid; }
    /// What it wrote on its standard output not yet read as lines, then its standard error (the
    /// last 64 KB of each).
    QByteArray OutputAndErrors() const { return m_output + m_errors; }
    /// The last line the program wrote on its standard error, for a failure's message; with
    /// `except`, the last one that does not hold it.
    QString LastErrorLine(const QByteArray& except = {}) const;
    void Kill();

private:
    // Moves bytes until `enough` (when given) or the process ends. False on the deadline.
    bool Pump(Clock::time_point deadline, const std::function<bool()>& enough);
    // Reads what one of its pipes holds into `kept`, closing the pipe at its end: true when
    // something came.
    bool ReadSome(int& fd, QByteArray& kept);
    void CloseAll();
    void Reap(bool block);

    pid_t m_pid = -1;
    int m_status = -1;
    int m_in = -1;
    int m_out = -1;
    int m_err = -1;
    bool m_keepInput = false;
    QByteArray m_pendingInput;
    QByteArray m_output;
    QByteArray m_errors;  // the tail of its standard error
    qsizetype m_errorsTaken = 0;  // where WaitForErrorLine looks next
};

} // namespace speech
