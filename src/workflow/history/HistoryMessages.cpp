// SPDX-License-Identifier: GPL-3.0-or-later
#include "workflow/history/HistoryMessages.h"

#include "workflow/program/ProgramState.h"

namespace Messages {

namespace {

std::string WithFileAndReason(const char* slovenian, const char* english, const std::string& file,
                              const std::string& reason)
{
    return std::string(Lang(slovenian, english)) + "\r\r" + Lang("Datoteka: ", "File: ") + file + "\r"
        + Lang("Razlog: ", "Reason: ") + reason;
}

}

std::string HistoryCannotOpen(const std::string& file, const std::string& reason)
{
    return WithFileAndReason("Zgodovine pošiljanja ni mogoče odpreti.", "The delivery history cannot be opened.", file,
                             reason);
}

std::string HistoryCannotRead(const std::string& file, const std::string& reason)
{
    return WithFileAndReason("Zgodovine pošiljanja ni mogoče prebrati.", "The delivery history cannot be read.", file,
                             reason);
}

std::string HistoryCannotWrite(const std::string& file, const std::string& reason)
{
    return WithFileAndReason("V zgodovino pošiljanja ni mogoče pisati.", "The delivery history cannot be written.",
                             file, reason);
}

std::string HistoryMovedAside(const std::string& damagedCopy)
{
    return std::string(Lang("Zgodovina pošiljanja je bila poškodovana, zato je bila preimenovana v ",
                            "The delivery history was damaged, so it was renamed to "))
        + damagedCopy + Lang(".\r\rZačeta je nova zgodovina.", ".\r\rA new history was started.");
}

std::string HistoryFolderNotCreated(const std::string& folder)
{
    return std::string(Lang("mape ni mogoče ustvariti: ", "the folder cannot be created: ")) + folder;
}

std::string HistoryFromNewerVersion()
{
    return Lang("zapisala jo je novejša različica programa", "it was written by a newer version of the program");
}

}
