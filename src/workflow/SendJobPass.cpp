// The send job's passes over its entries: each message, the outcome the server gives it,
// the retry rounds for deferred entries, and a new connection when one breaks.
#include "workflow/SendJob.h"

#include "base/Exception.h"
#include "mail/SmtpClient.h"
#include "mail/SmtpErrors.h"
#include "platform/WaitStep.h"
#include "workflow/IntegerText.h"
#include "workflow/JobMessages.h"
#include "workflow/LimitReply.h"
#include "workflow/MailboxCheck.h"
#include "workflow/Pause.h"
#include "workflow/ProgramState.h"

#include <algorithm>

namespace {

// A server that is closing the connection says 421 (RFC 5321 section 3.8): the message
// was not refused, the connection ended.
constexpr int ClosingCode = 421;

// The reply in one line, as the log and the history show it.
std::string ReplyWords(const TSmtpReply& reply)
{
    std::string words;
    for (const std::string& line : reply.Lines) {
        std::string text = line;
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
            text.pop_back();
        words += (words.empty() ? "" : " ") + text;
    }
    return words;
}

// A message the server decided on (RFC 5321 section 4.2.1: 4yz transient, 5yz permanent).
bool IsMessageRefusal(const ESmtpError& error)
{
    const bool messageStep = error.Step() == TSmtpStep::MailFrom || error.Step() == TSmtpStep::RcptTo
        || error.Step() == TSmtpStep::Data || error.Step() == TSmtpStep::EndOfData;
    const bool refused =
        error.Kind() == TSmtpErrorKind::Refused || error.Kind() == TSmtpErrorKind::NoRecipientAccepted;
    return messageStep && refused && error.Code() != ClosingCode;
}

// A message that cannot go out as composed; the session is untouched.
bool IsUnsendableMessage(const ESmtpError& error)
{
    return error.Kind() == TSmtpErrorKind::FieldHasLineBreak || error.Kind() == TSmtpErrorKind::IncompleteHeader
        || error.Kind() == TSmtpErrorKind::HeaderTooLarge;
}

std::string CountPair(int done, int total)
{
    return std::to_string(done) + "/" + std::to_string(total);
}

}

void TSendJob::SendEverything()
{
    FFirstSendNumber = FSmtp.SendNumber() + 1;
    std::vector<int> positions;
    for (int position = 0; position < FEntries.Count(); ++position)
        if (!FEntries.Rows[static_cast<std::size_t>(position)].empty()
            && FLedger.Outcome(position) != TOutcome::Delivered)
            positions.push_back(position);
    SendPass(positions);
    for (int round = 0; round < RetryRounds && !Ending(); ++round) {
        std::vector<int> deferred;
        std::copy_if(positions.begin(), positions.end(), std::back_inserter(deferred),
                     [this](int position) { return FLedger.Outcome(position) == TOutcome::Deferred; });
        if (deferred.empty())
            break;
        const std::int32_t seconds = TryDecimalToInt(FSettings.RetryWait()).value_or(60);
        if (!Wait(PauseMilliseconds(seconds), Messages::RetryIn))
            break;
        SendPass(deferred);
    }
    if (FCancelRequested)
        throw TJobEnding{TJobEnd::Canceled, {}};
    if (FStopRequested)
        throw TJobEnding{TJobEnd::Stopped, {}};
}

// The queue takes back the entries whose messages a broken connection cut off, in front.
void TSendJob::SendPass(const std::vector<int>& positions)
{
    std::deque<int> queue(positions.begin(), positions.end());
    for (;;) {
        while ((!queue.empty() || Limits.LimitWasTold()) && !Ending()) { // limits: a told limit resends
            if (SkipSuppressed(queue) || !KeepToLimits(queue)) // limits and suppressions
                continue;
            const int position = queue.front();
            queue.pop_front();
            try {
                SendPosition(position);
            } catch (...) {
                HandleFault(std::current_exception(), queue);
            }
        }
        // The messages still on their way get their outcomes, also after a Stop.
        try {
            CompletePending();
        } catch (...) {
            HandleFault(std::current_exception(), queue);
        }
        if ((queue.empty() && !Limits.LimitWasTold()) || Ending()) // limits
            return;
    }
}

// An entry that is no address is refused without a word to the server.
void TSendJob::SendPosition(int position)
{
    CurrentRecipient = position;
    if (!IsValidEntry(FEntries.Item(position))) {
        Record({position, FEntries.Item(position), TOutcome::Refused, Messages::NotAnAddressReply(), {}, {}});
        return;
    }
    SendMessage(position);
    Limits.Sent(); // limits
    PauseAfterMessage();
}

// With pipelining a message may still wait for its final reply when Send returns; its
// outcome comes with a later Send (or CompletePending) through SMTPSuccess or SMTPFailure.
void TSendJob::SendMessage(int position)
{
    ComposeForCurrentEntry();
    const int number = FSmtp.SendNumber() + 1;
    FInFlight.push_back({number, position, FSmtp.PostMessage().MessageId(), std::nullopt});
    FSmtp.Send();
    if (FSmtp.SendNumber() != number || (FindInFlight(number) && FSmtp.HeldSendNumber() != number))
        throw Exception("The message was not sent");
}

// The pause waits for the outcome, so that the job never rests with a message
// unaccounted for.
void TSendJob::PauseAfterMessage()
{
    const std::int32_t milliseconds = PauseMilliseconds(StrToInt(FSettings.Delay()));
    if (milliseconds <= 0)
        return;
    CompletePending();
    Wait(milliseconds, Messages::NextMessageIn);
}

void TSendJob::CompletePending()
{
    FSmtp.CompletePending();
}

// The one place that decides what an error means for the job: a message refused or
// deferred lets the job go on; a broken connection is made again and the messages it cut
// off go again; Cancel, and anything the job cannot go on without, end it.
void TSendJob::HandleFault(std::exception_ptr error, std::deque<int>& queue)
{
    try {
        std::rethrow_exception(error);
    } catch (const ESmtpError& failure) {
        if (failure.Code() == ClosingCode && IsAccountLimitReply(ReplyWords(failure.Reply()))) // limits
            Limits.ToldLimitByClosing();
        if (IsMessageRefusal(failure)) {
            // A refused MAIL FROM makes the RCPT TO refusals after it mere consequences.
            if (TInFlight* message = FindInFlight(failure.SendNumber()); message && failure.Step() == TSmtpStep::MailFrom)
                message->RecipientRefusal.reset();
            SettleByReply(failure.SendNumber(), failure.Reply());
            return;
        }
        // The header differs between messages only by the entry (and what is merged from
        // it): when the first message's is too long, every one's is, and the job ends.
        if (failure.Kind() == TSmtpErrorKind::HeaderTooLarge && failure.SendNumber() == FFirstSendNumber) {
            FInFlight.clear();
            throw TJobEnding{TJobEnd::Failed, Messages::HeaderTooLarge(FSmtp.HeaderBlockSize(), MaxHeaderBlockSize)};
        }
        if (IsUnsendableMessage(failure)) {
            const bool tooLarge = failure.Kind() == TSmtpErrorKind::HeaderTooLarge;
            Settle(failure.SendNumber(), TOutcome::Refused,
                   tooLarge ? Messages::HeaderTooLargeReply(FSmtp.HeaderBlockSize()) : failure.what());
            return;
        }
    } catch (const ESocketError& failure) {
        if (failure.Kind() == TSocketErrorKind::Canceled)
            FCancelRequested = true;
    } catch (const std::exception& failure) {
        SettleCutMessages(nullptr);
        throw TJobEnding{TJobEnd::Failed, failure.what()};
    }
    if (FCancelRequested) {
        SettleCutMessages(nullptr);
        throw TJobEnding{TJobEnd::Canceled, {}};
    }
    SettleCutMessages(&queue);
    if (Limits.LimitWasTold()) // limits: the connection is made again after the back-off
        return;
    Reconnect();
}

// The connection is closed. A message whose final dot went out without an answer may
// have been delivered: it counts as deferred, says so, and goes again in the next round.
// The others were not taken and go again first (queue), or stay not sent (nullptr).
void TSendJob::SettleCutMessages(std::deque<int>* queue)
{
    const int unanswered = FSmtp.Drop();
    std::vector<TInFlight> cut(FInFlight.begin(), FInFlight.end());
    FInFlight.clear();
    for (auto message = cut.rbegin(); message != cut.rend(); ++message) {
        if (message->Number == unanswered) {
            FReplyLost.insert(message->Position);
            FInFlight.push_back(*message);
            if (message->RecipientRefusal)
                SettleByReply(message->Number, *message->RecipientRefusal);
            else
                Settle(message->Number, TOutcome::Deferred, Messages::ReplyLost());
        } else if (queue) {
            queue->push_front(message->Position);
        }
    }
}

// Up to one try per wait in ReconnectWaits; they start over once a message has an
// outcome from the server. Returns when connected or when the job is ending.
void TSendJob::Reconnect()
{
    while (FReconnectTries < ReconnectWaits.size()) {
        const int seconds = ReconnectWaits[FReconnectTries++];
        if (!Wait(PauseMilliseconds(seconds), Messages::ReconnectIn))
            return;
        try {
            FSmtp.Connect();
            return;
        } catch (const std::exception&) {
            FSmtp.Drop();
            if (FCancelRequested)
                return;
        }
    }
    throw TJobEnding{TJobEnd::ConnectionLost, {}};
}

// False when Stop or Cancel ended the wait (or came before it).
bool TSendJob::Wait(std::int32_t milliseconds, const std::function<std::string(int seconds)>& countdown)
{
    if (milliseconds > 0 && !Ending()) {
        FProgress.Flush();
        int shown = 0;
        PauseBetweenMessages().Sleep(milliseconds, [&](int secondsLeft) {
            if (secondsLeft != shown) {
                shown = secondsLeft;
                FProgress.ShowState(countdown(secondsLeft));
            }
            return !Ending();
        });
    }
    return !Ending();
}

// ---- Outcomes -----------------------------------------------------------------------------

TSendJob::TInFlight* TSendJob::FindInFlight(int number)
{
    const auto found = std::find_if(FInFlight.begin(), FInFlight.end(),
                                    [number](const TInFlight& message) { return message.Number == number; });
    return found == FInFlight.end() ? nullptr : &*found;
}

// When the recipient was refused, that reply is the reason, whatever came after it.
void TSendJob::SettleByReply(int number, const TSmtpReply& reply)
{
    const TInFlight* message = FindInFlight(number);
    if (!message)
        return;
    const TSmtpReply decisive = message->RecipientRefusal ? *message->RecipientRefusal : reply;
    if (decisive.Code == ClosingCode)
        return; // the connection fault that follows sends it again
    FReconnectTries = 0;
    if (SettledByLimit(number, ReplyWords(decisive))) // limits
        return;
    Settle(number, decisive.Code >= 500 ? TOutcome::Refused : TOutcome::Deferred, ReplyWords(decisive));
}

void TSendJob::Settle(int number, TOutcome outcome, const std::string& reply)
{
    const auto found = std::find_if(FInFlight.begin(), FInFlight.end(),
                                    [number](const TInFlight& message) { return message.Number == number; });
    if (found == FInFlight.end())
        return;
    const TInFlight message = *found;
    FInFlight.erase(found);
    const std::string note = FReplyLost.count(message.Position) ? Messages::ReplyLostNote() : std::string();
    if (outcome == TOutcome::Refused) // suppressions: a mailbox that does not exist
        Limits.Refused(FEntries.Item(message.Position), reply);
    Record({message.Position, FEntries.Item(message.Position), outcome, reply, message.MessageId, note});
}

// Into the history first: a log line names only what the history holds.
void TSendJob::Record(const TEntryReport& report)
{
    FLedger.Record({report.Position, report.Outcome, report.Reply, report.MessageId, report.Note});
    if (report.Outcome == TOutcome::Delivered) {
        ShowDeliveredCount();
        DispatchPendingEvents();
    }
    const bool delivered = report.Outcome == TOutcome::Delivered;
    LogLine(SendLogLine(TimeOfDayText(), report.Entry, delivered ? "OK." : report.Reply));
    FProgress.ShowCounts(FLedger.Counts());
    FProgress.EntryDone(report);
}

void TSendJob::ShowDeliveredCount()
{
    const std::string count = CountPair(FLedger.Counts().Delivered, FLedger.Counts().Total);
    FProgress.ShowCounter(count);
    SetApplicationTitle(std::string(ApplicationTitle) + " " + count);
}

// The job's first line replaces the log of the job before, in the window and the file.
void TSendJob::LogLine(const std::string& line)
{
    if (!FLogStarted) {
        FLogStarted = true;
        FProgress.ClearLog();
    }
    FProgress.AppendLogLine(line);
    FLog.Append(line);
}

// ---- Events of the SMTP client -----------------------------------------------------------

void TSendJob::SMTPDisconnect(QObject*)
{
    FProgress.ShowState("Disconnected");
}

void TSendJob::SMTPConnect(QObject*)
{
    FProgress.ShowState("Connected");
}

void TSendJob::SMTPInvalidHost(bool&)
{
    FProgress.ShowState("Invalid host");
}

void TSendJob::SMTPHostResolved(QObject*)
{
    FProgress.ShowState("Host resolved");
}

void TSendJob::SMTPStatus(QObject*, const std::string& Status)
{
    FProgress.ShowState(Status);
}

void TSendJob::SMTPConnectionFailed(QObject*)
{
    FProgress.ShowState("Connection failed");
}

// The refusal belongs to the message the client is sending now (a pipelined envelope
// goes out while the message before it waits for its final reply).
void TSendJob::SMTPRecipientNotFound(const std::string&)
{
    FProgress.ShowState("Recipient not found");
    if (TInFlight* message = FindInFlight(FSmtp.SendNumber()); message && !message->RecipientRefusal)
        message->RecipientRefusal = FSmtp.RecipientReply();
}

void TSendJob::SMTPSendStart(QObject*)
{
    FProgress.ShowState("Send Start");
}

void TSendJob::SMTPSuccess(QObject*)
{
    const int number = FSmtp.OutcomeSendNumber();
    const TInFlight* message = FindInFlight(number);
    if (message && message->RecipientRefusal)
        SettleByReply(number, FSmtp.OutcomeReply());
    else if (message) {
        FReconnectTries = 0;
        Settle(number, TOutcome::Delivered, ReplyWords(FSmtp.OutcomeReply()));
    }
}

void TSendJob::SMTPFailure(QObject*)
{
    SettleByReply(FSmtp.OutcomeSendNumber(), FSmtp.OutcomeReply());
}

void TSendJob::SMTPAuthenticationFailed(bool& handled)
{
    FProgress.ShowState("Authentication failed");
    handled = LoginAgain();
}
