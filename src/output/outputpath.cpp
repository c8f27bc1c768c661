#include "output/outputpath.h"

bool IsUsableOutputFolder(const QString& folder)
{
    return !folder.isEmpty();
}

std::optional<QString> OutputFilePath(const QString& folder, const QString& headword)
{
    if (headword.isEmpty() || headword == u"." || headword == u".." || headword.contains(u'/')
        || headword.contains(QChar(0))) {
        return std::nullopt;
    }
    return folder + u'/' + headword + QStringLiteral(".wav");
}
