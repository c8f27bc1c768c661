#include "resources/appicon.h"

#include <QIcon>

QIcon applicationIcon()
{
    // The resources are linked from a static library: nothing else references their
    // registration, so the linker would drop it unless it is named here.
    static const bool registered = [] {
        Q_INIT_RESOURCE(lexovox);
        return true;
    }();
    Q_UNUSED(registered);

    QIcon icon;
    icon.addFile(QStringLiteral(":/icons/lexovox-32.png"));
    icon.addFile(QStringLiteral(":/icons/lexovox-64.png"));
    return icon;
}
