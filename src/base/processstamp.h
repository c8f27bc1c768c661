#pragma once

#include <memory>

#include <QString>
#include <QStringView>
#include <QTemporaryDir>

/// Which process wrote something the program leaves in a folder while it works (a temporary
/// file, a lesson's pieces): its id and the moment it started, so that what a process left can
/// be removed once it is gone. The id alone does not tell: a killed process stays a zombie
/// while nobody reaps it (in a container whose first process reaps no orphans), and the system
/// hands its id out again later.
struct ProcessStamp
{
    qint64 pid = 0;        // 0: nobody's (a name of an older version without one)
    qint64 started = -1;   // clock ticks from boot to its start; -1 unknown (an older name, no /proc)

    /// This process's.
    static ProcessStamp Current();
    /// Process `pid`'s as /proc tells it now; the start unknown when it cannot be read.
    static ProcessStamp Of(qint64 pid);
    /// The stamp at the start of `text`: "<pid>-<started>-…", or "<pid>-…" as older versions
    /// wrote it; pid 0 when it begins with neither.
    static ProcessStamp Parse(QStringView text);
    /// The stamp as names carry it, "<pid>-<started>" (only "<pid>" when the start is unknown);
    /// a name goes on with "-" and its own part.
    QString Text() const;
    /// Whether the process may still run, and so still write: not when no process has the id,
    /// when it has ended and waits to be reaped (a zombie), or when the process of that id now
    /// started at another time. Another user's process, whose details are hidden, runs.
    bool Runs() const;
};

/// A private folder in the system's temporary folder, "<prefix><stamp>-XXXXXX" for this
/// process, made after removing the folders of that prefix whose process has ended (killed: it
/// could not remove them itself, and nothing else would). Invalid when none could be made.
std::unique_ptr<QTemporaryDir> NewOwnedTemporaryFolder(const QString& prefix);
