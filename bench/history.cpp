// SPDX-License-Identifier: GPL-3.0-or-later
// Prints what the delivery history costs a job: recording one outcome (each its own
// transaction) with synchronous=NORMAL and FULL, starting a job of 10,000 entries, the
// size of the database, opening it (after a kill and after a whole close) and reading
// it. A send against a fast local sink takes about 120 us per message, so an outcome
// should cost well under 12 us.
//
//   bench_history [folder]   (default: a new folder under the current one; it should lie
//                             on the disk the user's data folder lies on, not on tmpfs)
#include "workflow/history/DeliveryHistory.h"
#include "workflow/job/JobFingerprint.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
constexpr int EntriesPerJob = 10000;
constexpr int JobsForSize = 10;

double MicrosecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::micro>(Clock::now() - start).count();
}

std::vector<std::string> MakeList(int count)
{
    std::vector<std::string> entries;
    for (int i = 0; i < count; ++i)
        entries.push_back("Recipient Number " + std::to_string(i) + " <recipient.number" + std::to_string(i)
                          + "@mail.example.org>");
    return entries;
}

TEntryOutcome OutcomeFor(int position)
{
    TEntryOutcome outcome;
    outcome.position = position;
    outcome.outcome = position % 100 == 7 ? TOutcome::Refused : TOutcome::Delivered;
    outcome.reply = outcome.outcome == TOutcome::Delivered
        ? "250 2.0.0 Ok: queued as 4Vq8Zx1Kp3z" + std::to_string(position)
        : "550 5.1.1 <x@mail.example.org>: Recipient address rejected";
    outcome.messageId = "<" + std::to_string(1714550000000LL + position) + ".4711@sender.example.org>";
    return outcome;
}

struct Costs {
    double median = 0;
    double mean = 0;
    double p99 = 0;
    double worst = 0;
    double cpu = 0; // this thread's processor time per outcome
};

double ThreadCpuMicroseconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return now.tv_sec * 1e6 + now.tv_nsec / 1e3;
}

Costs Summarise(std::vector<double> samples)
{
    std::sort(samples.begin(), samples.end());
    Costs costs;
    costs.median = samples[samples.size() / 2];
    double sum = 0;
    for (double s : samples)
        sum += s;
    costs.mean = sum / static_cast<double>(samples.size());
    costs.p99 = samples[samples.size() * 99 / 100];
    costs.worst = samples.back();
    return costs;
}

// Records `outcomes` outcomes into a fresh job of 10,000 entries; returns their costs.
Costs RecordOutcomes(TDeliveryHistory& history, const std::vector<std::string>& list, int outcomes)
{
    const std::int64_t job =
        history.BeginJob({"list.txt", "Benchmark", MessageHash("Benchmark", {"text"}, false, ""), list});
    std::vector<TEntryOutcome> prepared;
    for (int position = 0; position < outcomes; ++position)
        prepared.push_back(OutcomeFor(position));
    std::vector<double> samples;
    samples.reserve(prepared.size());
    const double cpuStart = ThreadCpuMicroseconds();
    for (const TEntryOutcome& outcome : prepared) {
        const auto start = Clock::now();
        history.Record(job, outcome);
        samples.push_back(MicrosecondsSince(start));
    }
    const double cpu = (ThreadCpuMicroseconds() - cpuStart) / outcomes;
    history.EndJob(job);
    Costs costs = Summarise(samples);
    costs.cpu = cpu;
    return costs;
}

void PrintCosts(const char* label, const Costs& costs, int count)
{
    std::printf("%s (%d outcomes)\n  median %.1f us  mean %.1f us  99th percentile %.1f us  worst %.1f us"
                "  processor time %.1f us\n",
                label, count, costs.median, costs.mean, costs.p99, costs.worst, costs.cpu);
}

double FileSize(const QString& path)
{
    return static_cast<double>(QFileInfo(path).size());
}

}

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir scratch(argc > 1 ? QString::fromLocal8Bit(argv[1]) + "/history-bench-XXXXXX"
                                   : QDir::currentPath() + "/history-bench-XXXXXX");
    if (!scratch.isValid()) {
        std::fprintf(stderr, "cannot make a folder for the benchmark\n");
        return 1;
    }
    const std::vector<std::string> list = MakeList(EntriesPerJob);
    std::printf("folder %s\n\n", qPrintable(scratch.path()));

    {
        TDeliveryHistory history(scratch.filePath("normal").toStdString(), TDeliveryHistory::TSync::Normal);
        RecordOutcomes(history, list, 1000); // warm the file and the caches
        PrintCosts("record one outcome, synchronous=NORMAL", RecordOutcomes(history, list, EntriesPerJob),
                   EntriesPerJob);
    }
    {
        TDeliveryHistory history(scratch.filePath("full").toStdString(), TDeliveryHistory::TSync::Full);
        RecordOutcomes(history, list, 200);
        PrintCosts("record one outcome, synchronous=FULL", RecordOutcomes(history, list, 2000), 2000);
    }

    const std::string folder = scratch.filePath("size").toStdString();
    std::vector<double> begins;
    {
        TDeliveryHistory history(folder);
        for (int j = 0; j < JobsForSize; ++j) {
            const auto start = Clock::now();
            const std::int64_t job = history.BeginJob({"list.txt", "Job " + std::to_string(j), "m", list});
            begins.push_back(MicrosecondsSince(start));
            for (int position = 0; position < EntriesPerJob; ++position)
                history.Record(job, OutcomeFor(position));
            history.EndJob(job);
        }
    }
    const QString file = QString::fromStdString(folder) + "/history.sqlite";
    std::printf("\nstart a job of %d entries                median %8.1f ms\n", EntriesPerJob,
                Summarise(begins).median / 1000);
    std::printf("database of %d jobs x %d entries          %8.1f MB  (%.0f bytes per entry)\n", JobsForSize,
                EntriesPerJob, FileSize(file) / 1e6, FileSize(file) / (JobsForSize * EntriesPerJob));

    auto start = Clock::now();
    {
        // As the next run finds it after a run that did not close it (killed): checked.
        QFile::remove(file + "-closed");
        TDeliveryHistory checked(folder);
        std::printf("open it after a kill (reads every page)  %8.1f ms\n", MicrosecondsSince(start) / 1000);
    }
    start = Clock::now();
    TDeliveryHistory history(folder);
    std::printf("open it after a whole close              %8.1f ms\n", MicrosecondsSince(start) / 1000);
    start = Clock::now();
    const auto point = history.FindUnfinished(ListHash(list), "m");
    std::printf("find the unfinished job, its positions   %8.1f ms  (%zu delivered)\n", MicrosecondsSince(start) / 1000,
                point ? point->deliveredPositions.size() : 0);
    start = Clock::now();
    const auto jobs = history.Jobs();
    std::printf("list the jobs                            %8.1f ms  (%zu jobs)\n", MicrosecondsSince(start) / 1000,
                jobs.size());
    start = Clock::now();
    const auto entries = history.Entries(jobs.front().id);
    std::printf("read one job's entries                   %8.1f ms  (%zu entries)\n", MicrosecondsSince(start) / 1000,
                entries.size());
    start = Clock::now();
    const auto rest = history.NotDelivered(jobs.front().id);
    std::printf("its entries not delivered                %8.1f ms  (%d entries)\n", MicrosecondsSince(start) / 1000,
                rest.Count());
    return 0;
}
