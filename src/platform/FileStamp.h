// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <string>

// What changes whenever a file is written, replaced or cut short: its device and inode,
// size, and last modification and status change times to the nanosecond (the status
// change time cannot be set back by hand). Empty when the file is missing.
std::string FileStamp(const std::string& fileName);
