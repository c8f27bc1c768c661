#pragma once

#include <QFile>
#include <QString>
#include <QStringView>

#include "base/comerror.h"

/// The one way the program writes a file that must never be seen half written (a sound file,
/// a vocabulary): the bytes go to a hidden temporary file beside the target, and Commit puts
/// it under the target's name in one rename, replacing a file there. Destroyed without a
/// Commit, it removes the temporary file and leaves the target as it was.
///
/// Temporary names are `.lexovox-XXXXXXXX<suffix>.part`, so that what a killed run leaves
/// behind can be told from the user's own files and swept (IsTemporaryName).
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

    /// Closes the file and renames it over the target. Fails with STG_E_ACCESSDENIED when the
    /// rename fails; the temporary file is then removed.
    Result<void> Commit();
    /// Removes the temporary file now.
    void Discard();

    /// Whether `fileName` is one of this program's temporary file names.
    static bool IsTemporaryName(QStringView fileName);

private:
    QFile m_file;
    QString m_target;
    bool m_committed = false;
};
