#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <QFile>
#include <QThread>
#include <QtGlobal>

/// The id of a process that no longer runs: a child started and waited for. The system hands
/// an id out again only after going round all the others.
inline qint64 EndedProcessId()
{
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(0);
    ::waitpid(child, nullptr, 0);
    return child;
}

/// A child that has ended and is not reaped while this lives: a zombie, as a killed worker
/// stays in a container whose first process reaps no orphans. Reaped when destroyed.
class ZombieProcess
{
public:
    ZombieProcess()
        : m_pid(::fork())
    {
        if (m_pid == 0)
            ::_exit(0);
        for (int i = 0; i < 2000 && !isZombie(); ++i)
            QThread::msleep(1);
    }
    ~ZombieProcess() { ::waitpid(m_pid, nullptr, 0); }
    ZombieProcess(const ZombieProcess&) = delete;
    ZombieProcess& operator=(const ZombieProcess&) = delete;

    qint64 Pid() const { return m_pid; }
    /// Whether it has ended: /proc says "Z" after its name.
    bool isZombie() const
    {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(m_pid));
        return stat.open(QIODevice::ReadOnly) && stat.readAll().contains(") Z ");
    }

private:
    pid_t m_pid;
};
