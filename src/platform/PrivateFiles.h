// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <string>

// Files that hold the user's recipients, messages and replies are the user's alone on a
// shared computer: the folders they live in are 0700, the files 0600.

// Creates the folder (and its parents) when missing and makes it the owner's alone.
// False when it could not be created.
bool MakePrivateFolder(const std::string& folder);
// Makes an existing file the owner's alone; a missing one is left so.
void MakePrivateFile(const std::string& fileName);
// Creates an empty file readable by its owner alone, unless it exists already (which is
// then made private). Lets a library that creates files with the usual mode start from it.
void CreatePrivateFile(const std::string& fileName);
