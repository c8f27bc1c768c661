#include "output/outputpath.h"

bool IsUsableOutputFolder(const QString& folder)
{
    return !folder.isEmpty();
}

bool IsRefusedHeadword(const QString& headword)
{
    return headword.isEmpty() || headword == u"." || headword == u".." || headword.contains(u'/')
        || headword.contains(QChar(0));
}

std::optional<QString> OutputFilePath(const QString& folder, const QString& headword)
{
    if (IsRefusedHeadword(headword))
        return std::nullopt;
    return folder + u'/' + headword + QStringLiteral(".wav");
}
