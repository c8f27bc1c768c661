#include <gtest/gtest.h>

#include <QGuiApplication>

// The batch engine runs on an event loop and the dictation sheets need fonts, so the tests run
// with a GUI application, on the platform that needs no display.
int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
