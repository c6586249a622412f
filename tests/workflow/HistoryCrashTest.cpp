// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/Sandbox.h"
#include "workflow/history/DeliveryHistory.h"

#include <QProcess>
#include <chrono>
#include <gtest/gtest.h>
#include <map>
#include <random>
#include <sstream>
#include <thread>

namespace {

constexpr int Rounds = 20;
constexpr int Entries = 300;
constexpr int PauseMicroseconds = 100; // per message in the writer

using TKey = std::pair<std::int64_t, int>; // job, position

// What the writer said it committed, and which outcomes no report covers yet.
class TWriterRun {
public:
    TWriterRun(const std::string& folder, int seed)
    {
        FChild.start(HISTORY_WRITER,
                     {QString::fromStdString(folder), QString::number(seed), QString::number(Entries),
                      QString::number(PauseMicroseconds)});
        FChild.waitForStarted();
    }

    // Lets the writer record one more outcome.
    void GoAhead()
    {
        FChild.write("\n");
        FChild.waitForBytesWritten(10000);
    }

    // The next line, or empty once the writer has ended or fell silent.
    std::string ReadLine()
    {
        while (!FChild.canReadLine())
            if (!FChild.waitForReadyRead(10000))
                return {};
        return FChild.readLine().trimmed().toStdString();
    }

    ~TWriterRun() { FChild.waitForFinished(); }

    void Kill()
    {
        FChild.kill(); // SIGKILL
        FChild.waitForFinished();
    }

private:
    QProcess FChild;
};

std::map<int, TOutcome> RecordedOutcomes(TDeliveryHistory& history, std::int64_t job)
{
    std::map<int, TOutcome> outcomes;
    for (const TEntryRecord& entry : history.Entries(job))
        if (entry.outcome != TOutcome::NotSent)
            outcomes[entry.position] = entry.outcome;
    return outcomes;
}

void ExpectCountsMatchEntries(TDeliveryHistory& history, std::int64_t job)
{
    const TJobSummary summary = history.Job(job);
    int delivered = 0, refused = 0, deferred = 0, notSent = 0;
    for (const TEntryRecord& entry : history.Entries(job)) {
        delivered += entry.outcome == TOutcome::Delivered;
        refused += entry.outcome == TOutcome::Refused;
        deferred += entry.outcome == TOutcome::Deferred;
        notSent += entry.outcome == TOutcome::NotSent;
    }
    EXPECT_EQ(summary.delivered, delivered) << "job " << job;
    EXPECT_EQ(summary.refused, refused);
    EXPECT_EQ(summary.deferred, deferred);
    EXPECT_EQ(summary.notSent, notSent);
}

// The writer is killed at seeded random points: between messages, inside a commit, or
// not at all when it ends first. After every kill, the history holds each outcome the
// writer reported; it may hold one more, the one whose report the kill cut off. A
// continued run never records again an entry delivered before.
TEST(HistoryCrash, AKilledWriterLosesNoOutcomeItReported)
{
    TSandbox sandbox;
    const std::string folder = sandbox.UserDataFolder();
    std::mt19937 random(20240501);
    std::map<TKey, TOutcome> reported;
    int kills = 0;
    int unreportedCommits = 0;

    for (int round = 0; round < Rounds; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        const int killAfter = static_cast<int>(random() % 40);
        const auto killDelay = std::chrono::microseconds(random() % (2 * PauseMicroseconds));

        TWriterRun writer(folder, round);
        std::istringstream jobLine(writer.ReadLine());
        std::string word;
        std::int64_t job = 0;
        jobLine >> word >> job;
        ASSERT_EQ(word, "job");
        int lastReported = -1;
        bool ended = false;
        for (int read = 0; read < killAfter && !ended;) {
            writer.GoAhead();
            const std::string line = writer.ReadLine();
            ended = line.empty() || line == "end";
            if (ended)
                break;
            std::istringstream fields(line);
            int position = 0;
            int outcome = 0;
            fields >> position >> outcome;
            const auto earlier = reported.find({job, position});
            EXPECT_FALSE(earlier != reported.end() && earlier->second == TOutcome::Delivered)
                << "position " << position << " was delivered before and sent again";
            reported[{job, position}] = static_cast<TOutcome>(outcome);
            lastReported = position;
            ++read;
        }
        if (!ended) {
            writer.GoAhead(); // the outcome in flight when the kill comes
            std::this_thread::sleep_for(killDelay);
            writer.Kill();
            ++kills;
        }

        TDeliveryHistory history(folder);
        EXPECT_TRUE(history.DamagedCopy().empty());
        for (const TJobSummary& summary : history.Jobs()) {
            for (const auto& [position, outcome] : RecordedOutcomes(history, summary.id)) {
                const auto said = reported.find({summary.id, position});
                if (said != reported.end() && said->second == outcome)
                    continue;
                // Committed, then killed before the report: only the entry after the last one
                // reported in this round, and only one.
                EXPECT_EQ(summary.id, job) << "position " << position;
                EXPECT_GT(position, lastReported);
                ++unreportedCommits;
                reported[{summary.id, position}] = outcome;
            }
            const std::map<int, TOutcome> recorded = RecordedOutcomes(history, summary.id);
            for (const auto& [key, outcome] : reported) {
                if (key.first == summary.id) {
                    EXPECT_EQ(recorded.count(key.second), 1u)
                        << "reported outcome of position " << key.second << " lost";
                }
            }
            ExpectCountsMatchEntries(history, summary.id);
        }
        EXPECT_LE(unreportedCommits, kills);
    }
    EXPECT_GE(kills, Rounds / 2) << "the writer should mostly be killed, not finish";
    RecordProperty("kills", kills);
    RecordProperty("unreported_commits", unreportedCommits);
}

}
