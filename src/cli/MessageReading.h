// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <string>

// A message as it goes on the wire (RFC 5322 header, MIME body; lines ending in CR LF)
// as a person reads it: From, To, Reply-To, Subject and Date with their encoded-words
// decoded (RFC 2047), an empty line, the first text part decoded from its transfer
// encoding and charset (the plain reading of an HTML part when there is no plain one),
// then "Attachment: NAME" (in the language in force) for each attachment (RFC 2231 names decoded). UTF-8, lines
// ending in LF.
std::string ReadableMessage(const std::string& message);
