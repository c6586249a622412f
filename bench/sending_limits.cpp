// SPDX-License-Identifier: GPL-3.0-or-later
// A 10,000-entry job under a limit of 1,000 messages an hour, on a fake clock: when each
// message may go (the schedule, hour by hour), and what the limit bookkeeping costs per
// message beside the interval the limit leaves between messages.
//
//   build/bin/bench_sending_limits [ENTRIES [PER-HOUR [SECONDS-PER-MESSAGE]]]
#include "workflow/history/DeliveryHistory.h"
#include "workflow/limits/JobLimits.h"

#include <QTemporaryDir>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::duration span)
{
    return std::chrono::duration<double>(span).count();
}

// A history holding a day of sends: what a job's start reads to count the limits.
double SeedSeconds(int entries)
{
    QTemporaryDir scratch;
    TDeliveryHistory history(scratch.path().toStdString());
    const std::int64_t job = history.BeginJob({"", "bench", "m", std::vector<std::string>(entries, "a@x.org")});
    for (int position = 0; position < entries; ++position)
        history.Record(job, {position, TOutcome::Delivered, "250 ok", "<id@x.org>", {}});
    TJobLimits limits;
    const Clock::time_point start = Clock::now();
    limits.Start({0, 1000, 0}, &history, nullptr, "ana@x.org", false);
    return Seconds(Clock::now() - start);
}

}

int main(int argc, char** argv)
{
    const int entries = argc > 1 ? std::atoi(argv[1]) : 10'000;
    const int perHour = argc > 2 ? std::atoi(argv[2]) : 1'000;
    const double perMessage = argc > 3 ? std::atof(argv[3]) : 0.25;

    std::int64_t now = 1'900'000'000'000;
    const std::int64_t begin = now;
    TJobLimits limits;
    limits.Clock = [&now] { return now; };
    limits.Start({0, perHour, 0}, nullptr, nullptr, "ana@x.org", false);

    std::map<std::int64_t, int> perClockHour; // hours since the start -> messages
    int waits = 0;
    std::int64_t last = now;
    Clock::duration bookkeeping{};
    for (int sent = 0; sent < entries; ++sent) {
        const Clock::time_point asked = Clock::now();
        const std::int64_t next = limits.NextSendTime();
        bookkeeping += Clock::now() - asked;
        if (next > now) {
            ++waits;
            now = next; // the job's wait, on the fake clock
        }
        const Clock::time_point told = Clock::now();
        limits.Sent();
        bookkeeping += Clock::now() - told;
        ++perClockHour[(now - begin) / 3'600'000];
        last = now;
        now += static_cast<std::int64_t>(perMessage * 1000);
    }

    std::printf("%d entries, at most %d an hour, %.2f s per message on the wire\n", entries, perHour, perMessage);
    std::printf("schedule (hour from the start: messages):\n");
    for (const auto& [hour, count] : perClockHour)
        std::printf("  %3lld: %d\n", static_cast<long long>(hour), count);
    std::printf("last message at %.2f h; %d waits for the limit\n", (last - begin) / 3'600'000.0, waits);
    const double interval = 3600.0 / perHour;
    const double perMessageCost = Seconds(bookkeeping) / entries;
    std::printf("limit bookkeeping: %.0f ns per message = %.6f %% of the %.1f s the limit leaves between messages\n",
                perMessageCost * 1e9, 100 * perMessageCost / interval, interval);
    const double seed = SeedSeconds(entries);
    std::printf("reading a day of %d sends from the history at the job's start: %.2f ms "
                "(%.6f %% of the interval per message over the job)\n",
                entries, seed * 1e3, 100 * seed / entries / interval);
    return 0;
}
