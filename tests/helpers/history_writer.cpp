// SPDX-License-Identifier: GPL-3.0-or-later
// Started by the crash test: records the outcomes of one job of a fixed list in the
// delivery history, as a send job would, and reports each one on its standard output
// only after Record returned, so that whatever the test reads was committed before the
// test kills this process. A run continues the unfinished job of an earlier run. Each
// outcome waits for a line on standard input, as a send job sends its next message only
// after the last one's outcome is recorded: the test decides how far the writer gets.
//
//   history_writer FOLDER SEED ENTRIES PAUSE
// prints "job ID new|continued", then "POSITION OUTCOME" per outcome (OUTCOME as the
// number of TOutcome), then "end"; PAUSE microseconds pass before each outcome, as the
// sending of a message would take.
#include "workflow/history/DeliveryHistory.h"
#include "workflow/job/JobFingerprint.h"

#include <chrono>
#include <cstdlib>
#include <random>
#include <string>
#include <thread>
#include <unistd.h>

namespace {

void Report(const std::string& line)
{
    const std::string text = line + "\n";
    if (write(STDOUT_FILENO, text.data(), text.size()) != static_cast<ssize_t>(text.size()))
        std::exit(3);
}

bool WaitForGoAhead()
{
    char byte = 0;
    return read(STDIN_FILENO, &byte, 1) == 1;
}

// Every seventh entry is empty: positions must still match the list's.
std::vector<std::string> List(int count)
{
    std::vector<std::string> entries;
    for (int i = 0; i < count; ++i)
        entries.push_back(i % 7 == 3 ? std::string() : "recipient" + std::to_string(i) + "@example.org");
    return entries;
}

TOutcome Draw(std::mt19937& random)
{
    const unsigned roll = random() % 100;
    return roll < 80 ? TOutcome::Delivered : roll < 90 ? TOutcome::Deferred : TOutcome::Refused;
}

}

int main(int argc, char** argv)
{
    if (argc != 5)
        return 2;
    const std::chrono::microseconds pause(std::atoi(argv[4]));
    std::mt19937 random(static_cast<unsigned>(std::atoi(argv[2])));
    const std::vector<std::string> list = List(std::atoi(argv[3]));
    const std::string message = MessageHash("Crash test", {"body"}, false, "");

    TDeliveryHistory history(argv[1]);
    std::vector<bool> skip(list.size());
    std::int64_t job = 0;
    if (const auto earlier = history.FindUnfinished(ListHash(list), message)) {
        job = earlier->job.id;
        for (int position : earlier->deliveredPositions)
            skip[static_cast<std::size_t>(position)] = true;
        history.ContinueJob(job);
        Report("job " + std::to_string(job) + " continued");
    } else {
        job = history.BeginJob({"list.txt", "Crash test", message, list});
        Report("job " + std::to_string(job) + " new");
    }
    for (std::size_t position = 0; position < list.size(); ++position) {
        if (skip[position] || list[position].empty())
            continue;
        const TOutcome outcome = Draw(random);
        if (!WaitForGoAhead())
            return 0;
        std::this_thread::sleep_for(pause);
        history.Record(job,
                       {static_cast<int>(position), outcome, "reply", "<" + std::to_string(position) + "@crash>", ""});
        Report(std::to_string(position) + " " + std::to_string(static_cast<int>(outcome)));
    }
    history.EndJob(job);
    Report("end");
    return 0;
}
