// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstdint>
#include <string>

// The per-user settings, one value per access. Every value is stored as text, integers
// in decimal. Errors are raised as Exception with the user-visible text.
inline constexpr const char* SettingsKey = "Software\\Drelko\\Varnolt Pelmar";

void RegWriteString(const std::string& keyPath, const std::string& name, const std::string& text);
std::string RegReadString(const std::string& keyPath, const std::string& name, const std::string& defaultText);
void RegWriteInteger(const std::string& keyPath, const std::string& name, std::int32_t value);
// A stored text that is not a decimal integer gives the default.
std::int32_t RegReadInteger(const std::string& keyPath, const std::string& name, std::int32_t defaultValue);

// Where the settings of the key live (the file a person may write by hand).
std::string SettingsFileName(const std::string& keyPath);
