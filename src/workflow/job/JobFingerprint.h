// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <string>
#include <vector>

class TStringList;

// Fingerprints that tell whether a new job repeats an earlier one: SHA-256, as 64 hex
// digits. Every part is hashed with its length, so that moving text from one part to
// another (subject to body, one line to the next) changes the fingerprint.

// The recipient list as the job reads it: every entry in order, empty ones included, so
// that equal fingerprints mean equal entries at equal positions.
std::string ListHash(const std::vector<std::string>& entries);

// The message as its recipients get it: subject, body lines, plain text or HTML, and the
// attachment (its file name and its bytes) when the path names an existing file; a path
// that names nothing counts as no attachment, as the send job sends none then. Raises
// EFOpenError when the file exists but cannot be read.
std::string MessageHash(const std::string& subject, const TStringList& body, bool html,
                        const std::string& attachmentPath);
