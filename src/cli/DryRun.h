// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstdio>
#include <optional>
#include <string>

class TListColumn;
class TListFields;
class TMessageFields;
class TSendSettings;

// Prints the message the list's first entry would get, exactly as the send job composes it
// and as it follows DATA on the wire (header lines, the empty line, the body; lines end in
// CR LF), before the dot-stuffing of the transfer. Connects to nothing. When the job would
// not start (no entry to send to, or a field the list does not have), says why through the
// user-interface seam and returns false.
bool PrintFirstMessage(const TListColumn& entries, const TListFields& fields, const TMessageFields& message,
                       TSendSettings& settings, std::FILE* output);

// The same message as a person reads it (--preview): the header fields that matter to a
// reader, decoded; the text part; the attachments' names. Lines end in LF.
bool PrintFirstMessageAsRead(const TListColumn& entries, const TListFields& fields, const TMessageFields& message,
                             TSendSettings& settings, std::FILE* output);
// The message the list's first entry would get, as it follows DATA; nothing (and said
// why) when the job would not start.
std::optional<std::string> ComposeFirstMessage(const TListColumn& entries, const TListFields& fields,
                                               const TMessageFields& message, TSendSettings& settings);
