#include <QGuiApplication>

#include <cstdlib>
#include <gtest/gtest.h>

// Text and fonts need a GUI application; the offscreen platform keeps the tests headless.
int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
