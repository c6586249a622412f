#include "mail/SmtpClient.h"

#include "base/Exception.h"
#include "mail/MessageAssembly.h"
#include "mail/SmtpReplyBounds.h"
#include "platform/MachineName.h"

#include <cstring>

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

bool HasLineBreakOrNul(const std::string& text)
{
    return text.find_first_of(std::string("\r\n\0", 3)) != std::string::npos;
}

void CheckField(const std::string& value, const std::string& field)
{
    if (HasLineBreakOrNul(value))
        throw ESmtpError(TSmtpErrorKind::FieldHasLineBreak, field + " contains a line break or NUL character");
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
        CheckField(list[i], field);
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

TSmtpClient::TSmtpClient(QObject* owner)
    : TSocketSession(owner), FPostMessage(std::make_unique<TOutgoingMessage>())
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
    if (!FHeldSendNumber)
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
    CheckField(FUserID, "UserID");
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
    FPipelining = false;
    FTransactionOpen = false;
    FHeldSendNumber = 0;
    FAwaitedDotSendNumber = 0;
}

void TSmtpClient::Greet()
{
    CheckReply(ReadReply(), TSmtpStep::Greeting, RefusedAboveGreeting);
}

void TSmtpClient::Hello()
{
    bool retried = false;
    for (;;) {
        CheckField(FUserID, "UserID");
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

int TSmtpClient::Drop()
{
    TSocketSession::Disconnect();
    const int unanswered = UnansweredSendNumber();
    FHeldSendNumber = 0;
    FAwaitedDotSendNumber = 0;
    return unanswered;
}

int TSmtpClient::UnansweredSendNumber() const
{
    // A reply to the dot that made no sense is no answer either.
    if (FAwaitedDotSendNumber)
        return FAwaitedDotSendNumber;
    return Connected() && !ExchangeCut() ? 0 : FHeldSendNumber;
}

// --- send --------------------------------------------------------------------

void TSmtpClient::Send()
{
    if (FBusy)
        return;
    FBusy = true;
    const int number = ++FSendNumber;
    bool delivered = false;
    try {
        CheckFieldsForLineBreaks();
        BuildMessage();
        CheckHeaderBlockSize();
        CheckConnection();
        CheckHeader();
        Fire(OnSendStart, this);
        if (FPipelining) {
            SendPipelined();
        } else {
            SendEnvelope();
            SendText();
            FinishData();
            delivered = true;
            if (FClearParams)
                ClearRecipients();
        }
    } catch (ESmtpError& error) {
        FBusy = false;
        if (error.SendNumber() == 0)
            error.SetSendNumber(number);
        throw;
    } catch (...) {
        FBusy = false;
        throw;
    }
    FBusy = false;
    if (delivered)
        ReportOutcome(number, FOutcomeReply, true);
}

void TSmtpClient::ReportOutcome(int number, const TSmtpReply& reply, bool delivered)
{
    FOutcomeSendNumber = number;
    FOutcomeReply = reply;
    Fire(delivered ? OnSuccess : OnFailure, this);
}

void TSmtpClient::ReportRecipientRefused(const std::string& entry, const TSmtpReply& reply)
{
    FRecipientReply = reply;
    Fire(OnRecipientNotFound, entry);
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
void TSmtpClient::CheckHeaderBlockSize()
{
    const std::size_t size = HeaderBlockSize();
    if (size > MaxHeaderBlockSize)
        throw ESmtpError(TSmtpErrorKind::HeaderTooLarge,
                         "The message header is " + std::to_string(size) + " bytes long (at most "
                             + std::to_string(MaxHeaderBlockSize) + ")");
}

// No CR, LF or NUL from a field may reach the wire: it would end a command or header
// line early and let the rest become commands or header lines of its own.
void TSmtpClient::CheckFieldsForLineBreaks() const
{
    const TOutgoingMessage& message = *FPostMessage;
    CheckField(message.FromAddress(), "FromAddress");
    CheckField(message.FromName(), "FromName");
    CheckField(message.Subject(), "Subject");
    CheckField(message.LocalProgram(), "LocalProgram");
    CheckField(message.ReplyTo(), "ReplyTo");
    CheckField(message.Date(), "Date");
    CheckField(message.MessageId(), "MessageId");
    CheckField(FCharset, "Charset");
    CheckEntries(message.ToAddress(), "ToAddress");
    CheckEntries(message.ToCarbonCopy(), "ToCarbonCopy");
    CheckEntries(message.ToBlindCarbonCopy(), "ToBlindCarbonCopy");
    // The file name goes into the part's header lines; check the whole path.
    CheckEntries(message.Attachments(), "Attachments");
    CheckEntries(message.ExtraHeaders(), "ExtraHeaders");
}

void TSmtpClient::CheckHeader()
{
    const TOutgoingMessage& message = *FPostMessage;
    auto incomplete = [&message] {
        return message.FromAddress().empty()
            || (message.ToAddress().Empty() && message.ToCarbonCopy().Empty()
                && message.ToBlindCarbonCopy().Empty());
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

void TSmtpClient::SendEnvelope()
{
    if (ResetFirst())
        CheckReply(Command("RSET"), TSmtpStep::Rset, RefusedAboveCommand);
    FTransactionOpen = true;
    CheckReply(Command("MAIL FROM:<" + FPostMessage->FromAddress() + ">"), TSmtpStep::MailFrom, RefusedAboveCommand);
    SendRecipients(FPostMessage->ToAddress());
    SendRecipients(FPostMessage->ToCarbonCopy());
    SendRecipients(FPostMessage->ToBlindCarbonCopy());
    CheckReply(Command("DATA"), TSmtpStep::Data, RefusedAboveCommand);
}

void TSmtpClient::SendRecipients(TStringList& list)
{
    const int count = list.Count();
    // A handler may shrink the list while it is walked; never read past its end.
    for (int i = 0; i < count && i < list.Count(); ++i) {
        const std::string entry = list[i];
        const std::string mailbox = ExtractMailbox(entry);
        if (mailbox.empty())
            continue;
        const TSmtpReply reply = Command("RCPT TO:<" + mailbox + ">");
        CheckReply(reply, TSmtpStep::RcptTo, AnyCode);
        if (reply.Code > RefusedAboveRcpt)
            ReportRecipientRefused(entry, reply);
    }
}

void TSmtpClient::SendText()
{
    Write(FAssembler.HeaderBlock());
    SendStream(FAssembler.MessageBody());
}

// Until a reply that makes sense has come, the message may or may not have been taken.
void TSmtpClient::FinishData()
{
    FTransactionOpen = false;
    FAwaitedDotSendNumber = FSendNumber;
    const TSmtpReply reply = Command(".");
    CheckReply(reply, TSmtpStep::EndOfData, AnyCode);
    FAwaitedDotSendNumber = 0;
    FOutcomeReply = reply;
    if (reply.Code > RefusedAboveCommand)
        ReportOutcome(FSendNumber, reply, false);
    CheckReply(reply, TSmtpStep::EndOfData, RefusedAboveCommand);
}

void TSmtpClient::ClearRecipients()
{
    FPostMessage->ToAddress().Clear();
    FPostMessage->ToCarbonCopy().Clear();
    FPostMessage->ToBlindCarbonCopy().Clear();
    FPostMessage->Attachments().Clear();
}
