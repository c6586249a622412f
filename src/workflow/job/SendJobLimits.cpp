// SPDX-License-Identifier: GPL-3.0-or-later
// The send job's sending limits and suppression list: what it asks TJobLimits before each
// message and tells it after each reply, and how it waits when a limit holds it.
#include "workflow/job/SendJob.h"

#include "mail/SmtpClient.h"
#include "workflow/compose/EmptyFields.h"
#include "workflow/compose/JobMessage.h"
#include "workflow/compose/MessageComposer.h"
#include "workflow/job/Pause.h"
#include "workflow/limits/LimitMessages.h"

#include <algorithm>
#include <limits>

namespace {

// A wait longer than this closes the connection: servers drop an idle one after a few
// minutes (RFC 5321 section 4.5.3.2.7 lets them after five), and a new one costs little.
constexpr std::int64_t IdleConnectionMs = 30'000;

}

// Before the person is asked: the suppressions to count and the limits to keep.
void TSendJob::StartLimits(const TJobStart& start)
{
    FWaitForLimits = start.WaitForLimits;
    const TSendLimits limits{FAccount.PerMinute, FAccount.PerHour, FAccount.PerDay};
    Limits.Start(limits, FLedger.History(), FSuppressions, FAccount.Email, start.IgnoreSuppressions);
}

// What the send question says first: the suppressed entries and the fields that come out
// empty. Empty when there is nothing to say.
std::string TSendJob::SendNotices()
{
    std::string notices;
    if (const int suppressed = Limits.SuppressedCount(FEntries.Rows))
        notices += Messages::SuppressedNotice(suppressed) + "\r";
    const TEmptyFieldCount empty = CountEmptyFieldsOfJob();
    if (empty.Any())
        notices += EmptyFieldLines(empty, "\r") + "\r";
    return notices.empty() ? notices : notices + "\r";
}

TEmptyFieldCount TSendJob::CountEmptyFieldsOfJob()
{
    return CountEmptyFields(FComposer->Text(), FEntries.Rows,
                            [this](const std::string& entry) { return Limits.Suppressed(entry); });
}

// A job that asks nothing says what the question would have said; false when a field comes
// out empty and the start does not allow that.
bool TSendJob::NoticesAccepted(const TJobStart& start)
{
    if (start.Confirm)
        return true;
    if (const int suppressed = Limits.SuppressedCount(FEntries.Rows))
        FProgress.ShowNotice(Messages::SuppressedNotice(suppressed));
    const TEmptyFieldCount empty = CountEmptyFieldsOfJob();
    if (empty.Any())
        FProgress.ShowNotice(EmptyFieldLines(empty, "\n"));
    return start.AllowEmptyFields || !empty.Any();
}

// A suppressed entry is recorded as such and taken off the queue; nothing goes out.
bool TSendJob::SkipSuppressed(std::deque<int>& queue)
{
    if (queue.empty())
        return false;
    const int position = queue.front();
    const std::string& entry = FEntries.Rows[static_cast<std::size_t>(position)];
    if (!Limits.Suppressed(entry))
        return false;
    queue.pop_front();
    Record({position, entry, TOutcome::Suppressed, Messages::SuppressedReply(), {}, {}});
    return true;
}

// True when the next message may go now. Otherwise it has waited (or the job ends), the
// entries a limit reply held back are in front of the queue again, and the caller looks
// at the queue and the job's state anew.
bool TSendJob::KeepToLimits(std::deque<int>& queue)
{
    try {
        if (!Limits.LimitWasTold()) {
            const std::int64_t next = Limits.NextSendTime();
            if (next <= Limits.Now())
                return true;
            if (FSmtp.Connected())
                CompletePending();
            if (!Limits.LimitWasTold()) {
                WaitForLimit(next);
                return false;
            }
        }
        if (FSmtp.Connected())
            CompletePending();
        std::vector<int> heldBack;
        const std::int64_t end = Limits.TakeToldLimit(heldBack);
        queue.insert(queue.begin(), heldBack.begin(), heldBack.end());
        // A run the person starts again tries at once: the limit may have been lifted.
        WaitForLimit(end);
    } catch (...) {
        HandleFault(std::current_exception(), queue);
    }
    return false;
}

// Shows "Limit reached: the next message goes at 14:05" counting down, or ends the job
// when it is not to wait. A long wait is made without the connection.
void TSendJob::WaitForLimit(std::int64_t until)
{
    if (!FWaitForLimits) {
        FProgress.Flush();
        throw TJobEnding{TJobEnd::PausedByLimit, {}, until};
    }
    const std::int64_t milliseconds = until - Limits.Now();
    FProgress.ShowNotice(Messages::LimitReached(until));
    if (milliseconds > IdleConnectionMs && FSmtp.Connected())
        Disconnect();
    const auto clamped =
        static_cast<std::int32_t>(std::clamp<std::int64_t>(milliseconds, 0, std::numeric_limits<std::int32_t>::max()));
    if (!Wait(clamped, [until](int seconds) { return Messages::LimitReached(until, seconds); }))
        return;
    if (!FSmtp.Connected())
        FSmtp.Connect();
}

// The reply means the account's limit, not the recipient: the entry is recorded not sent
// and goes again after the back-off.
bool TSendJob::SettledByLimit(int position, const std::string& reply)
{
    if (!Limits.ToldLimit(reply, position))
        return false;
    Record({position, FEntries.Item(position), TOutcome::NotSent, reply, {}, Messages::LimitNote()});
    return true;
}
