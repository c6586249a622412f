// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/CommandLine.h"
#include "app/PelmarApplication.h"
#include "app/Pictures.h"

#include "InstallLayout.h"

#include <QApplication>
#include <cstdio>

int main(int argc, char** argv)
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    if (IsCommandLineQuestion(arguments)) {
        // Answered before the window system starts, so it works where there is no display.
        QCoreApplication core(argc, argv);
        std::fputs(CommandLineAnswer(arguments).c_str(), stdout);
        return 0;
    }
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName("Drelko");
    QCoreApplication::setApplicationName("Varnolt Pelmar");
    // The desktop matches the windows to their menu entry and its icon by this name; on X11
    // by the window class, which is the application name (the entry's StartupWMClass).
    QGuiApplication::setDesktopFileName(PELMAR_APP_ID);
    QApplication::setWindowIcon(PictureIcon("pelmar"));
    QApplication::setQuitOnLastWindowClosed(false);
    arguments = QCoreApplication::arguments();
    arguments.removeFirst();
    return RunPelmar(arguments);
}
