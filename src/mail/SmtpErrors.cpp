// SPDX-License-Identifier: GPL-3.0-or-later
#include "mail/SmtpErrors.h"

std::string TSmtpReply::Text() const
{
    std::string text;
    for (const std::string& line : Lines)
        text += line;
    return text;
}
