// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstddef>
#include <string>
#include <string_view>

// The length of the well-formed UTF-8 sequence that starts at text[at] (RFC 3629:
// no overlong forms, no surrogates, nothing above U+10FFFF), or 0 when there is none.
std::size_t Utf8SequenceLength(std::string_view text, std::size_t at);

bool IsValidUtf8(std::string_view text);

// The text with U+FFFD in place of every byte that starts no well-formed sequence;
// lossy tells whether that happened.
std::string ReplaceInvalidUtf8(std::string_view text, bool& lossy);

// U+FFFD REPLACEMENT CHARACTER in UTF-8.
inline constexpr std::string_view Utf8Replacement = "\xEF\xBF\xBD";
