#include "ui/programsettings.h"

std::unique_ptr<QSettings> ProgramSettings()
{
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("lexovox"),
                                       QStringLiteral("lexovox"));
}
