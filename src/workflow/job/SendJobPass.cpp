// SPDX-License-Identifier: GPL-3.0-or-later
// The send job's passes over its entries: each message, the outcome the server gives it,
// the retry rounds for deferred entries, and a new connection when one breaks.
#include "workflow/job/SendJob.h"

#include "base/Exception.h"
#include "mail/SmtpClient.h"
#include "mail/SmtpErrors.h"
#include "platform/WaitStep.h"
#include "workflow/compose/MessageComposer.h"
#include "workflow/job/JobMessages.h"
#include "workflow/job/Pause.h"
#include "workflow/limits/LimitReply.h"
#include "workflow/lists/MailboxCheck.h"
#include "workflow/program/ProgramState.h"
#include "workflow/settings/IntegerText.h"

#include <algorithm>
#include <utility>

namespace {

// RFC 5321 4.2.3: the server is closing the connection.
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

TOutcome EntryOutcome(TMessageResult result)
{
    switch (result) {
    case TMessageResult::Delivered: return TOutcome::Delivered;
    case TMessageResult::Refused: return TOutcome::Refused;
    case TMessageResult::Deferred:
    case TMessageResult::Unanswered: break;
    }
    return TOutcome::Deferred;
}

std::string CountPair(int done, int total)
{
    return std::to_string(done) + "/" + std::to_string(total);
}

}

void TSendJob::SendEverything()
{
    FFirstMessage = true;
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
        if (!Wait(PauseMilliseconds(FAccount.RetryWait), Messages::RetryIn))
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
            if (SkipSuppressed(queue) || !KeepToLimits(queue))           // limits and suppressions
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

// An entry that is no address is refused without a word to the server. With pipelining
// the message may still wait for its final reply when Transfer returns; its outcome comes
// with a later Transfer, or with Complete.
void TSendJob::SendPosition(int position)
{
    const std::string entry = FEntries.Item(position);
    if (!IsValidEntry(entry)) {
        Record({position, entry, TOutcome::Refused, Messages::NotAnAddressReply(), {}, {}});
        return;
    }
    if (!Compose(position))
        return;
    FInFlight.push_back({position, FComposer->MessageId()});
    const TStringList recipients{entry};
    Settle(FSmtp.Transfer({position, FAccount.Email, {&recipients}}, FComposer->HeaderBlock(), FComposer->Body()));
    Limits.Sent(); // limits
    PauseAfterMessage();
}

// False when the message cannot go out as composed: the entry is refused without a word
// to the server. The header differs between messages only by the entry (and what is
// merged from it): when the first message's is too long, every one's is, and the job ends.
bool TSendJob::Compose(int position)
{
    const bool first = std::exchange(FFirstMessage, false);
    const std::string entry = FEntries.Item(position);
    try {
        FComposer->Compose(entry, position);
    } catch (const ESmtpError& failure) {
        Record({position, entry, TOutcome::Refused, failure.what(), {}, {}});
        return false;
    }
    const std::size_t size = FComposer->HeaderBlock().size();
    if (size <= MaxHeaderBlockSize)
        return true;
    if (first)
        throw TJobEnding{TJobEnd::Failed, Messages::HeaderTooLarge(size, MaxHeaderBlockSize)};
    Record({position, entry, TOutcome::Refused, Messages::HeaderTooLargeReply(size), {}, {}});
    return false;
}

// The pause waits for the outcome, so that the job never rests with a message
// unaccounted for.
void TSendJob::PauseAfterMessage()
{
    const std::int32_t milliseconds = PauseMilliseconds(FAccount.Delay);
    if (milliseconds <= 0)
        return;
    CompletePending();
    Wait(milliseconds, Messages::NextMessageIn);
}

void TSendJob::CompletePending()
{
    Settle(FSmtp.Complete());
}

// The one place that decides what an error means for the job: a broken connection is
// made again and the messages it cut off go again; Cancel, and anything the job cannot go
// on without (an attachment that cannot be read, a list that changed its columns), end it.
// Refusals never come here: the client hands them over as outcomes.
void TSendJob::HandleFault(const std::exception_ptr& error, std::deque<int>& queue)
{
    try {
        std::rethrow_exception(error);
    } catch (const TJobEnding&) {
        throw; // the first message's header is too large: nothing is on its way yet
    } catch (const ESmtpError& failure) {
        if (failure.Code() == ClosingCode && IsAccountLimitReply(ReplyWords(failure.Reply()))) // limits
            Limits.ToldLimitByClosing();
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
    Settle(FSmtp.Drop());
    const std::deque<TInFlight> cut = std::exchange(FInFlight, {});
    if (queue)
        for (auto message = cut.rbegin(); message != cut.rend(); ++message)
            queue->push_front(message->Position);
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

// What the client settled, as entries' outcomes. A message whose final dot's reply never
// came is deferred, noted so, and goes again; its later outcome keeps the note.
void TSendJob::Settle(const std::vector<TMessageOutcome>& outcomes)
{
    for (const TMessageOutcome& outcome : outcomes) {
        const auto found = std::find_if(FInFlight.begin(), FInFlight.end(), [&outcome](const TInFlight& message) {
            return message.Position == outcome.Message;
        });
        if (found == FInFlight.end())
            continue;
        const TInFlight message = *found;
        FInFlight.erase(found);
        const bool unanswered = outcome.Result == TMessageResult::Unanswered;
        if (unanswered)
            FReplyLost.insert(message.Position);
        else
            FReconnectTries = 0;
        const std::string reply = unanswered ? Messages::ReplyLost() : ReplyWords(outcome.Reply);
        const TOutcome result = EntryOutcome(outcome.Result);
        if ((result == TOutcome::Refused || result == TOutcome::Deferred) && SettledByLimit(message.Position, reply))
            continue;                    // limits: the account's limit, not the recipient
        if (result == TOutcome::Refused) // suppressions: a mailbox that does not exist
            Limits.Refused(FEntries.Item(message.Position), reply);
        const std::string note = FReplyLost.count(message.Position) ? Messages::ReplyLostNote() : std::string();
        Record({message.Position, FEntries.Item(message.Position), result, reply, message.MessageId, note});
    }
}

// Into the history first: a log line names only what the history holds.
void TSendJob::Record(const TEntryReport& report)
{
    FLedger.Record({report.Position, report.Outcome, report.Reply, report.MessageId, report.Note});
    if (report.Outcome == TOutcome::Delivered) {
        ShowDeliveredCount();
        DispatchEventsWhenDue();
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

void TSendJob::SMTPRecipientNotFound(const std::string&)
{
    FProgress.ShowState("Recipient not found");
}

void TSendJob::SMTPSendStart(QObject*)
{
    FProgress.ShowState("Send Start");
}

void TSendJob::SMTPAuthenticationFailed(bool& handled)
{
    FProgress.ShowState("Authentication failed");
    handled = LoginAgain();
}
