#pragma once
#include <string>

// The folder in which the program writes its files ("log.txt", "msg.html"), with a
// trailing separator: the executable's folder, or the per-user data folder when the
// executable's folder is not writable (an installed program).
std::string ProgramFolder();

// The executable's own folder, with a trailing separator ("help.htm" lies there).
std::string ExecutableFolder();

// The rule itself, for a given pair of candidates.
std::string ChooseProgramFolder(const std::string& executableFolder, const std::string& userDataFolder);

// Tests point the program at a folder of their own; empty restores the rule.
void OverrideProgramFolder(const std::string& folder);

// The per-user data folder (~/.local/share/Drelko/Varnolt Pelmar/), with a trailing
// separator: the delivery history lives there.
std::string UserDataFolder();
// Tests point it at a folder of their own; empty restores the rule.
void OverrideUserDataFolder(const std::string& folder);
