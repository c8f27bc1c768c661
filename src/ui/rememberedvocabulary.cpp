#include "ui/rememberedvocabulary.h"

#include "ui/programsettings.h"

namespace {

constexpr char16_t kKey[] = u"vocabulary/file";

} // namespace

QString RememberedVocabulary()
{
    return ProgramSettings()->value(QString::fromUtf16(kKey)).toString();
}

void RememberVocabulary(const QString& path)
{
    ProgramSettings()->setValue(QString::fromUtf16(kKey), path);
}
