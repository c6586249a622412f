// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "base/StringList.h"
#include "mail/SmtpErrors.h"

#include <string>
#include <vector>

// Who one message goes from and to, and the caller's own number for it (a send job uses
// the entry's position in its list): outcomes name their message by that number.
struct TEnvelope {
    int Message = 0;
    std::string From;
    // The lists whose entries get a RCPT TO each, walked as they stand when the commands go
    // out (a handler of OnRecipientNotFound may shorten them meanwhile).
    std::vector<const TStringList*> Recipients;
};

enum class TMessageResult {
    Delivered,  // the server took it: its final dot was answered with 2xx
    Refused,    // a 5xx reply decided it
    Deferred,   // a 4xx reply (or a refused RCPT TO of 3xx) decided it
    Unanswered, // its final dot went out, but no reply that made sense came: it may have gone
};

// What became of one message, and the reply that decided it: the first refusal of its
// envelope (MAIL FROM; RCPT TO when no recipient was accepted; DATA), else its final dot's.
// An unanswered message has no reply.
struct TMessageOutcome {
    int Message = 0;
    TMessageResult Result = TMessageResult::Delivered;
    TSmtpStep Step = TSmtpStep::None;
    TSmtpReply Reply;
};
