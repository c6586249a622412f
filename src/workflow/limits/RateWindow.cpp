// SPDX-License-Identifier: GPL-3.0-or-later
#include "workflow/limits/RateWindow.h"

#include <algorithm>

void TRateWindow::Seed(std::vector<std::int64_t> sent)
{
    std::sort(sent.begin(), sent.end());
    FSent.assign(sent.begin(), sent.end());
}

void TRateWindow::Sent(std::int64_t at)
{
    // Clocks may step back; the order is what the windows count by.
    FSent.insert(std::upper_bound(FSent.begin(), FSent.end(), at), at);
}

void TRateWindow::Forget(std::int64_t now)
{
    while (!FSent.empty() && FSent.front() <= now - Day)
        FSent.pop_front();
}

// With n sends inside (now - span, now] and a limit of L, the next may go once the
// (n - L + 1)th oldest of them has left the window.
std::int64_t TRateWindow::FreeAt(std::int64_t now, std::int64_t span, int limit) const
{
    if (limit <= 0)
        return now;
    const auto first = std::upper_bound(FSent.begin(), FSent.end(), now - span);
    const auto inside = std::distance(first, FSent.end());
    if (inside < limit)
        return now;
    return *(first + (inside - limit)) + span;
}

std::int64_t TRateWindow::NextSendTime(std::int64_t now)
{
    Forget(now);
    return std::max(
        {FreeAt(now, Minute, FLimits.PerMinute), FreeAt(now, Hour, FLimits.PerHour), FreeAt(now, Day, FLimits.PerDay)});
}

std::int64_t TRateWindow::ToldLimitEnd(std::int64_t now)
{
    Forget(now);
    const std::int64_t hourLater = now + Hour;
    if (FLimits.PerDay <= 0 || FSent.empty())
        return hourLater;
    return std::min(hourLater, std::max(now, FSent.front() + Day));
}
