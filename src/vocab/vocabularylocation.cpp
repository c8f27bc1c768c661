#include "vocab/vocabularylocation.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include "vocab/connectionstring.h"

namespace {

constexpr char16_t kFileName[] = u"code.dll";
// The installed default, from the program's folder: bin/ and share/ are siblings both when
// installed and in the build tree.
constexpr char16_t kDefaultFromProgram[] = u"../share/lexovox/code.dll";
constexpr char16_t kFromUserData[] = u"lexovox/code.dll";

QString under(const QString& folder, const char16_t* relative)
{
    return QDir::cleanPath(QDir(folder).absoluteFilePath(QString::fromUtf16(relative)));
}

} // namespace

VocabularyLocation FindVocabulary(const VocabularySearch& search)
{
    VocabularyLocation location;
    QStringList candidates;
    if (!search.explicitFile.isEmpty()) {
        candidates << QDir::cleanPath(QDir::current().absoluteFilePath(search.explicitFile));
    } else {
        if (!search.currentFolder.isEmpty())
            candidates << under(search.currentFolder, kFileName);
        if (!search.rememberedFile.isEmpty())
            candidates << QDir::cleanPath(QDir::current().absoluteFilePath(search.rememberedFile));
        if (!search.userDataFolder.isEmpty())
            candidates << under(search.userDataFolder, kFromUserData);
        if (!search.programFolder.isEmpty())
            candidates << under(search.programFolder, kDefaultFromProgram);
    }
    for (const QString& candidate : candidates) {
        if (location.tried.contains(candidate))
            continue;
        location.tried << candidate;
        if (QFileInfo::exists(candidate)) {
            location.path = candidate;
            break;
        }
    }
    return location;
}

VocabularySearch ProgramVocabularySearch(const QString& explicitFile, const QString& rememberedFile)
{
    VocabularySearch search;
    search.explicitFile = explicitFile;
    search.currentFolder = QDir::currentPath();
    search.rememberedFile = rememberedFile;
    search.userDataFolder = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    search.programFolder = QCoreApplication::applicationDirPath();
    return search;
}

QString VocabularyConnectionString(const QString& path)
{
    // Quoted, so a ';' or '=' in a folder name stays part of the path.
    QString quoted = path;
    quoted.replace(u'"', QStringLiteral("\"\""));
    return QStringLiteral("Data Source=\"%1\";Jet OLEDB:Database Password=%2")
        .arg(quoted, ProgramDatabasePassword());
}
