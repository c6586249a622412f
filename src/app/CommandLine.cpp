// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/CommandLine.h"

#include "workflow/program/ProgramFolder.h"
#include "workflow/program/ProgramState.h"

namespace {

bool IsVersionQuestion(const QStringList& arguments)
{
    return arguments == QStringList{"--version"};
}

std::string HelpText()
{
    return "Usage: pelmar [RECIPIENTS-FILE MESSAGE-FILE [send]]\n"
           "Sends one e-mail message to many recipients, each a copy of their own.\n"
           "\n"
           "  RECIPIENTS-FILE  loaded into the recipient list, one entry per line\n"
           "  MESSAGE-FILE     loaded as the message text\n"
           "  send             starts sending at once\n"
           "  -h, --help       shows this help (only as the whole command line)\n"
           "      --version    shows the version (only as the whole command line)\n"
           "\n"
           "Without the two files the window opens with the work of the last run (the list, subject,\n"
           "text and attachment kept as a draft); the files named replace its list and text. A\n"
           "command line that sends uses its files alone.\n"
           "Help: "
        + HelpFile()
        + "\n"
          "Manual: man pelmar\n";
}

}

bool IsCommandLineQuestion(const QStringList& arguments)
{
    return IsVersionQuestion(arguments) || arguments == QStringList{"--help"} || arguments == QStringList{"-h"};
}

std::string CommandLineAnswer(const QStringList& arguments)
{
    if (IsVersionQuestion(arguments))
        return std::string(ApplicationTitle) + " " + ProgramVersion + "\n";
    return HelpText();
}
