#include <QApplication>
#include <gtest/gtest.h>

// Test programs of the send job and the windows get a widget application object, so
// that timers, socket notifiers and widgets work; without a display the offscreen
// platform is used.
int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
