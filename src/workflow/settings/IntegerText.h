// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstdint>
#include <optional>
#include <string>

// The integer forms the number fields accept: leading blanks, an optional sign, then
// decimal digits within the 32-bit signed range, or up to eight hexadecimal digits after
// "$", "x" or "0x" taken as a 32-bit pattern. Nothing may follow the digits.
std::optional<std::int32_t> TryStrToInt(const std::string& text);
// As above; raises Exception "'text' is not a valid integer value" when it fails.
std::int32_t StrToInt(const std::string& text);
// Plain decimal only (an optional "-" and digits), as the settings are stored.
std::optional<std::int32_t> TryDecimalToInt(const std::string& text);
