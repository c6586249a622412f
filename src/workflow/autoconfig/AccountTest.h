// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <string>

struct TSettings;

// "Test" in the settings dialog: connects with the fields as they stand, logs in when
// there is a password and a secured connection, and leaves without sending (QUIT).
// Returns what the server offers and whether the login worked, in the language in
// force, one finding a line.
std::string TestAccount(const TSettings& settings, const std::string& password);
