// The pipelined mail transaction (RFC 2920).
#include "mail/SmtpClient.h"

#include "mail/SmtpReplyBounds.h"

using namespace SmtpBounds;

// One write for the envelope, one wait for its replies (and for the reply to the last
// message's final dot, which travels ahead of them); the text and the final dot follow
// at once, and the dot's reply is left for the next Send. In steady state a message
// costs one round trip.
void TSmtpClient::SendPipelined()
{
    const int number = FSendNumber;
    const bool reset = ResetFirst();
    std::vector<std::string> recipients;
    const std::string group = EnvelopeGroup(reset, recipients);
    if (!FHeldSendNumber)
        DiscardUnsolicitedInput();
    WriteAll(group);
    FTransactionOpen = true;
    std::optional<ESmtpError> heldRefusal;
    std::optional<ESmtpError> refusal;
    bool acceptedData = false;
    try {
        heldRefusal = ReadHeldReply();
        refusal = ReadEnvelopeReplies(reset, recipients, acceptedData);
    } catch (...) {
        // A broken reply, or an event handler that raised: the replies still to come can
        // no longer be matched to their commands, and the server may wait for a text.
        MarkExchangeCut();
        throw;
    }
    // With both refused, the held message's refusal has been reported by its OnFailure;
    // this one's is known from nowhere else.
    if (refusal) {
        if (acceptedData)
            AbandonData();
        refusal->SetSendNumber(number);
        throw *refusal;
    }
    SendText();
    Writeln(".");
    FTransactionOpen = false;
    FHeldSendNumber = number;
    if (FClearParams)
        ClearRecipients();
    if (heldRefusal)
        throw *heldRefusal;
}

// RSET (when a transaction was left open), MAIL FROM, a RCPT TO for every recipient
// with a mailbox (recipientEntries receives their entries), and DATA, which must end
// the group (RFC 2920 section 3.1).
std::string TSmtpClient::EnvelopeGroup(bool reset, std::vector<std::string>& recipientEntries) const
{
    std::string group = reset ? "RSET\r\n" : "";
    group += "MAIL FROM:<" + FPostMessage->FromAddress() + ">\r\n";
    for (const TStringList* list :
         {&FPostMessage->ToAddress(), &FPostMessage->ToCarbonCopy(), &FPostMessage->ToBlindCarbonCopy()}) {
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
    int accepted = 0;
    for (const std::string& entry : recipientEntries) {
        lastRecipientReply = next(TSmtpStep::RcptTo);
        if (lastRecipientReply.Code > RefusedAboveRcpt)
            ReportRecipientRefused(entry, lastRecipientReply);
        else
            ++accepted;
    }
    const TSmtpReply dataReply = next(TSmtpStep::Data);
    acceptedData = dataReply.Code <= RefusedAboveCommand;
    note(ReplyError(dataReply, TSmtpStep::Data, RefusedAboveCommand));
    // RFC 2920 section 3.1: DATA may be accepted although no recipient was.
    if (accepted == 0)
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
std::optional<ESmtpError> TSmtpClient::ReadHeldReply()
{
    if (!FHeldSendNumber)
        return std::nullopt;
    const int number = FHeldSendNumber;
    const TSmtpReply reply = ReadReply(true);
    if (auto broken = ReplyError(reply, TSmtpStep::EndOfData, AnyCode)) {
        MarkExchangeCut();
        broken->SetSendNumber(number);
        throw *broken;
    }
    FHeldSendNumber = 0;
    std::optional<ESmtpError> refusal = ReplyError(reply, TSmtpStep::EndOfData, RefusedAboveCommand);
    if (refusal)
        refusal->SetSendNumber(number);
    ReportOutcome(number, reply, !refusal);
    return refusal;
}

void TSmtpClient::CompletePending()
{
    if (!FHeldSendNumber || ExchangeCut())
        return;
    // A handler that runs while the reply is awaited must not start a Send meanwhile.
    const bool wasBusy = FBusy;
    FBusy = true;
    std::optional<ESmtpError> refusal;
    try {
        refusal = ReadHeldReply();
    } catch (...) {
        FBusy = wasBusy;
        throw;
    }
    FBusy = wasBusy;
    if (refusal)
        throw *refusal;
}
