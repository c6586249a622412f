// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

// How many messages the account may send: per minute, per hour and per 24 hours (0: no limit).
struct TSendLimits {
    int PerMinute = 0;
    int PerHour = 0;
    int PerDay = 0;
    bool Any() const { return PerMinute > 0 || PerHour > 0 || PerDay > 0; }
};

// The messages the account sent in the last 24 hours, and when the next one may go so that
// no window (a minute, an hour, a day, each rolling) holds more than its limit. Times are
// milliseconds since the epoch. Each question costs a binary search per window.
class TRateWindow {
public:
    static constexpr std::int64_t Minute = 60'000;
    static constexpr std::int64_t Hour = 60 * Minute;
    static constexpr std::int64_t Day = 24 * Hour;

    explicit TRateWindow(TSendLimits limits = {}) : FLimits(limits) { }

    // The sends already made (the history's), in any order.
    void Seed(std::vector<std::int64_t> sent);
    void Sent(std::int64_t at);
    // The earliest moment the next message may go: now or earlier when it may go now.
    std::int64_t NextSendTime(std::int64_t now);
    // When a server said the account is at its limit, with no end given: an hour from now,
    // or, with a daily limit set, the moment the 24-hour window frees a place when that
    // comes sooner.
    std::int64_t ToldLimitEnd(std::int64_t now);
    const TSendLimits& Limits() const { return FLimits; }

private:
    std::int64_t FreeAt(std::int64_t now, std::int64_t span, int limit) const;
    void Forget(std::int64_t now);

    TSendLimits FLimits;
    std::deque<std::int64_t> FSent; // ascending
};
