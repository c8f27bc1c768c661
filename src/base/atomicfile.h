#pragma once

#include <QDateTime>
#include <QFile>
#include <QString>
#include <QStringView>

#include "base/comerror.h"

/// The one way the program writes a file that must never be seen half written (a sound file,
/// a vocabulary): the bytes go to a hidden temporary file beside the target, and Commit puts
/// it under the target's name in one rename, replacing a file there. Destroyed without a
/// Commit, it removes the temporary file and leaves the target as it was.
///
/// Temporary names are `.lexovox-<pid>-<started>-XXXXXXXX<suffix>.part`, the writing process's
/// id and start time first (ProcessStamp), so that what a killed process leaves behind can be
/// told from the user's own files and from what a run still going on is writing, and be removed
/// (RemoveTemporaryFiles, SweepTemporaryFiles). Earlier versions wrote
/// `.lexovox-<pid>-XXXXXXXX<suffix>.part`, and before them `.lexovox-XXXXXXXX<suffix>.part`.
class AtomicFile
{
public:
    AtomicFile() = default;
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    /// Creates the temporary file for `target` (`suffix` such as ".wav" keeps its type
    /// readable). Fails with STG_E_PATHNOTFOUND when the folder does not exist,
    /// STG_E_ACCESSDENIED when nothing can be created in it or the target is a folder; the
    /// error's subject is the target.
    Result<void> Open(const QString& target, QStringView suffix);
    bool IsOpen() const { return m_file.isOpen(); }
    /// The open descriptor, for a C library that writes through one.
    int Handle() const { return m_file.handle(); }
    /// The temporary file's path, for a C library that opens files by name.
    QString TemporaryPath() const { return m_file.fileName(); }
    const QString& Target() const { return m_target; }

    /// Appends `bytes` to the temporary file; the error FileWriteError makes of the system's,
    /// the target as subject.
    Result<void> Write(QByteArrayView bytes);

    /// Closes the file and renames it over the target. Fails with STG_E_ACCESSDENIED when the
    /// rename fails; the temporary file is then removed.
    Result<void> Commit();
    /// Removes the temporary file now.
    void Discard();

    /// Whether `fileName` is one of this program's temporary file names, with or without the
    /// writer's process id.
    static bool IsTemporaryName(QStringView fileName);
    /// Removes the temporary files in `folder` that process `pid` wrote: what a process that
    /// crashed or was killed left behind. Nothing for a pid of 0 (a process that never ran).
    static void RemoveTemporaryFiles(const QString& folder, qint64 pid);
    /// Removes what ended processes left in `folder`: temporary files whose writer no longer
    /// runs (ProcessStamp::Runs: a zombie, or another process under a reused id, does not),
    /// and those of names without a process id last written before `before`. Files of a
    /// process still running stay. With a `suffix` (".db"), only temporary files of that type.
    static void SweepTemporaryFiles(const QString& folder, const QDateTime& before, QStringView suffix = {});

private:
    QFile m_file;
    QString m_target;
    bool m_committed = false;
};
