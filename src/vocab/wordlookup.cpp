#include "vocab/wordlookup.h"

namespace {

QString withoutSpaces(QString text)
{
    return text.remove(u' ');
}

} // namespace

std::optional<QString> EnglishLookUpText(const QString& typed)
{
    QString text = withoutSpaces(typed);
    if (text.toUtf8().size() < 2)
        return std::nullopt;
    return text;
}

std::optional<QString> ChineseLookUpText(const QString& typed)
{
    QString text = withoutSpaces(typed);
    if (text.isEmpty())
        return std::nullopt;
    return text;
}
