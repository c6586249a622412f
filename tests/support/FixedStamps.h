// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "mail/MessageIdentity.h"

#include <QTimeZone>
#include <string>

// Date and Message-ID stamps that are the same in every run, for the send job's tests
// that check the bytes on the wire.
inline TMessageStamps FixedStamps()
{
    return {[] { return QDateTime(QDate(2025, 6, 5), QTime(9, 30), QTimeZone(7200)); },
            [] { return std::string("u1"); }};
}

// The header lines they give for a sender at example.org.
inline const std::string FixedStampLines = "Date: Thu, 5 Jun 2025 09:30:00 +0200\r\nMessage-ID: <u1@example.org>\r\n";
