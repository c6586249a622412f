// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <string>

// What a server's reply says about the account rather than about the recipient. Providers
// cap how much one account may send; past the cap they refuse with a reply that would
// otherwise read as the recipient's refusal. The one table in LimitReply.cpp decides.

// The parts of a reply line "550 5.4.5 Daily user sending quota exceeded".
struct TReplyParts {
    int Code = 0;         // the basic reply code (RFC 5321 section 4.2)
    std::string Enhanced; // the enhanced status code (RFC 3463), "5.4.5"; empty when none
    std::string Text;     // the rest of the reply
};

TReplyParts SplitReply(const std::string& reply);

// The account has reached a sending limit: the message was not judged, it may go later.
bool IsAccountLimitReply(const std::string& reply);

// The recipient's mailbox does not exist (5.1.1, 5.1.10, 5.1.6): never worth another message.
bool IsNoSuchUserReply(const std::string& reply);
