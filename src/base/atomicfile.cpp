#include "base/atomicfile.h"

#include <cstdio>

#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>

namespace {

constexpr int kNameAttempts = 16;
constexpr QStringView kPrefix = u".lexovox-";
constexpr QStringView kSuffix = u".part";

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
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        const QString name = kPrefix.toString()
                             + QStringLiteral("%1").arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'))
                             + suffix.toString() + kSuffix.toString();
        m_file.setFileName(folder.filePath(name));
        if (m_file.open(QIODevice::ReadWrite | QIODevice::NewOnly | QIODevice::Unbuffered)) {
            m_target = info.absoluteFilePath();
            return {};
        }
        if (!m_file.exists())
            break; // not a name clash: the folder refuses new files
    }
    m_file.setFileName(QString());
    return Fail(ComError(STG_E_ACCESSDENIED, target));
}

Result<void> AtomicFile::Commit()
{
    if (!m_file.isOpen())
        return Fail(ComError(E_UNEXPECTED));
    m_file.close();
    // rename() replaces the target in one step: readers see the old file or the new one.
    if (std::rename(QFile::encodeName(m_file.fileName()).constData(), QFile::encodeName(m_target).constData()) != 0) {
        Discard();
        return Fail(ComError(STG_E_ACCESSDENIED, m_target));
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
