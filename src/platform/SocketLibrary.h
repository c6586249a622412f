// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <string>
#include <vector>

// The process-wide count of sessions using the socket layer. POSIX sockets need no
// start-up, but the count and the description lines are kept for callers that show them.
extern int WinsockUsers;

// Counts one more user; returns the six description lines when this is the first.
std::vector<std::string> StartSocketLibrary();
// Counts one user less.
void StopSocketLibrary();
