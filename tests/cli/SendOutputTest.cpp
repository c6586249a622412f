// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/SendOutput.h"
#include "cli/SendCommand.h"

#include <gtest/gtest.h>

namespace {

TEST(ProgressLine, ShowsRateAndTimeLeftOnceThereIsARate)
{
    struct Case {
        int done, total, thisRun;
        double seconds;
        std::string line;
    };
    const Case cases[] = {
        {0, 100, 0, 0.0, "0/100"},
        {0, 100, 0, 5.0, "0/100"},
        {12, 100, 12, 4.0, "12/100  3.0/s  0:29 left"},
        // A continued job: the rate counts only this run's entries.
        {610, 1000, 10, 2.0, "610/1000  5.0/s  1:18 left"},
        {1, 20000, 1, 1.0, "1/20000  1.0/s  5:33:19 left"},
        {100, 100, 100, 8.0, "100/100  12.5/s"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ProgressLine(c.done, c.total, c.thisRun, c.seconds), c.line) << c.line;
}

TEST(EntryLine, EntryAndOutcomeWithTheReplyOnOneLine)
{
    TEntryReport report;
    report.Entry = "Ana Kos <ana@example.org>";
    report.Outcome = TOutcome::Delivered;
    report.Reply = "250 OK";
    EXPECT_EQ(EntryLine(report), "Ana Kos <ana@example.org>\tdelivered");
    report.Outcome = TOutcome::Refused;
    report.Reply = "550-5.1.1 no such user\r\n550 5.1.1 really\tnot";
    EXPECT_EQ(EntryLine(report), "Ana Kos <ana@example.org>\trefused\t550-5.1.1 no such user  550 5.1.1 really not");
    report.Outcome = TOutcome::Deferred;
    report.Reply = "451 try later";
    EXPECT_EQ(EntryLine(report), "Ana Kos <ana@example.org>\tdeferred\t451 try later");
}

TEST(TerminalProgress, PipeGetsALinePerOutcomeAndTheLastOutcomeCounts)
{
    std::FILE* output = std::tmpfile();
    TTerminalProgress progress(output, TProgressStyle::Entries);
    progress.EntryDone({0, "a@x.org", TOutcome::Delivered, "250 OK", "<1@x>", ""});
    progress.EntryDone({1, "b@x.org", TOutcome::Deferred, "451 later", "<2@x>", ""});
    progress.EntryDone({2, "c@x.org", TOutcome::Refused, "550 no", "<3@x>", ""});
    progress.EntryDone({3, "d@x.org", TOutcome::Deferred, "451 later", "<4@x>", ""});
    progress.EntryDone({1, "b@x.org", TOutcome::Delivered, "250 OK", "<5@x>", ""});
    progress.Finish();
    std::rewind(output);
    char text[256] = {};
    text[std::fread(text, 1, sizeof text - 1, output)] = 0;
    std::fclose(output);
    EXPECT_STREQ(text,
                 "a@x.org\tdelivered\nb@x.org\tdeferred\t451 later\nc@x.org\trefused\t550 no\n"
                 "d@x.org\tdeferred\t451 later\nb@x.org\tdelivered\n");
    std::vector<std::string> left;
    for (const TEntryReport& report : progress.NotDelivered())
        left.push_back(report.Entry);
    EXPECT_EQ(left, (std::vector<std::string>{"c@x.org", "d@x.org"}));
}

TEST(TerminalProgress, TerminalLineIsRewrittenInPlaceAndEnded)
{
    std::FILE* output = std::tmpfile();
    TTerminalProgress progress(output, TProgressStyle::Line);
    progress.ShowCounts({3, 0, 0, 0, 3});
    progress.EntryDone({0, "a@x.org", TOutcome::Delivered, "250 OK", "", ""});
    progress.ShowCounts({3, 1, 0, 0, 2});
    progress.Flush();
    progress.Finish();
    std::rewind(output);
    char text[256] = {};
    text[std::fread(text, 1, sizeof text - 1, output)] = 0;
    std::fclose(output);
    const std::string shown = text;
    EXPECT_EQ(shown.substr(0, 9), "\r0/3\033[K\r1");
    EXPECT_EQ(shown.find('\n'), shown.size() - 1) << "one line, ended once";
    EXPECT_EQ(shown.find("a@x.org"), std::string::npos);
}

TEST(ExitStatus, ScriptsReadTheJobsEnd)
{
    const TJobCounts all{3, 3, 0, 0, 0};
    const TJobCounts some{3, 2, 1, 0, 0};
    const TJobCounts deferred{3, 2, 0, 1, 0};
    struct Case {
        TJobEnd end;
        TJobCounts counts;
        bool interrupted;
        int status;
    };
    const Case cases[] = {
        {TJobEnd::Finished, all, false, 0},
        {TJobEnd::Finished, some, false, 1},
        {TJobEnd::Finished, deferred, false, 1},
        {TJobEnd::Finished, all, true, 0}, // the interrupt came as the last message went
        {TJobEnd::NotStarted, {}, false, 2},
        {TJobEnd::ConnectFailed, {}, false, 2},
        {TJobEnd::ConnectionLost, some, false, 2},
        {TJobEnd::Failed, some, false, 2},
        {TJobEnd::Stopped, some, true, 130},
        {TJobEnd::Canceled, some, true, 130},
        {TJobEnd::NotStarted, {}, true, 130}, // the password prompt given up
    };
    for (const Case& c : cases)
        EXPECT_EQ(ExitStatusFor({c.end, c.counts, {}}, c.interrupted), c.status)
            << static_cast<int>(c.end) << (c.interrupted ? " interrupted" : "");
}

} // namespace
