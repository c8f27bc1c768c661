#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include "base/comerror.h"
#include "cwordspeechapp.h"

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    FailWritesPastSizeLimit();
    // Qt's own texts (the message boxes' OK button, the folder tree's headers) in the user's
    // language, as the rest of the window is.
    QTranslator qtTexts;
    if (qtTexts.load(QLocale(), QStringLiteral("qtbase"), QStringLiteral("_"),
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QApplication::installTranslator(&qtTexts);
    }
    CWordSpeechApp theApp(QCoreApplication::arguments());
    theApp.InitInstance();
    return theApp.ExitInstance();
}
