// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "workflow/history/DeliveryHistory.h"

#include <cstdint>
#include <string>
#include <vector>

class THistoryAccess;

// A job's entries by outcome. Empty entries are not messages and are not counted; Total
// is the sum of the others.
struct TJobCounts {
    int Total = 0;
    int Delivered = 0;
    int Refused = 0;
    int Deferred = 0;
    int NotSent = 0;
    int Suppressed = 0;
};

// The outcome of every entry of one job, kept in the delivery history as it happens: each
// Record is committed when it returns. Without a history (nullptr) the outcomes are only
// counted. History failures raise EHistoryError.
class TJobLedger {
public:
    explicit TJobLedger(THistoryAccess* history) : FHistory(history) { }

    // The open history, or nullptr when the job keeps none.
    TDeliveryHistory* History();
    // A new job: every entry not sent.
    void Begin(const TNewJob& job);
    // The job id goes on, with the outcomes its entries have so far.
    void Continue(std::int64_t job, const std::vector<std::string>& entries);
    void Record(const TEntryOutcome& outcome);
    // Stores the end time and the counts; a ledger that began nothing does nothing.
    void End();

    TOutcome Outcome(int position) const { return FOutcomes.at(static_cast<std::size_t>(position)); }
    const TJobCounts& Counts() const { return FCounts; }

private:
    void Start(const std::vector<std::string>& entries);
    void Count(TOutcome outcome, int change);

    THistoryAccess* FHistory;
    std::int64_t FJob = 0; // 0 while nothing is recorded
    std::vector<TOutcome> FOutcomes;
    TJobCounts FCounts;
};
