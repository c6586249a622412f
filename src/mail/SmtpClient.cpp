// SPDX-License-Identifier: GPL-3.0-or-later
#include "mail/SmtpClient.h"

#include "base/Exception.h"
#include "mail/MessageAssembly.h"
#include "mail/SmtpReplyBounds.h"
#include "platform/MachineName.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace {

using namespace SmtpBounds;

// Every reply code has three digits (RFC 5321 section 4.2); anything below 100 means
// the server sent no code at all.
constexpr int kLowestReplyCode = 100;

// Unsolicited input is dropped in chunks of the session's transfer size.
constexpr int kMaxDiscardedChunks = 16;

// Status level of the server's reply lines.
constexpr int kLevelReply = 1;

// A reply keeps this many of its lines (the last one always), so that a server that
// never ends its reply cannot make it grow without bound.
constexpr std::size_t kMaxReplyLines = 100;

// A server that is closing the connection says 421 (RFC 5321 section 3.8).
constexpr int ClosingCode = 421;

// A reply that decided about the message, not about the connection.
bool IsMessageRefusal(const ESmtpError& error)
{
    const bool messageStep = error.Step() == TSmtpStep::MailFrom || error.Step() == TSmtpStep::RcptTo
        || error.Step() == TSmtpStep::Data || error.Step() == TSmtpStep::EndOfData;
    const bool refused = error.Kind() == TSmtpErrorKind::Refused || error.Kind() == TSmtpErrorKind::NoRecipientAccepted;
    return messageStep && refused && error.Code() != ClosingCode;
}

// RFC 5321 section 4.2.1: 4yz is transient, 5yz permanent (a 3yz refusal of RCPT TO is
// tried again as well).
TMessageResult RefusalResult(const TSmtpReply& reply)
{
    return reply.Code >= 500 ? TMessageResult::Refused : TMessageResult::Deferred;
}

// How the error texts name the exchange that failed.
const char* ExchangeName(TSmtpStep step)
{
    switch (step) {
    case TSmtpStep::Helo: return "HELO";
    case TSmtpStep::Rset: return "RSET";
    case TSmtpStep::MailFrom: return "MAIL FROM";
    case TSmtpStep::RcptTo: return "RCPT TO";
    case TSmtpStep::Data: return "DATA";
    case TSmtpStep::EndOfData: return "the end of the message";
    case TSmtpStep::Quit: return "QUIT";
    case TSmtpStep::Ehlo: return "EHLO";
    case TSmtpStep::StartTls: return "STARTTLS";
    case TSmtpStep::Auth: return "AUTH";
    case TSmtpStep::Greeting:
    case TSmtpStep::None: break;
    }
    return "";
}

std::string NoReplyText(TSmtpStep step)
{
    if (step == TSmtpStep::Greeting)
        return "No greeting from the server";
    return std::string("No reply from the server to ") + ExchangeName(step);
}

std::string InvalidReplyText(TSmtpStep step, const TSmtpReply& reply)
{
    if (step == TSmtpStep::Greeting)
        return "Invalid greeting from the server: " + reply.FirstLine();
    return std::string("Invalid reply from the server to ") + ExchangeName(step) + ": " + reply.FirstLine();
}

// A refusal shows the server's own words: the greeting's last line (the one a
// multi-line greeting ends with), or the first line of a command's reply.
std::string RefusalText(TSmtpStep step, const TSmtpReply& reply)
{
    return step == TSmtpStep::Greeting ? reply.LastLine() : reply.FirstLine();
}

std::string TrimBlanks(const std::string& text)
{
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

void CheckEntries(const TStringList& list, const std::string& field)
{
    for (int i = 0; i < list.Count(); ++i)
        CheckLineField(list[i], field);
}

} // namespace

std::string NthField(const std::string& text, char delimiter, int n)
{
    size_t start = 0;
    for (int field = 1; field < n; ++field) {
        const size_t next = text.find(delimiter, start);
        if (next == std::string::npos)
            return std::string();
        start = next + 1;
    }
    const size_t stop = text.find(delimiter, start);
    return text.substr(start, stop == std::string::npos ? std::string::npos : stop - start);
}

std::string ExtractMailbox(const std::string& entry)
{
    if (entry.find('<') != std::string::npos)
        return TrimBlanks(NthField(NthField(entry, '<', 2), '>', 1));
    if (entry.find(':') != std::string::npos)
        return TrimBlanks(NthField(entry, ':', 2));
    return TrimBlanks(entry);
}

TSmtpClient::TSmtpClient(QObject* owner) : TSocketSession(owner), FPostMessage(std::make_unique<TOutgoingMessage>())
{
    SetPort(25);
    MachineDomainName(); // starts the lookup, so that the name is known by the first EHLO
    OnAbortRestart = [this](QObject*) {
        TSocketSession::Disconnect();
        ClearInput();
    };
}

TSmtpClient::~TSmtpClient() = default;

void TSmtpClient::Abort()
{
    TSocketSession::Abort();
}

// --- replies -----------------------------------------------------------------

// A reply that never came has no lines.
TSmtpReply TSmtpClient::Command(const std::string& command)
{
    // The reply to a held final dot is solicited input.
    if (!FHeld)
        DiscardUnsolicitedInput();
    TSmtpReply reply;
    const std::string firstLine = Transaction(command);
    if (!firstLine.empty())
        reply.Lines.push_back(firstLine);
    reply.Code = ReplyNumber();
    ReadContinuation(reply);
    return reply;
}

TSmtpReply TSmtpClient::ReadReply(bool reportFirstLine)
{
    TSmtpReply reply;
    const std::string firstLine = ReadLn();
    if (!firstLine.empty()) {
        reply.Lines.push_back(firstLine);
        if (reportFirstLine)
            ReportStatus(kLevelReply, firstLine);
    }
    reply.Code = ReplyNumberOf(firstLine);
    ReadContinuation(reply);
    return reply;
}

// The server answers a command only after it has it (RFC 5321 section 4.1.1 and
// 4.3.1), so whatever is still unread when a command goes out answers nothing it sent:
// taken as the next reply it would shift every later reply by one, and a message the
// server refuses could count as delivered. A server that never stops sending is not
// drained for ever.
void TSmtpClient::DiscardUnsolicitedInput()
{
    for (int chunk = 0; chunk < kMaxDiscardedChunks && DataAvailable(); ++chunk)
        ClearInput();
}

// A multi-line reply marks every line but the last with "-" after the code
// (RFC 5321 section 4.2.1); the code of the first line counts.
void TSmtpClient::ReadContinuation(TSmtpReply& reply)
{
    for (;;) {
        const std::string line = reply.LastLine();
        const bool more = !line.empty() && (line[0] == ' ' || (line.size() > 3 && line[3] == '-'));
        if (!more)
            return;
        std::string next = ReadLn();
        if (next.empty()) {
            // The server closed the connection in the middle of its reply.
            reply.Complete = false;
            return;
        }
        if (reply.Lines.size() == kMaxReplyLines)
            reply.Lines.pop_back();
        reply.Lines.push_back(std::move(next));
    }
}

// The one place that turns a reply into an error. A reply that never came (the server
// closed the connection) or that carries no code is never taken as an acceptance.
std::optional<ESmtpError> TSmtpClient::ReplyError(const TSmtpReply& reply, TSmtpStep step, int refusedAbove) const
{
    if (reply.Lines.empty() || !reply.Complete)
        return ESmtpError(TSmtpErrorKind::NoReply, NoReplyText(step), step, reply);
    if (reply.Code < kLowestReplyCode)
        return ESmtpError(TSmtpErrorKind::InvalidReply, InvalidReplyText(step, reply), step, reply);
    if (refusedAbove != AnyCode && reply.Code > refusedAbove)
        return ESmtpError(TSmtpErrorKind::Refused, RefusalText(step, reply), step, reply);
    return std::nullopt;
}

void TSmtpClient::CheckReply(const TSmtpReply& reply, TSmtpStep step, int refusedAbove) const
{
    if (auto error = ReplyError(reply, step, refusedAbove))
        throw *error;
}

// --- connect and disconnect --------------------------------------------------

void TSmtpClient::Connect()
{
    CheckLineField(FUserID, "UserID");
    const bool setBusy = !FBusy;
    FBusy = true;
    bool greeted = false;
    try {
        FOpeningStep = TSmtpStep::None;
        TSocketSession::Connect();
        ForgetConnection();
        try {
            if (FSecurity == TSmtpSecurity::None) {
                Greet();
                Hello();
            } else {
                OpenSecured();
            }
            greeted = true;
        } catch (...) {
            Disconnect(); // an error of the QUIT replaces the one that led here
            throw;
        }
    } catch (...) {
        if (setBusy)
            FBusy = false;
        throw;
    }
    if (setBusy)
        FBusy = false;
    if (greeted)
        Fire(OnConnect, this);
}

// What the last connection learnt and left pending does not carry over to a new one.
void TSmtpClient::ForgetConnection()
{
    FExtensions.clear();
    FAuthMechanisms.clear();
    FExtensionParameters.clear();
    FPipelining = false;
    FTransactionOpen = false;
    FHeld.reset();
    FAwaitedDot.reset();
    FSettled.clear();
}

void TSmtpClient::Greet()
{
    CheckReply(ReadReply(), TSmtpStep::Greeting, RefusedAboveGreeting);
}

void TSmtpClient::Hello()
{
    bool retried = false;
    for (;;) {
        CheckLineField(FUserID, "UserID");
        const TSmtpReply reply = Command("HELO " + FUserID);
        CheckReply(reply, TSmtpStep::Helo, AnyCode);
        if (reply.Code <= RefusedAboveHelo)
            return;
        bool handled = false;
        if (!retried && OnAuthenticationFailed)
            OnAuthenticationFailed(handled);
        if (!handled)
            throw ESmtpError(TSmtpErrorKind::AuthenticationFailed, "Authentication failed", TSmtpStep::Helo, reply);
        retried = true;
    }
}

// After a time-out or cancel the server is not answering, or its answer to the cut
// exchange is still to come (and in the middle of the text QUIT would only be more text):
// the connection is closed without QUIT, so a dead server cannot hold the caller twice.
// A held final dot is answered first; its refusal is raised once QUIT has gone out.
void TSmtpClient::Disconnect()
{
    if (ExchangeCut()) {
        TSocketSession::Disconnect();
        return;
    }
    ClearCanceled(); // QUIT must still go out after a cancel
    std::optional<ESmtpError> heldRefusal;
    try {
        try {
            CompletePending();
        } catch (const ESmtpError& error) {
            if (error.Kind() != TSmtpErrorKind::Refused)
                throw;
            heldRefusal = error;
        }
        CheckReply(Command("QUIT"), TSmtpStep::Quit, RefusedAboveQuit);
    } catch (...) {
        TSocketSession::Disconnect();
        throw;
    }
    TSocketSession::Disconnect();
    if (heldRefusal)
        throw *heldRefusal;
}

std::vector<TMessageOutcome> TSmtpClient::Drop()
{
    TSocketSession::Disconnect();
    std::vector<TMessageOutcome> outcomes = HandOut();
    if (const std::optional<int> message = Unanswered()) {
        // Without pipelining a refused recipient decided before the dot went out.
        if (FAwaitedDot && RecipientDecides() && FRecipientRefusal->Code != ClosingCode)
            outcomes.push_back({*message, RefusalResult(*FRecipientRefusal), TSmtpStep::RcptTo, *FRecipientRefusal});
        else
            outcomes.push_back({*message, TMessageResult::Unanswered, TSmtpStep::EndOfData, {}});
    }
    FHeld.reset();
    FAwaitedDot.reset();
    return outcomes;
}

int TSmtpClient::UnansweredSendNumber() const
{
    return Unanswered().value_or(0);
}

std::optional<int> TSmtpClient::Unanswered() const
{
    // A reply to the dot that made no sense is no answer either.
    if (FAwaitedDot)
        return FAwaitedDot;
    return Connected() && !ExchangeCut() ? std::nullopt : FHeld;
}

// --- outcomes ----------------------------------------------------------------

void TSmtpClient::StartMessage()
{
    FRecipientRefusal.reset();
    FRecipientsAccepted = 0;
}

// RCPT TO accepts up to 300 (RFC 5321 section 4.2.2 has no 3yz reply to it).
void TSmtpClient::NoteRecipientReply(const std::string& entry, const TSmtpReply& reply)
{
    if (reply.Code <= RefusedAboveRcpt) {
        ++FRecipientsAccepted;
        return;
    }
    if (!FRecipientRefusal)
        FRecipientRefusal = reply;
    FRecipientReply = reply;
    Fire(OnRecipientNotFound, entry);
}

// The one place that turns a reply into a message's outcome. A server that is closing says
// 421 (RFC 5321 section 3.8): that is no outcome of the message but the end of the
// connection, and it is raised as such.
void TSmtpClient::Settle(int message, TSmtpStep step, const TSmtpReply& reply, bool delivered)
{
    if (!delivered && reply.Code == ClosingCode)
        throw ESmtpError(TSmtpErrorKind::Refused, RefusalText(step, reply), step, reply, message);
    FSettled.push_back({message, delivered ? TMessageResult::Delivered : RefusalResult(reply), step, reply});
}

// A refused MAIL FROM decides before the recipients it made fail; a refused recipient
// decides when none was accepted, whatever DATA was told.
void TSmtpClient::SettleRefusal(int message, const ESmtpError& refusal)
{
    if (refusal.Step() != TSmtpStep::MailFrom && RecipientDecides())
        Settle(message, TSmtpStep::RcptTo, *FRecipientRefusal, false);
    else
        Settle(message, refusal.Step(), refusal.Reply(), false);
}

bool TSmtpClient::Settled(int message) const
{
    return std::any_of(FSettled.begin(), FSettled.end(),
                       [message](const TMessageOutcome& outcome) { return outcome.Message == message; });
}

std::vector<TMessageOutcome> TSmtpClient::HandOut()
{
    return std::exchange(FSettled, {});
}

void TSmtpClient::ReportOutcome(int number, const TSmtpReply& reply, bool delivered)
{
    FOutcomeSendNumber = number;
    FOutcomeReply = reply;
    Fire(delivered ? OnSuccess : OnFailure, this);
}

// --- send --------------------------------------------------------------------

std::vector<TMessageOutcome> TSmtpClient::Transfer(const TEnvelope& envelope, const std::string& headerBlock,
                                                   TStream& body)
{
    CheckEnvelope(envelope);
    CheckHeaderBlockSize(headerBlock.size());
    CheckConnection();
    Fire(OnSendStart, this);
    const bool plain = !FPipelining;
    try {
        Transact(
            envelope, [&headerBlock] { return headerBlock; }, body);
    } catch (const ESmtpError& error) {
        if (!IsMessageRefusal(error))
            throw;
        if (!Settled(envelope.Message))
            SettleRefusal(envelope.Message, error);
        return HandOut();
    }
    if (plain)
        ReportOutcome(envelope.Message, FOutcomeReply, true);
    return HandOut();
}

void TSmtpClient::Send()
{
    if (FBusy)
        return;
    FBusy = true;
    const int number = ++FSendNumber;
    bool plain = false;
    std::vector<TMessageOutcome> settled;
    try {
        CheckFieldsForLineBreaks();
        BuildMessage();
        CheckHeaderBlockSize(HeaderBlockSize());
        CheckConnection();
        CheckHeader();
        Fire(OnSendStart, this);
        plain = !FPipelining;
        Transact(
            PostEnvelope(number), [this] { return FAssembler.HeaderBlock(); }, FAssembler.MessageBody());
        settled = HandOut();
        if (FClearParams)
            ClearRecipients();
    } catch (ESmtpError& error) {
        FBusy = false;
        FSettled.clear();
        if (error.SendNumber() == 0)
            error.SetSendNumber(number);
        throw;
    } catch (...) {
        FBusy = false;
        FSettled.clear();
        throw;
    }
    FBusy = false;
    if (plain)
        ReportOutcome(number, FOutcomeReply, true);
    // The message before this one, whose final dot's reply came with this envelope's.
    for (const TMessageOutcome& held : settled)
        if (held.Message != number && held.Result != TMessageResult::Delivered)
            throw ESmtpError(TSmtpErrorKind::Refused, RefusalText(held.Step, held.Reply), held.Step, held.Reply,
                             held.Message);
}

void TSmtpClient::Transact(const TEnvelope& envelope, const THeaderSource& header, TStream& body)
{
    StartMessage();
    if (FPipelining) {
        SendPipelined(envelope, header, body);
        return;
    }
    SendEnvelope(envelope);
    SendText(header, body);
    FinishData(envelope.Message);
}

TEnvelope TSmtpClient::PostEnvelope(int message) const
{
    const TOutgoingMessage& post = *FPostMessage;
    return {message, post.FromAddress(), {&post.ToAddress(), &post.ToCarbonCopy(), &post.ToBlindCarbonCopy()}};
}

void TSmtpClient::BuildMessage()
{
    FAssembler.SubType = FSubType;
    FAssembler.Charset = FCharset;
    FAssembler.EncodeType = FEncodeType;
    FAssembler.OnEncodeStart = OnEncodeStart;
    FAssembler.OnEncodeEnd = OnEncodeEnd;
    FAssembler.OnAttachmentNotFound = OnAttachmentNotFound;
    FAssembler.BuildMessage(*FPostMessage);
}

// The header block goes out in one write, which takes at most 65,535 bytes: a longer
// one (a huge pasted subject) is refused before the envelope, not cut after DATA.
void TSmtpClient::CheckHeaderBlockSize(std::size_t size) const
{
    if (size > MaxHeaderBlockSize)
        throw ESmtpError(TSmtpErrorKind::HeaderTooLarge,
                         "The message header is " + std::to_string(size) + " bytes long (at most "
                             + std::to_string(MaxHeaderBlockSize) + ")");
}

void TSmtpClient::CheckFieldsForLineBreaks() const
{
    CheckMessageFields(*FPostMessage, FCharset);
}

void TSmtpClient::CheckEnvelope(const TEnvelope& envelope) const
{
    CheckLineField(envelope.From, "FromAddress");
    for (const TStringList* list : envelope.Recipients)
        CheckEntries(*list, "ToAddress");
}

void TSmtpClient::CheckHeader()
{
    const TOutgoingMessage& message = *FPostMessage;
    auto incomplete = [&message] {
        return message.FromAddress().empty()
            || (message.ToAddress().Empty() && message.ToCarbonCopy().Empty() && message.ToBlindCarbonCopy().Empty());
    };
    bool retried = false;
    while (incomplete()) {
        bool handled = false;
        if (!retried && OnHeaderIncomplete)
            OnHeaderIncomplete(handled, message.FromAddress().empty() ? 1 : 2);
        if (!handled)
            throw ESmtpError(TSmtpErrorKind::IncompleteHeader, "Incomplete Header");
        retried = true;
    }
}

// The plain dialogue resets before every message, so that a transaction an earlier Send
// abandoned is ended. Over TLS the reset goes out only when one was abandoned: a
// transaction ends with its final dot, whatever the reply (RFC 5321 section 4.1.1.5).
bool TSmtpClient::ResetFirst() const
{
    return FSecurity == TSmtpSecurity::None || FTransactionOpen;
}

// A refused recipient is noted and the dialogue goes on to DATA, as the server may take
// a message for the others.
void TSmtpClient::SendEnvelope(const TEnvelope& envelope)
{
    if (ResetFirst())
        CheckReply(Command("RSET"), TSmtpStep::Rset, RefusedAboveCommand);
    FTransactionOpen = true;
    CheckReply(Command("MAIL FROM:<" + envelope.From + ">"), TSmtpStep::MailFrom, RefusedAboveCommand);
    for (const TStringList* list : envelope.Recipients)
        SendRecipients(*list);
    CheckReply(Command("DATA"), TSmtpStep::Data, RefusedAboveCommand);
}

void TSmtpClient::SendRecipients(const TStringList& list)
{
    const int count = list.Count();
    // A handler may shrink the list while it is walked; never read past its end.
    for (int i = 0; i < count && i < list.Count(); ++i) {
        // A copy on purpose: a handler may change the list.
        // NOLINTNEXTLINE(performance-unnecessary-copy-initialization)
        const std::string entry = list[i];
        const std::string mailbox = ExtractMailbox(entry);
        if (mailbox.empty())
            continue;
        const TSmtpReply reply = Command("RCPT TO:<" + mailbox + ">");
        CheckReply(reply, TSmtpStep::RcptTo, AnyCode);
        NoteRecipientReply(entry, reply);
    }
}

void TSmtpClient::SendText(const THeaderSource& header, TStream& body)
{
    Write(header());
    SendStream(body);
}

// Until a reply that makes sense has come, the message may or may not have been taken.
void TSmtpClient::FinishData(int message)
{
    FTransactionOpen = false;
    FAwaitedDot = message;
    const TSmtpReply reply = Command(".");
    CheckReply(reply, TSmtpStep::EndOfData, AnyCode);
    FAwaitedDot.reset();
    FOutcomeReply = reply;
    const bool accepted = reply.Code <= RefusedAboveCommand;
    if (!accepted)
        ReportOutcome(message, reply, false);
    if (!RecipientDecides()) {
        Settle(message, TSmtpStep::EndOfData, reply, accepted);
    } else {
        const TSmtpReply refusal = *FRecipientRefusal;
        Settle(message, TSmtpStep::RcptTo, refusal, false);
        // A text the server took with no recipient to go to is no delivery: the message is
        // refused by its recipient's reply, raised as a refused DATA would be.
        if (accepted)
            throw ESmtpError(TSmtpErrorKind::Refused, RefusalText(TSmtpStep::RcptTo, refusal), TSmtpStep::RcptTo,
                             refusal, message);
    }
    CheckReply(reply, TSmtpStep::EndOfData, RefusedAboveCommand);
}

void TSmtpClient::ClearRecipients()
{
    FPostMessage->ToAddress().Clear();
    FPostMessage->ToCarbonCopy().Clear();
    FPostMessage->ToBlindCarbonCopy().Clear();
    FPostMessage->Attachments().Clear();
}
