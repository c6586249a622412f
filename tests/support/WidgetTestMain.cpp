// SPDX-License-Identifier: GPL-3.0-or-later
#include <QApplication>
#include <gtest/gtest.h>

// Test programs of the send job and the windows get a widget application object, so
// that timers, socket notifiers and widgets work; without a display the offscreen
// platform is used.
int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // The user's own keyring is never touched: no session bus answers, so no keyring
    // does. The keyring's own test runs inside a private session bus and says so.
    if (qEnvironmentVariableIsEmpty("PELMAR_KEYRING_TEST"))
        qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/pelmar-test-bus");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
