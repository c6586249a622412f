// SPDX-License-Identifier: GPL-3.0-or-later
#include "workflow/limits/LimitReply.h"

#include <QString>

#include <cctype>

namespace {

// One row: a reply matches when every part the row gives matches (0 or null: any).
struct TLimitRow {
    int Code;             // basic reply code
    const char* Enhanced; // enhanced code, or its class and subject ("4.7." is any 4.7.x)
    const char* Text;     // words in the reply, without regard to case
};

// RFC 3463 section 3.8: x.7.x is security or policy status; 4.7.x is the temporary kind
// providers give for rate limits. 5.4.5 is "system congestion", which Google uses for
// its daily quota. A 421 closes the connection and names the rate in its text. The
// texts are those the big providers send for their sending caps.
const TLimitRow LimitRows[] = {
    {0, "4.7.", nullptr},
    {0, "5.4.5", nullptr},
    {421, nullptr, "rate"},
    {421, nullptr, "too many"},
    {421, nullptr, "limit"},
    {0, nullptr, "sending quota"},                                 // Gmail, Workspace
    {0, nullptr, "sending limit"},                                 // Gmail, Yahoo, Zoho
    {0, nullptr, "SubmissionQuotaExceeded"},                       // Microsoft 365, Outlook.com
    {0, nullptr, "message submission rate"},                       // Microsoft 365, Postfix anvil
    {0, nullptr, "recipient rate limit"},                          // Microsoft 365
    {0, nullptr, "too many messages"},                             // Yahoo, GMX, web.de
    {0, nullptr, "unusual rate"},                                  // Gmail
    {0, nullptr, "temporarily deferred due to unexpected volume"}, // Yahoo
};

// An address status (x.1.x) or a full mailbox (x.2.2, whose text speaks of a quota) is about
// the recipient, whatever the text says.
bool IsRecipientStatus(const std::string& enhanced)
{
    return enhanced.size() > 2 && (enhanced.compare(1, 3, ".1.") == 0 || enhanced.substr(1) == ".2.2");
}

bool Contains(const std::string& text, const char* words)
{
    return QString::fromStdString(text).contains(QString::fromUtf8(words), Qt::CaseInsensitive);
}

// Greylisting defers one sender and recipient pair for minutes (often as 4.7.1): the retry
// rounds are its answer, not an hour's pause of the whole job.
bool IsGreylisting(const std::string& text)
{
    return Contains(text, "greylist") || Contains(text, "graylist") || Contains(text, "grey-list");
}

// A 4.7.x about the session's credentials (an expired access token, TLS) is made good by
// signing in or connecting again, which the job does at once.
bool IsAboutCredentials(const std::string& text)
{
    return Contains(text, "token") || Contains(text, "authenticat") || Contains(text, "TLS");
}

bool Matches(const TLimitRow& row, const TReplyParts& reply)
{
    if (row.Code && row.Code != reply.Code)
        return false;
    if (row.Enhanced) {
        const std::string prefix = row.Enhanced;
        const bool wholeCode = prefix.back() != '.';
        if (wholeCode ? reply.Enhanced != prefix : reply.Enhanced.rfind(prefix, 0) != 0)
            return false;
    }
    return !row.Text || Contains(reply.Text, row.Text);
}

bool IsEnhancedCode(const std::string& word)
{
    int dots = 0;
    for (char c : word) {
        if (c == '.')
            ++dots;
        else if (!std::isdigit(static_cast<unsigned char>(c)))
            return false;
    }
    return dots == 2 && word.size() >= 5 && (word[0] == '2' || word[0] == '4' || word[0] == '5');
}

}

TReplyParts SplitReply(const std::string& reply)
{
    TReplyParts parts;
    std::size_t pos = 0;
    while (pos < reply.size() && pos < 3 && std::isdigit(static_cast<unsigned char>(reply[pos])))
        parts.Code = parts.Code * 10 + (reply[pos++] - '0');
    if (pos != 3)
        return {0, {}, reply};
    pos = reply.find_first_not_of(" -", pos);
    if (pos == std::string::npos)
        return parts;
    const std::size_t end = reply.find(' ', pos);
    const std::string word = reply.substr(pos, end == std::string::npos ? std::string::npos : end - pos);
    if (IsEnhancedCode(word)) {
        parts.Enhanced = word;
        pos = end == std::string::npos ? reply.size() : end + 1;
    }
    parts.Text = reply.substr(pos);
    return parts;
}

bool IsAccountLimitReply(const std::string& reply)
{
    const TReplyParts parts = SplitReply(reply);
    if (parts.Code < 400 || IsRecipientStatus(parts.Enhanced) || IsGreylisting(parts.Text)
        || IsAboutCredentials(parts.Text))
        return false;
    for (const TLimitRow& row : LimitRows)
        if (Matches(row, parts))
            return true;
    return false;
}

bool IsNoSuchUserReply(const std::string& reply)
{
    const TReplyParts parts = SplitReply(reply);
    return parts.Code >= 500 && (parts.Enhanced == "5.1.1" || parts.Enhanced == "5.1.10" || parts.Enhanced == "5.1.6");
}
