#include "pulsetestserver.h"

#include <cstdlib>
#include <cstring>

#include <QDeadlineTimer>
#include <QProcessEnvironment>
#include <QStandardPaths>

namespace {

const QString kSinkName = QStringLiteral("lexovox_test");
constexpr int kStartTimeoutMs = 10000;

} // namespace

PulseTestServer::PulseTestServer()
{
    const QString program = QStandardPaths::findExecutable(QStringLiteral("pulseaudio"));
    if (program.isEmpty() || QStandardPaths::findExecutable(QStringLiteral("parec")).isEmpty()) {
        m_error = QStringLiteral("pulseaudio or parec is not installed");
        return;
    }
    if (!m_dir.isValid()) {
        m_error = QStringLiteral("no temporary folder");
        return;
    }
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_dir.path());
    environment.insert(QStringLiteral("HOME"), m_dir.path());
    m_daemon.setProcessEnvironment(environment);
    m_daemon.setProcessChannelMode(QProcess::MergedChannels);
    m_daemon.start(program,
                   {QStringLiteral("-n"), QStringLiteral("--daemonize=no"),
                    QStringLiteral("--exit-idle-time=-1"), QStringLiteral("--use-pid-file=no"),
                    QStringLiteral("--enable-memfd=no"), QStringLiteral("--log-level=info"),
                    QStringLiteral("--log-target=stderr"), QStringLiteral("-L"),
                    QStringLiteral("module-null-sink sink_name=") + kSinkName, QStringLiteral("-L"),
                    QStringLiteral("module-native-protocol-unix auth-anonymous=1 socket=")
                        + m_dir.filePath(QStringLiteral("native"))});
    if (!m_daemon.waitForStarted(kStartTimeoutMs)) {
        m_error = QStringLiteral("pulseaudio did not start: ") + m_daemon.errorString();
        return;
    }
    // The daemon says when it listens; until then a client would be refused.
    QByteArray log;
    const QDeadlineTimer deadline(kStartTimeoutMs);
    while (!log.contains("Daemon startup complete")) {
        if (m_daemon.state() != QProcess::Running || deadline.hasExpired()
            || !m_daemon.waitForReadyRead(static_cast<int>(deadline.remainingTime()))) {
            log += m_daemon.readAll();
            m_error = QStringLiteral("pulseaudio did not come up: ")
                + QString::fromUtf8(log.right(400)).trimmed();
            Stop(m_daemon);
            return;
        }
        log += m_daemon.readAll();
    }
}

PulseTestServer::~PulseTestServer()
{
    Stop(m_recorder);
    Stop(m_daemon);
}

void PulseTestServer::Stop(QProcess& process)
{
    if (process.state() == QProcess::NotRunning)
        return;
    process.terminate();
    if (!process.waitForFinished(3000)) {
        process.kill();
        process.waitForFinished(3000);
    }
}

QString PulseTestServer::Address() const
{
    return QStringLiteral("unix:") + m_dir.filePath(QStringLiteral("native"));
}

bool PulseTestServer::StartRecording()
{
    if (!IsRunning())
        return false;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("PULSE_SERVER"), Address());
    m_recorder.setProcessEnvironment(environment);
    m_recorder.start(QStringLiteral("parec"),
                     {QStringLiteral("--latency-msec=50"), QStringLiteral("-d"),
                      kSinkName + QStringLiteral(".monitor"), QStringLiteral("--format=s16le"),
                      QStringLiteral("--channels=1"), QStringLiteral("--rate=22050")});
    // The null sink plays silence all the time, so data flows as soon as parec records.
    return m_recorder.waitForStarted(kStartTimeoutMs) && m_recorder.waitForReadyRead(kStartTimeoutMs);
}

bool PulseTestServer::WaitForSound(int threshold, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        m_pending += m_recorder.readAllStandardOutput();
        const qsizetype whole = m_pending.size() - m_pending.size() % 2;
        for (qsizetype i = 0; i < whole; i += 2) {
            qint16 sample;
            std::memcpy(&sample, m_pending.constData() + i, 2);
            if (std::abs(sample) > threshold)
                return true;
        }
        m_pending.remove(0, whole);
        if (deadline.hasExpired() || m_recorder.state() != QProcess::Running
            || !m_recorder.waitForReadyRead(static_cast<int>(deadline.remainingTime())))
            return false;
    }
}

EnvironmentGuard::EnvironmentGuard(const char* name, const QByteArray& value)
    : m_name(name)
    , m_previous(qgetenv(name))
    , m_wasSet(qEnvironmentVariableIsSet(name))
{
    qputenv(name, value);
}

EnvironmentGuard::~EnvironmentGuard()
{
    if (m_wasSet)
        qputenv(m_name, m_previous);
    else
        qunsetenv(m_name);
}
