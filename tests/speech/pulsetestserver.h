#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

/// A private PulseAudio daemon with one null sink, for tests and benchmarks that need a real
/// sound server: it listens on a socket in a temporary folder and needs no session. Stopped
/// (by its process id) when the object goes.
class PulseTestServer
{
public:
    PulseTestServer();
    ~PulseTestServer();
    PulseTestServer(const PulseTestServer&) = delete;
    PulseTestServer& operator=(const PulseTestServer&) = delete;

    bool IsRunning() const { return m_error.isEmpty(); }
    /// Why the daemon did not start.
    const QString& Error() const { return m_error; }
    /// For PULSE_SERVER: "unix:…/native".
    QString Address() const;

    /// Records the null sink's monitor (16-bit mono); returns once sound data flows.
    bool StartRecording();
    /// Waits until the recording holds a sample louder than `threshold`; false after
    /// `timeoutMs`.
    bool WaitForSound(int threshold, int timeoutMs);

private:
    static void Stop(QProcess& process);

    QTemporaryDir m_dir;
    QProcess m_daemon;
    QProcess m_recorder;
    QByteArray m_pending;
    QString m_error;
};

/// Sets an environment variable for the life of the object.
class EnvironmentGuard
{
public:
    EnvironmentGuard(const char* name, const QByteArray& value);
    ~EnvironmentGuard();
    EnvironmentGuard(const EnvironmentGuard&) = delete;
    EnvironmentGuard& operator=(const EnvironmentGuard&) = delete;

private:
    const char* m_name;
    QByteArray m_previous;
    bool m_wasSet;
};
