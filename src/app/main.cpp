#include "app/CommandLine.h"
#include "app/PelmarApplication.h"

#include <QApplication>
#include <cstdio>

int main(int argc, char** argv)
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    if (IsCommandLineQuestion(arguments)) {
        // Answered without the window's libraries, so it works where there is no display.
        QCoreApplication core(argc, argv);
        std::fputs(CommandLineAnswer(arguments).c_str(), stdout);
        return 0;
    }
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName("Drelko");
    QCoreApplication::setApplicationName("Varnolt Pelmar");
    QApplication::setQuitOnLastWindowClosed(false);
    arguments = QCoreApplication::arguments();
    arguments.removeFirst();
    return RunPelmar(arguments);
}
