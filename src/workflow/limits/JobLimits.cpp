// SPDX-License-Identifier: GPL-3.0-or-later
#include "workflow/limits/JobLimits.h"

#include "workflow/history/DeliveryHistory.h"
#include "workflow/limits/LimitReply.h"
#include "workflow/limits/SuppressionList.h"

#include <QDateTime>

#include <algorithm>

TJobLimits::TJobLimits() : Clock([] { return QDateTime::currentMSecsSinceEpoch(); })
{
}

void TJobLimits::Start(const TSendLimits& limits, TDeliveryHistory* history, TSuppressionList* suppressions,
                       const std::string& account, bool ignoreSuppressions)
{
    FWindow = TRateWindow(limits);
    // A job without limits reads nothing more from the history than it always did.
    if (limits.Any() && history)
        FWindow.Seed(history->SentSince(Now() - TRateWindow::Day));
    FSuppressions = suppressions;
    FAccount = account;
    FSuppressed.clear();
    if (suppressions && !ignoreSuppressions)
        FSuppressed = suppressions->Addresses(account);
    FTold = false;
    FHeldBack.clear();
}

bool TJobLimits::Suppressed(const std::string& entry) const
{
    return !FSuppressed.empty() && FSuppressed.count(TSuppressionList::Key(entry)) > 0;
}

int TJobLimits::SuppressedCount(const std::vector<std::string>& entries) const
{
    if (FSuppressed.empty())
        return 0;
    return static_cast<int>(std::count_if(entries.begin(), entries.end(), [this](const std::string& entry) {
        return !entry.empty() && Suppressed(entry);
    }));
}

void TJobLimits::Refused(const std::string& entry, const std::string& reply)
{
    if (!FSuppressions || !IsNoSuchUserReply(reply))
        return;
    try {
        FSuppressions->Add(FAccount, entry, "no such user", reply);
    } catch (const std::exception&) {
        // The job goes on: the refusal is in the history, whence it can be added by hand.
    }
}

void TJobLimits::Sent()
{
    if (FWindow.Limits().Any())
        FWindow.Sent(Now());
}

std::int64_t TJobLimits::NextSendTime()
{
    const std::int64_t now = Now();
    return FWindow.Limits().Any() ? FWindow.NextSendTime(now) : now;
}

bool TJobLimits::ToldLimit(const std::string& reply, int position)
{
    if (!IsAccountLimitReply(reply))
        return false;
    FTold = true;
    FHeldBack.push_back(position);
    return true;
}

std::int64_t TJobLimits::TakeToldLimit(std::vector<int>& heldBack)
{
    FTold = false;
    std::sort(FHeldBack.begin(), FHeldBack.end());
    heldBack = std::move(FHeldBack);
    FHeldBack.clear();
    return FWindow.ToldLimitEnd(Now());
}
