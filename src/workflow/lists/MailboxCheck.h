// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <string>

// Whether a recipient entry names a mailbox the server can be asked about, so that an
// entry such as "bob@" or "not an address" is marked in the list and counted as refused
// without a word to the server.

// The envelope address of an entry: what the SMTP client takes out of it (the text
// between "<" and ">" of "Name <box>", the part after the colon of "prefix:box", or the
// whole entry) without the spaces and tabs around it, which are not part of an address.
std::string EntryMailbox(const std::string& entry);

// Whether the text is a Mailbox of RFC 5321 section 4.1.2: Local-part "@" Domain, where
// - the local part is a dot-string (atoms of RFC 5322 atext joined by single dots) or a
//   quoted string (printable ASCII and space, with backslash pairs), at most 64 octets;
// - the domain is a name of labels of letters, digits and inner hyphens (at most 63
//   octets each, 255 in all; no final dot), or an address literal "[192.0.2.1]" or
//   "[IPv6:2001:db8::1]" (other tagged literals have no registered tag and are refused).
// UTF-8 is accepted as RFC 6531 allows it: any non-ASCII character in atoms and quoted
// strings, and domain labels that IDNA turns into valid "xn--" labels. Lists are typed
// by Slovenian users ("jože@primer.si"), and the server, not this check, decides whether
// it takes such an address. Bytes that are not well-formed UTF-8 (a file saved in an
// 8-bit code page) make the mailbox invalid.
bool IsValidMailbox(const std::string& mailbox);

// IsValidMailbox(EntryMailbox(entry)). An empty entry is not a recipient at all (the job
// skips it) and is not valid either.
bool IsValidEntry(const std::string& entry);
