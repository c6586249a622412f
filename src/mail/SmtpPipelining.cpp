// SPDX-License-Identifier: GPL-3.0-or-later
// The pipelined mail transaction (RFC 2920).
#include "mail/SmtpClient.h"

#include "mail/SmtpReplyBounds.h"

using namespace SmtpBounds;

// One write for the envelope, one wait for its replies (and for the reply to the last
// message's final dot, which travels ahead of them); the text and the final dot follow
// at once, and the dot's reply is left for the next transfer. In steady state a message
// costs one round trip.
void TSmtpClient::SendPipelined(const TEnvelope& envelope, const THeaderSource& header, TStream& body)
{
    const bool reset = ResetFirst();
    std::vector<std::string> recipients;
    const std::string group = EnvelopeGroup(reset, envelope, recipients);
    if (!FHeld)
        DiscardUnsolicitedInput();
    WriteAll(group);
    FTransactionOpen = true;
    std::optional<ESmtpError> refusal;
    bool acceptedData = false;
    try {
        ReadHeldReply();
        refusal = ReadEnvelopeReplies(reset, recipients, acceptedData);
    } catch (...) {
        // A broken reply, a closing server, or an event handler that raised: the replies
        // still to come can no longer be matched to their commands, and the server may
        // wait for a text.
        MarkExchangeCut();
        throw;
    }
    // With both refused, the held message's refusal has been reported by its OnFailure;
    // this one's is known from nowhere else.
    if (refusal) {
        if (acceptedData)
            AbandonData();
        refusal->SetSendNumber(envelope.Message);
        throw *refusal;
    }
    SendText(header, body);
    Writeln(".");
    FTransactionOpen = false;
    FHeld = envelope.Message;
}

// RSET (when a transaction was left open), MAIL FROM, a RCPT TO for every recipient
// with a mailbox (recipientEntries receives their entries), and DATA, which must end
// the group (RFC 2920 section 3.1).
std::string TSmtpClient::EnvelopeGroup(bool reset, const TEnvelope& envelope,
                                       std::vector<std::string>& recipientEntries) const
{
    std::string group = reset ? "RSET\r\n" : "";
    group += "MAIL FROM:<" + envelope.From + ">\r\n";
    for (const TStringList* list : envelope.Recipients) {
        for (int i = 0; i < list->Count(); ++i) {
            const std::string mailbox = ExtractMailbox((*list)[i]);
            if (mailbox.empty())
                continue;
            group += "RCPT TO:<" + mailbox + ">\r\n";
            recipientEntries.push_back((*list)[i]);
        }
    }
    return group + "DATA\r\n";
}

// Every reply is matched to its own command, in order. Returns the first refusal;
// acceptedData tells whether the server now waits for a text all the same.
std::optional<ESmtpError> TSmtpClient::ReadEnvelopeReplies(bool reset, const std::vector<std::string>& recipientEntries,
                                                           bool& acceptedData)
{
    std::optional<ESmtpError> refusal;
    const auto next = [this](TSmtpStep step) {
        TSmtpReply reply = ReadReply(true);
        CheckReply(reply, step, AnyCode);
        return reply;
    };
    const auto note = [&refusal](std::optional<ESmtpError> error) {
        if (error && !refusal)
            refusal = std::move(error);
    };
    if (reset)
        note(ReplyError(next(TSmtpStep::Rset), TSmtpStep::Rset, RefusedAboveCommand));
    note(ReplyError(next(TSmtpStep::MailFrom), TSmtpStep::MailFrom, RefusedAboveCommand));
    TSmtpReply lastRecipientReply;
    for (const std::string& entry : recipientEntries) {
        lastRecipientReply = next(TSmtpStep::RcptTo);
        NoteRecipientReply(entry, lastRecipientReply);
    }
    const TSmtpReply dataReply = next(TSmtpStep::Data);
    acceptedData = dataReply.Code <= RefusedAboveCommand;
    note(ReplyError(dataReply, TSmtpStep::Data, RefusedAboveCommand));
    // RFC 2920 section 3.1: DATA may be accepted although no recipient was.
    if (FRecipientsAccepted == 0)
        note(ESmtpError(TSmtpErrorKind::NoRecipientAccepted, "No recipient was accepted", TSmtpStep::RcptTo,
                        lastRecipientReply));
    return refusal;
}

// The server waits for a text that must not be delivered: a lone final dot ends the
// transaction, and its reply is no message's outcome.
void TSmtpClient::AbandonData()
{
    Writeln(".");
    FTransactionOpen = false;
    const TSmtpReply reply = ReadReply(true);
    if (auto broken = ReplyError(reply, TSmtpStep::EndOfData, AnyCode)) {
        MarkExchangeCut();
        throw *broken;
    }
}

// The held message's outcome. A reply that never came, or made no sense, leaves the
// message held: after such a failure UnansweredSendNumber names it.
void TSmtpClient::ReadHeldReply()
{
    if (!FHeld)
        return;
    const int number = *FHeld;
    const TSmtpReply reply = ReadReply(true);
    if (auto broken = ReplyError(reply, TSmtpStep::EndOfData, AnyCode)) {
        MarkExchangeCut();
        broken->SetSendNumber(number);
        throw *broken;
    }
    FHeld.reset();
    const bool delivered = reply.Code <= RefusedAboveCommand;
    ReportOutcome(number, reply, delivered);
    Settle(number, TSmtpStep::EndOfData, reply, delivered);
}

std::vector<TMessageOutcome> TSmtpClient::Complete()
{
    if (!FHeld || ExchangeCut())
        return {};
    // A handler that runs while the reply is awaited must not start a Send meanwhile.
    const bool wasBusy = FBusy;
    FBusy = true;
    try {
        ReadHeldReply();
    } catch (...) {
        FBusy = wasBusy;
        throw;
    }
    FBusy = wasBusy;
    return HandOut();
}

void TSmtpClient::CompletePending()
{
    for (const TMessageOutcome& outcome : Complete())
        if (outcome.Result != TMessageResult::Delivered)
            throw ESmtpError(TSmtpErrorKind::Refused, outcome.Reply.FirstLine(), outcome.Step, outcome.Reply,
                             outcome.Message);
}
