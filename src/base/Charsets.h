// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

// Character set conversion through the C library's iconv, by the names MIME and iconv
// share ("utf-8", "iso-8859-2", "windows-1250", ...).

// The text in the character set `to`, or nothing when either name is unknown, is not
// made only of letters, digits, "-", "_" and "." (what iconv reads as written and a
// header can declare), or some character of the text has no exact counterpart there.
std::optional<std::string> ConvertExactly(std::string_view text, const std::string& from, const std::string& to);

// The text converted into UTF-8 with U+FFFD in place of whatever `from` leaves
// undefined or cut short; lossy tells whether that happened. unitSize is the size of
// the smallest unit of `from` (2 for UTF-16), skipped at each undecodable place.
std::string DecodeToUtf8(std::string_view text, const std::string& from, std::size_t unitSize, bool& lossy);

// True when the name is a character set whose text keeps ASCII as ASCII bytes, as a
// MIME text part needs (RFC 2046 4.1.2): "iso-8859-2" is, "utf-16" is not.
bool IsAsciiCompatibleCharset(const std::string& name);
