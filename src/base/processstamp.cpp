#include "base/processstamp.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <csignal>
#include <optional>

#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

struct ProcessState
{
    char state = '?';
    qint64 started = -1;
};

bool allDigits(QStringView text)
{
    return !text.isEmpty() && std::all_of(text.begin(), text.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

// The state (field 3) and start time (field 22) of /proc/PID/stat; nothing when it cannot be
// read. The command name (field 2) is in parentheses and may hold spaces and ")" itself, so the
// fields are counted from the last ")".
std::optional<ProcessState> readState(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray line = stat.readAll();
    const qsizetype nameEnd = line.lastIndexOf(')');
    if (nameEnd < 0)
        return std::nullopt;
    const QList<QByteArray> fields = line.mid(nameEnd + 1).simplified().split(' ');
    if (fields.size() < 20 || fields[0].size() != 1)
        return std::nullopt;
    bool ok = false;
    const qint64 started = fields[19].toLongLong(&ok);
    return ok ? std::optional(ProcessState{fields[0][0], started}) : std::nullopt;
}

} // namespace

ProcessStamp ProcessStamp::Current()
{
    // Read anew each time: a forked child is another process with the same memory.
    return Of(::getpid());
}

ProcessStamp ProcessStamp::Of(qint64 pid)
{
    const std::optional<ProcessState> state = readState(pid);
    return {pid, state ? state->started : -1};
}

ProcessStamp ProcessStamp::Parse(QStringView text)
{
    // Each number counts only when a "-" ends it: older names go on with "-" and a random part,
    // and the oldest began with the random part at once.
    const qsizetype pidEnd = text.indexOf(u'-');
    if (pidEnd < 0 || !allDigits(text.first(pidEnd)))
        return {};
    bool ok = false;
    const qint64 pid = text.first(pidEnd).toLongLong(&ok);
    if (!ok || pid <= 0 || pid > INT_MAX)
        return {};
    const QStringView rest = text.sliced(pidEnd + 1);
    const qsizetype startEnd = rest.indexOf(u'-');
    if (startEnd < 0 || !allDigits(rest.first(startEnd)))
        return {pid, -1};
    const qint64 started = rest.first(startEnd).toLongLong(&ok);
    return {pid, ok ? started : -1};
}

QString ProcessStamp::Text() const
{
    return started >= 0 ? QStringLiteral("%1-%2").arg(pid).arg(started) : QString::number(pid);
}

bool ProcessStamp::Runs() const
{
    if (pid <= 0 || pid > INT_MAX)
        return false;
    if (const std::optional<ProcessState> state = readState(pid)) {
        // 'Z': ended, waiting for its parent; 'X': being removed.
        if (state->state == 'Z' || state->state == 'X')
            return false;
        return started < 0 || state->started == started;
    }
    // No /proc, or the process is hidden from us there: only a process known to be gone is
    // gone; another user's (EPERM) still runs.
    return ::kill(pid_t(pid), 0) == 0 || errno != ESRCH;
}

std::unique_ptr<QTemporaryDir> NewOwnedTemporaryFolder(const QString& prefix)
{
    const QDir temporary(QDir::tempPath());
    for (const QFileInfo& folder : temporary.entryInfoList({prefix + u'*'}, QDir::Dirs | QDir::NoDotAndDotDot)) {
        const ProcessStamp owner = ProcessStamp::Parse(QStringView(folder.fileName()).sliced(prefix.size()));
        if (owner.pid > 0 && !owner.Runs())
            QDir(folder.filePath()).removeRecursively();
    }
    // The process's id and start in the name tell whose folder it is once it is gone.
    const QString name = prefix + ProcessStamp::Current().Text() + QStringLiteral("-XXXXXX");
    return std::make_unique<QTemporaryDir>(temporary.filePath(name));
}
