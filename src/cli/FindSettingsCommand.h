// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

struct TSendOptions;
class TUserInterface;

// pelmar-send --find-settings ADDRESS: prints the outgoing server found for the address as
// lines of the settings file (key=value) on standard output, where it came from and what
// each source said on standard error, and writes it to the settings only with --save.
// Returns whether something was found.
bool RunFindSettings(const TSendOptions& options, TUserInterface& ui);
