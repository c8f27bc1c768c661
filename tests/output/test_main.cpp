#include <gtest/gtest.h>

#include <QCoreApplication>

// The batch engine runs on an event loop, so the tests run with an application.
int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
