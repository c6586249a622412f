// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <optional>
#include <string>

#include "workflow/autoconfig/FoundAccount.h"

class QByteArray;

// What a mail autoconfig file (the clientConfig format of config-v1.1.xml) says of the
// outgoing server: the first outgoingServer of type smtp. A file that is not
// well-formed, or lacks a usable smtp server, gives no account and the reason why: it
// is used whole or not at all.
struct TAutoconfigReading {
    std::optional<TFoundAccount> Account;
    std::string Problem;
};

TAutoconfigReading ReadAutoconfig(const QByteArray& file, const std::string& email);
