// SPDX-License-Identifier: GPL-3.0-or-later
#include "mail/MessageIdentity.h"

#include <QRandomGenerator>
#include <QUrl>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

bool IsAtext(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')
        || std::strchr("!#$%&'*+-/=?^_`{|}~", c) != nullptr;
}

// RFC 5322 3.2.3 dot-atom-text: atoms joined by single dots.
bool IsDotAtomText(const std::string& text)
{
    if (text.empty() || text.front() == '.' || text.back() == '.' || text.find("..") != std::string::npos)
        return false;
    return std::all_of(text.begin(), text.end(), [](char c) { return c == '.' || IsAtext(c); });
}

std::string MessageIdDomain(const std::string& senderAddress)
{
    const std::size_t at = senderAddress.rfind('@');
    if (at == std::string::npos)
        return MessageIdFallbackDomain;
    // An internationalised domain goes in its ASCII form (RFC 5891).
    const std::string domain = QUrl::toAce(QString::fromStdString(senderAddress.substr(at + 1))).toStdString();
    return IsDotAtomText(domain) ? domain : MessageIdFallbackDomain;
}

} // namespace

std::string MailDate(const QDateTime& moment)
{
    static const char* const days[] = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};
    static const char* const months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const QDate date = moment.date();
    const QTime time = moment.time();
    const int offsetMinutes = moment.offsetFromUtc() / 60;
    const int offset = std::abs(offsetMinutes);
    char text[64];
    std::snprintf(text, sizeof text, "%s, %d %s %04d %02d:%02d:%02d %c%02d%02d", days[date.dayOfWeek() - 1], date.day(),
                  months[date.month() - 1], date.year(), time.hour(), time.minute(), time.second(),
                  offsetMinutes < 0 ? '-' : '+', offset / 60, offset % 60);
    return text;
}

std::string MessageId(const std::string& uniquePart, const std::string& senderAddress)
{
    return "<" + uniquePart + "@" + MessageIdDomain(senderAddress) + ">";
}

std::string NewMessageIdUniquePart()
{
    char text[48];
    std::snprintf(text, sizeof text, "%llx.%016llx",
                  static_cast<unsigned long long>(QDateTime::currentMSecsSinceEpoch()),
                  static_cast<unsigned long long>(QRandomGenerator::system()->generate64()));
    return text;
}
