#include <QApplication>

#include "base/comerror.h"
#include "cwordspeechapp.h"
#include "ui/qttexts.h"

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    FailWritesPastSizeLimit();
    // Qt's own texts (the dialogs' standard buttons, the folder tree's headers) in the
    // language of the program's messages, before any window is built.
    LoadQtTexts(app);
    CWordSpeechApp theApp(QCoreApplication::arguments());
    theApp.InitInstance();
    return theApp.ExitInstance();
}
