// SPDX-License-Identifier: GPL-3.0-or-later
#include <QCoreApplication>
#include <gtest/gtest.h>

// Test programs without windows get a core application object, so that timers and
// socket notifiers work; they never load the widget or GUI libraries.
int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
