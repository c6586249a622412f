// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <string>

// The folder in which the program writes its files ("log.txt", "msg.html"), with a
// trailing separator: the executable's folder when the program runs where it was built,
// or the per-user data folder when it is installed or its folder is not writable.
std::string ProgramFolder();

// The executable's own folder, with a trailing separator.
std::string ExecutableFolder();

// The data folder of an installed program (P/share/pelmar/ for P/bin/pelmar), with a
// trailing separator; empty when the executable in that folder is not an installed one.
std::string InstalledDataFolder(const std::string& executableFolder);

// The rule itself, for a given pair of candidates.
std::string ChooseProgramFolder(const std::string& executableFolder, const std::string& userDataFolder);

// "help.htm": in the installed data folder, or beside the executable where it was built.
std::string HelpFile();
std::string ChooseHelpFile(const std::string& executableFolder);

// Tests point the program at a folder of their own; empty restores the rule.
void OverrideProgramFolder(const std::string& folder);

// The per-user data folder (~/.local/share/Drelko/Varnolt Pelmar/), with a trailing
// separator: the delivery history lives there.
std::string UserDataFolder();
// Tests point it at a folder of their own; empty restores the rule.
void OverrideUserDataFolder(const std::string& folder);
