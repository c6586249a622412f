// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QStringList>
#include <string>

// "--version", "--help" or "-h" as the whole command line is a question that the program
// answers on standard output, without a window or a display. Every other command line is
// the window's, whose rule ignores one argument alone: so these take nothing from it, and
// after a recipients file "--help" is still a message file's name.
bool IsCommandLineQuestion(const QStringList& arguments);

// The answer to such a question. The help names the help file, so the application object
// must exist.
std::string CommandLineAnswer(const QStringList& arguments);
