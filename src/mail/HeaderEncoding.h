// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <string>
#include <string_view>
#include <vector>

// Header lines that stay 7-bit whatever the text: RFC 2047 encoded-words (UTF-8, "Q"
// encoding) for text beyond ASCII, RFC 2231 for attachment names, and folding to
// lines of at most 78 characters (RFC 5322 2.1.1). Text that needs none of this comes
// out exactly as given. Lines are returned without their final line end; folded ones
// hold CR LF and a blank inside.

// Inserts CR LF before blanks so that every line has at most 78 characters where the
// blanks allow it. Unfolding (removing each CR LF) gives the line back.
std::string FoldHeaderLine(std::string_view line);

// RFC 2047 encoded-words for the text, each at most 69 characters (so that one fits
// on a line after "Subject: "), split between characters, separated by blanks.
std::string EncodedWords(std::string_view text);

// An unstructured field such as "Subject: value": the value as given when it is
// printable ASCII, else as encoded-words.
std::string UnstructuredHeader(const std::string& name, const std::string& value);

// "From: " with the display name and "<address>": a plain name (atoms and blanks) or
// a quoted string stays as given, directly before "<"; other ASCII names are quoted,
// others encoded, each then followed by a blank. The address stays unchanged.
std::string FromHeader(const std::string& displayName, const std::string& address);

// A recipient entry ("Name <box>", "prefix:box" or "box") as it stands in an address
// header: the display name of the first form treated as in FromHeader, the rest as
// written.
std::string AddressEntryForHeader(const std::string& entry);

// "To: " (or another address field) with the entries separated by "," as written, or
// by ", " when the line must be folded or an entry was encoded.
std::string AddressListHeader(const std::string& name, const std::vector<std::string>& entries);

// The header lines of an attachment part, each followed by CR LF: Content-Type with
// name=, Content-Transfer-Encoding base64 and Content-Disposition with filename=. A
// name beyond printable ASCII goes as filename*= (RFC 2231, continued over lines when
// long) and as encoded-words in name= for older readers.
std::string AttachmentPartHeader(const std::string& fileName, const std::string& mediaType);
