#include "vocab/wordstatements.h"

namespace {

QString quoted(QString text)
{
    return text.replace(u'\'', QStringLiteral("''"));
}

} // namespace

QString CourseStatement(const QString& subclass)
{
    return QStringLiteral("SELECT en,ch FROM word WHERE subclass='") + quoted(subclass) + u'\'';
}

QString EnglishLookUpStatement(const QString& text)
{
    return QStringLiteral("select en,ch from word where en like '%") + quoted(text) + QStringLiteral("%'");
}

QString ChineseLookUpStatement(const QString& text)
{
    return QStringLiteral("select en,ch from word where ch like '%") + quoted(text) + QStringLiteral("%'");
}
