#include <QApplication>

#include "cwordspeechapp.h"

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    CWordSpeechApp theApp;
    theApp.InitInstance();
    return theApp.ExitInstance();
}
