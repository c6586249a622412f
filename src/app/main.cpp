#include "app/PelmarApplication.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName("Drelko");
    QCoreApplication::setApplicationName("Varnolt Pelmar");
    QApplication::setQuitOnLastWindowClosed(false);
    QStringList arguments = QCoreApplication::arguments();
    arguments.removeFirst();
    return RunPelmar(arguments);
}
