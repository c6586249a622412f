// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <string>
#include <string_view>

// A recipient entry is one line of the recipient list: "Name <box>", "\"Last, First\" <box>",
// "prefix:box" or just "box". The send job takes the envelope address out of it with
// ExtractMailbox and writes the whole entry into the "To: " line.
struct TEntryParts {
    std::string DisplayName; // the text before "<", trimmed, unquoted; empty when there is none
    std::string Address;     // the envelope address, trimmed of blanks
};

TEntryParts SplitEntry(const std::string& entry);

// The entry for a display name and an address: "Name <box>", or the address alone when the
// name is empty ("<box>" when the box holds a colon, which would read as "prefix:box").
// Name and address are made one line (OneLine) and lose any "<" or ">", which would mislead
// the envelope address; the name is quoted (RFC 5322 section 3.2.4) when it holds a character
// that a header's phrase cannot carry bare, such as the comma of "Novak, Ana".
// SplitEntry(MakeEntry(name, box)) gives that cleaned name and box back.
std::string MakeEntry(const std::string& displayName, const std::string& address);

// The text as one header-safe line: every control character (line breaks, tabs, NUL) a
// blank, runs of blanks one blank, no blanks at either end.
std::string OneLine(std::string_view text);
