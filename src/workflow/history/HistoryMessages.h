// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <string>

// The delivery history's texts, in the language in force when they are built. Line
// breaks are single CR characters, as the message boxes expect. `reason` is what the
// database or the file system said, shown as it is.
namespace Messages {
std::string HistoryCannotOpen(const std::string& file, const std::string& reason);
std::string HistoryCannotRead(const std::string& file, const std::string& reason);
std::string HistoryCannotWrite(const std::string& file, const std::string& reason);
// Said once, after a damaged history was renamed and an empty one took its place.
std::string HistoryMovedAside(const std::string& damagedCopy);
// Reasons of our own (the others come from the database in English).
std::string HistoryFolderNotCreated(const std::string& folder);
std::string HistoryFromNewerVersion();
}
