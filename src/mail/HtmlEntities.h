// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <string>
#include <string_view>

// Decodes every character reference of an HTML text or attribute value (UTF-8) as a
// browser reads it (HTML Living Standard 13.2.5.72-80): the named references of HTML5,
// with and without ";" where browsers accept both, and the longest known name at the
// start of an unknown one ("&notit;" is "¬it;"); decimal and hexadecimal references, the
// ones that stand for windows-1252 characters mapped, out-of-range ones U+FFFD, control
// characters dropped. An "&" that starts no reference stays.
std::string DecodeHtmlReferences(std::string_view text);
