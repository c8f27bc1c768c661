#include <gtest/gtest.h>

#include <QCoreApplication>

// Voices post their events through Qt's event queue, so the tests run with an application.
int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
