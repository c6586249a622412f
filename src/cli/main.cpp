// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/SendCommand.h"

#include <QCoreApplication>
#include <csignal>

int main(int argc, char** argv)
{
    // A reader that goes away (`pelmar-send ... | head`) must not end a job in the middle:
    // writing to it fails instead, and the job goes on.
    std::signal(SIGPIPE, SIG_IGN);
    QCoreApplication app(argc, argv);
    QCoreApplication::setOrganizationName("Drelko");
    QCoreApplication::setApplicationName("Varnolt Pelmar");
    QStringList arguments = QCoreApplication::arguments();
    arguments.removeFirst();
    return RunSendCommand(arguments);
}
