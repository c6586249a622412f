// SPDX-License-Identifier: GPL-3.0-or-later
#include "workflow/lists/MailboxCheck.h"

#include "mail/SmtpClient.h"
#include "platform/InternetAddress.h"

#include <QStringDecoder>
#include <QUrl>
#include <algorithm>
#include <cstring>
#include <string_view>

namespace {

// RFC 5321 section 4.5.3.1.
constexpr std::size_t MaxLocalPart = 64;
constexpr std::size_t MaxDomain = 255;
// RFC 1035 section 2.3.4.
constexpr std::size_t MaxLabel = 63;

bool IsAsciiLetterOrDigit(unsigned char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

bool IsNonAscii(unsigned char c)
{
    return c >= 0x80;
}

// RFC 5322 section 3.2.3, widened by RFC 6531 section 3.3.
bool IsAtext(unsigned char c)
{
    return IsAsciiLetterOrDigit(c) || IsNonAscii(c) || (c != 0 && std::strchr("!#$%&'*+-/=?^_`{|}~", c));
}

bool IsWellFormedUtf8(std::string_view text)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString decoded = decoder.decode(QByteArrayView(text.data(), static_cast<qsizetype>(text.size())));
    return !decoder.hasError();
}

bool IsDotString(std::string_view local)
{
    bool atomStarted = false;
    for (const unsigned char c : local) {
        if (c == '.') {
            if (!atomStarted)
                return false;
            atomStarted = false;
        } else if (IsAtext(c)) {
            atomStarted = true;
        } else {
            return false;
        }
    }
    return atomStarted;
}

// RFC 5321 section 4.1.2: qtextSMTP and quoted-pairSMTP, with RFC 6531's UTF-8.
bool IsQuotedString(std::string_view local)
{
    if (local.size() < 2 || local.front() != '"' || local.back() != '"')
        return false;
    const std::string_view inside = local.substr(1, local.size() - 2);
    for (std::size_t i = 0; i < inside.size(); ++i) {
        const unsigned char c = inside[i];
        if (c == '\\') {
            if (++i == inside.size())
                return false;
            const unsigned char quoted = inside[i];
            if (quoted < 32 || quoted > 126)
                return false;
        } else if (c == '"' || c < 32 || c == 127) {
            return false;
        }
    }
    return true;
}

bool IsLocalPart(std::string_view local)
{
    return local.size() <= MaxLocalPart && (IsDotString(local) || IsQuotedString(local));
}

// Let-dig [Ldh-str]: letters, digits and hyphens, neither first nor last a hyphen.
bool IsLdhLabel(std::string_view label)
{
    if (label.empty() || label.size() > MaxLabel || label.front() == '-' || label.back() == '-')
        return false;
    for (const unsigned char c : label)
        if (!IsAsciiLetterOrDigit(c) && c != '-')
            return false;
    return true;
}

bool IsAsciiDomain(std::string_view domain)
{
    if (domain.empty() || domain.size() > MaxDomain)
        return false;
    std::size_t start = 0;
    for (;;) {
        const std::size_t dot = domain.find('.', start);
        if (!IsLdhLabel(domain.substr(start, dot == std::string_view::npos ? std::string_view::npos : dot - start)))
            return false;
        if (dot == std::string_view::npos)
            return true;
        start = dot + 1;
    }
}

// A domain with U-labels is valid when IDNA gives it an ASCII form that is.
bool IsDomain(std::string_view domain)
{
    if (domain.size() > MaxDomain)
        return false;
    if (std::none_of(domain.begin(), domain.end(), [](unsigned char c) { return IsNonAscii(c); }))
        return IsAsciiDomain(domain);
    const QString unicode = QString::fromUtf8(domain.data(), static_cast<qsizetype>(domain.size()));
    return IsAsciiDomain(QUrl::toAce(unicode).toStdString());
}

// Snum 3("." Snum): 1 to 3 digits each, at most 255.
bool IsIpv4(std::string_view text)
{
    int parts = 0;
    std::size_t start = 0;
    for (;;) {
        const std::size_t dot = text.find('.', start);
        const std::string_view part =
            text.substr(start, dot == std::string_view::npos ? std::string_view::npos : dot - start);
        if (part.empty() || part.size() > 3 || part.find_first_not_of("0123456789") != std::string_view::npos
            || std::stoi(std::string(part)) > 255)
            return false;
        ++parts;
        if (dot == std::string_view::npos)
            return parts == 4;
        start = dot + 1;
    }
}

bool IsAddressLiteral(std::string_view domain)
{
    if (domain.size() < 2 || domain.front() != '[' || domain.back() != ']')
        return false;
    const std::string_view inside = domain.substr(1, domain.size() - 2);
    constexpr std::string_view ipv6Tag = "IPv6:";
    if (inside.size() > ipv6Tag.size()
        && QByteArrayView(inside.substr(0, ipv6Tag.size())).compare(QByteArrayView(ipv6Tag), Qt::CaseInsensitive)
            == 0) {
        return IsIpv6Address(std::string(inside.substr(ipv6Tag.size())));
    }
    return IsIpv4(inside);
}

std::string_view TrimBlanks(std::string_view text)
{
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

}

std::string EntryMailbox(const std::string& entry)
{
    return std::string(TrimBlanks(ExtractMailbox(entry)));
}

bool IsValidMailbox(const std::string& mailbox)
{
    // The domain holds no "@" (an address literal of ours neither), a quoted local part may.
    const std::size_t at = mailbox.rfind('@');
    if (at == std::string::npos || !IsWellFormedUtf8(mailbox))
        return false;
    const std::string_view box(mailbox);
    const std::string_view domain = box.substr(at + 1);
    return IsLocalPart(box.substr(0, at)) && (IsDomain(domain) || IsAddressLiteral(domain));
}

bool IsValidEntry(const std::string& entry)
{
    return IsValidMailbox(EntryMailbox(entry));
}
