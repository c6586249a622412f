// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <string>
#include <vector>

// The header lines that let a mail program offer "unsubscribe" (RFC 2369 List-Unsubscribe),
// by the unsubscribe setting: empty, none; "mailto", a message to the sender with the
// subject "unsubscribe"; an https address, that address beside it and the one-click
// List-Unsubscribe-Post (RFC 8058 section 3.1), which only an https address may carry.
// Any other value adds nothing.
std::vector<std::string> UnsubscribeHeaders(const std::string& setting, const std::string& sender);
