#include "base/atomicfile.h"

#include <cerrno>
#include <cstdio>

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QRandomGenerator>

#include "base/processstamp.h"

namespace {

constexpr int kNameAttempts = 16;
constexpr QStringView kPrefix = u".lexovox-";
constexpr QStringView kSuffix = u".part";

// Why the folder took no file (a create or a rename failed with `errnum`): a full disk, or no
// inode left, is said as such; anything else is a folder closed to us.
HRESULT FolderRefusal(int errnum)
{
    return FileWriteError(errnum) == STG_E_MEDIUMFULL ? STG_E_MEDIUMFULL : STG_E_ACCESSDENIED;
}

// The writer a temporary name carries; pid 0 for a name without one (an earlier version's).
ProcessStamp ownerOf(QStringView fileName)
{
    return ProcessStamp::Parse(fileName.sliced(kPrefix.size()));
}

// Removes each temporary file in `folder` (of type `suffix`, when given) that `stale` picks.
template <class Stale>
void removeTemporaryFiles(const QString& folder, QStringView suffix, Stale stale)
{
    const QString pattern = kPrefix.toString() + u'*' + suffix.toString() + kSuffix.toString();
    QDirIterator it(folder, {pattern}, QDir::Files | QDir::Hidden);
    while (it.hasNext()) {
        const QFileInfo file(it.nextFileInfo());
        if (AtomicFile::IsTemporaryName(file.fileName()) && stale(file, ownerOf(file.fileName())))
            QFile::remove(file.filePath());
    }
}

} // namespace

AtomicFile::~AtomicFile()
{
    Discard();
}

Result<void> AtomicFile::Open(const QString& target, QStringView suffix)
{
    if (m_file.isOpen() || m_committed)
        return Fail(ComError(E_UNEXPECTED));
    const QFileInfo info(target);
    const QDir folder = info.absoluteDir();
    if (!QFileInfo(folder.path()).isDir())
        return Fail(ComError(STG_E_PATHNOTFOUND, target));
    if (info.isDir())
        return Fail(ComError(STG_E_ACCESSDENIED, target));

    // Beside the target, so the rename into place stays on one file system. Created like any
    // file the user saves (0666 less the umask), so the renamed file is readable as usual.
    int refusal = 0;
    const QString writer = ProcessStamp::Current().Text();
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        const QString name = kPrefix.toString()
                             + QStringLiteral("%1-%2").arg(writer).arg(QRandomGenerator::global()->generate(), 8, 16,
                                                                       QLatin1Char('0'))
                             + suffix.toString() + kSuffix.toString();
        m_file.setFileName(folder.filePath(name));
        errno = 0;
        if (m_file.open(QIODevice::ReadWrite | QIODevice::NewOnly | QIODevice::Unbuffered)) {
            m_target = info.absoluteFilePath();
            return {};
        }
        refusal = errno;
        if (!m_file.exists())
            break; // not a name clash: the folder refuses new files
    }
    m_file.setFileName(QString());
    return Fail(ComError(FolderRefusal(refusal), target));
}

Result<void> AtomicFile::Write(QByteArrayView bytes)
{
    if (!m_file.isOpen())
        return Fail(ComError(E_UNEXPECTED));
    errno = 0;
    if (m_file.write(bytes.data(), bytes.size()) != bytes.size())
        return Fail(ComError(FileWriteError(errno), m_target));
    return {};
}

Result<void> AtomicFile::Commit()
{
    if (!m_file.isOpen())
        return Fail(ComError(E_UNEXPECTED));
    m_file.close();
    // rename() replaces the target in one step: readers see the old file or the new one.
    if (std::rename(QFile::encodeName(m_file.fileName()).constData(), QFile::encodeName(m_target).constData()) != 0) {
        const int refusal = errno;
        Discard();
        return Fail(ComError(FolderRefusal(refusal), m_target));
    }
    m_committed = true;
    return {};
}

void AtomicFile::Discard()
{
    if (m_committed || m_file.fileName().isEmpty())
        return;
    m_file.close();
    m_file.remove();
    m_file.setFileName(QString());
}

bool AtomicFile::IsTemporaryName(QStringView fileName)
{
    return fileName.startsWith(kPrefix) && fileName.endsWith(kSuffix);
}

void AtomicFile::RemoveTemporaryFiles(const QString& folder, qint64 pid)
{
    if (pid <= 0)
        return;
    removeTemporaryFiles(folder, {}, [pid](const QFileInfo&, const ProcessStamp& owner) { return owner.pid == pid; });
}

void AtomicFile::SweepTemporaryFiles(const QString& folder, const QDateTime& before, QStringView suffix)
{
    removeTemporaryFiles(folder, suffix, [&before](const QFileInfo& file, const ProcessStamp& owner) {
        return owner.pid > 0 ? !owner.Runs() : file.lastModified() < before;
    });
}
