#include "output/outputpath.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include <QFile>

bool IsUsableOutputFolder(const QString& folder)
{
    return !folder.isEmpty();
}

Result<void> MakeOutputFolder(const QString& folder)
{
    std::error_code error;
    std::filesystem::create_directories(QFile::encodeName(folder).toStdString(), error);
    if (error)
        return Fail(ComError(ResultCode::JobFolderNotMade,
                             QStringLiteral("%1: %2").arg(folder, QString::fromLocal8Bit(error.message()))));
    return {};
}

bool IsRefusedHeadword(const QString& headword)
{
    // Control characters (a newline, NUL) would break every list that names the file.
    const bool control = std::any_of(headword.begin(), headword.end(),
                                     [](QChar c) { return c.category() == QChar::Other_Control; });
    return headword.isEmpty() || headword == u"." || headword == u".." || headword.contains(u'/') || control;
}

std::optional<QString> OutputFilePath(const QString& folder, const QString& headword)
{
    if (IsRefusedHeadword(headword))
        return std::nullopt;
    return folder + u'/' + headword + QStringLiteral(".wav");
}
