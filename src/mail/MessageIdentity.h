// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QDateTime>
#include <functional>
#include <string>

// The value of a Date field (RFC 5322 3.3) for the moment, with English day and month
// names and the offset of the zone the moment carries, as "Tue, 1 Jul 2025 14:03:05 +0200".
std::string MailDate(const QDateTime& moment);

// A Message-ID (RFC 5322 3.6.4), "<unique@domain>": the domain is that of the sender
// address (in its ASCII form), or MessageIdFallbackDomain when the address has none
// that may stand there.
std::string MessageId(const std::string& uniquePart, const std::string& senderAddress);

// Under the reserved top-level domain .invalid (RFC 2606), so that it never names a
// real host; uniqueness comes from the left-hand part.
inline constexpr const char* MessageIdFallbackDomain = "varnolt-pelmar.invalid";

// A left-hand part no other message will share: the time in milliseconds and 64
// random bits, both in hexadecimal.
std::string NewMessageIdUniquePart();

// Where the time and the unique part of each message's Date and Message-ID come
// from: the clock and NewMessageIdUniquePart, or fixed ones in tests.
struct TMessageStamps {
    std::function<QDateTime()> Now = [] { return QDateTime::currentDateTime(); };
    std::function<std::string()> UniquePart = NewMessageIdUniquePart;
};
