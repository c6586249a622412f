// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QStringList>

struct TJobResult;

// What pelmar-send's exit status tells a script.
namespace SendExit {
constexpr int AllDelivered = 0;
constexpr int NotAllDelivered = 1; // the job ran to its end; some entries refused or deferred
constexpr int Failed = 2;          // could not start, or was cut short
constexpr int PausedByLimit = 3;   // a sending limit was reached (--no-wait); run again to continue
constexpr int Interrupted = 130;   // Ctrl-C, as a shell reports a process ended by SIGINT
} // namespace SendExit

// interrupted: the user pressed Ctrl-C while the job ran.
int ExitStatusFor(const TJobResult& result, bool interrupted);

// Runs pelmar-send with the command line (without the program's name); returns the exit status.
int RunSendCommand(const QStringList& arguments);
