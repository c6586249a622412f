// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <string>
#include <string_view>
#include <vector>

// Quoted-printable (RFC 2045 6.7) of one line of text, given without its line end:
// the encoded lines, each at most 76 characters, all but the last ending in the soft
// line break "=". Every byte outside printable ASCII, every "=" and a blank or tab at
// the end of the line are written as "=XX".
std::vector<std::string> QuotedPrintableLines(std::string_view line);
