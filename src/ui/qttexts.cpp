#include "ui/qttexts.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include "base/uilanguage.h"

namespace {

const QString kTranslatorName = QStringLiteral("qtTextsTranslator");

} // namespace

QString QtTextsLocale()
{
    const LANGID id = GetUserInterfaceLanguage();
    if ((id & 0x03FF) == 0x09)
        return {};
    // Qt's Chinese comes as zh_CN and zh_TW only, and a Singapore or Hong Kong locale finds
    // neither by its own name: the script decides.
    if (IsChineseUserInterface())
        return id == 0x0804 || id == 0x1004 ? QStringLiteral("zh_CN") : QStringLiteral("zh_TW");
    return QString::fromLatin1(LocaleNameOf(id));
}

bool LoadQtTexts(QCoreApplication& app)
{
    // Deleting a translator takes it out of the application.
    delete app.findChild<QTranslator*>(kTranslatorName, Qt::FindDirectChildrenOnly);
    const QString locale = QtTextsLocale();
    if (locale.isEmpty())
        return true;
    auto* texts = new QTranslator(&app);
    texts->setObjectName(kTranslatorName);
    if (!texts->load(QLocale(locale), QStringLiteral("qtbase"), QStringLiteral("_"),
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete texts;
        return false;
    }
    return QCoreApplication::installTranslator(texts);
}
