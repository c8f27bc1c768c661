#include "ui/rememberedvocabulary.h"

#include <QSettings>

namespace {

constexpr char16_t kKey[] = u"vocabulary/file";

QSettings settings()
{
    // Named here, not through the application object, so the program and its tests agree.
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("lexovox"),
                     QStringLiteral("lexovox"));
}

} // namespace

QString RememberedVocabulary()
{
    return settings().value(QString::fromUtf16(kKey)).toString();
}

void RememberVocabulary(const QString& path)
{
    settings().setValue(QString::fromUtf16(kKey), path);
}
