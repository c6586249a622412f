// SPDX-License-Identifier: GPL-3.0-or-later
#include "workflow/job/JobLedger.h"

#include "workflow/history/HistoryAccess.h"

#include <utility>

TDeliveryHistory* TJobLedger::History()
{
    return FHistory ? &FHistory->History() : nullptr;
}

void TJobLedger::Start(const std::vector<std::string>& entries)
{
    FOutcomes.assign(entries.size(), TOutcome::NotSent);
    FCounts = {};
    for (const std::string& entry : entries)
        if (!entry.empty())
            ++FCounts.Total;
    FCounts.NotSent = FCounts.Total;
}

void TJobLedger::Begin(const TNewJob& job)
{
    Start(job.entries);
    FJob = 0;
    if (TDeliveryHistory* history = History())
        FJob = history->BeginJob(job);
}

void TJobLedger::Continue(std::int64_t job, const std::vector<std::string>& entries)
{
    Start(entries);
    FJob = job;
    TDeliveryHistory& history = *History();
    history.ContinueJob(job);
    for (const TEntryRecord& record : history.Entries(job)) {
        Count(FOutcomes.at(static_cast<std::size_t>(record.position)), -1);
        FOutcomes[static_cast<std::size_t>(record.position)] = record.outcome;
        Count(record.outcome, 1);
    }
}

void TJobLedger::Record(const TEntryOutcome& outcome)
{
    if (FJob)
        FHistory->History().Record(FJob, outcome);
    TOutcome& kept = FOutcomes.at(static_cast<std::size_t>(outcome.position));
    Count(kept, -1);
    kept = outcome.outcome;
    Count(kept, 1);
}

void TJobLedger::End()
{
    if (FJob)
        FHistory->History().EndJob(std::exchange(FJob, 0));
}

void TJobLedger::Count(TOutcome outcome, int change)
{
    switch (outcome) {
    case TOutcome::NotSent: FCounts.NotSent += change; break;
    case TOutcome::Delivered: FCounts.Delivered += change; break;
    case TOutcome::Refused: FCounts.Refused += change; break;
    case TOutcome::Deferred: FCounts.Deferred += change; break;
    case TOutcome::Suppressed: FCounts.Suppressed += change; break;
    }
}
