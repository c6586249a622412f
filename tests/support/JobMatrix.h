// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "mail/SmtpClient.h"
#include "support/FixedStamps.h"
#include "support/RecordedPause.h"
#include "support/Sandbox.h"
#include "support/ScriptedUi.h"
#include "workflow/history/HistoryAccess.h"
#include "workflow/job/SendJob.h"
#include "workflow/lists/RowsColumn.h"
#include "workflow/program/ProgramState.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

// The titles the program was given, in order, for the job matrices.
inline std::vector<std::string> MatrixTitles;
inline const std::vector<std::string> MatrixRecipients = {"a@example.org", "b@example.org", "c@example.org"};

// A send job to three recipients, with the window it reports to, its history, its waits
// recorded: the fixture both fault matrices (plain and pipelined) run their rows in.
template <typename TWindow>
class TJobMatrix : public ::testing::Test {
protected:
    TSandbox Sandbox;
    TScriptedUi Ui;
    TRecordedPause Pause;
    THistoryAccess History;
    TSmtpClient Smtp;
    TRowsColumn Entries{MatrixRecipients};
    TWindow Window;
    TSendJob Job{Smtp, Entries, Window, Window, Window, &History};

    void SetUp() override
    {
        SetApplicationTitleObserver([](const std::string& title) { MatrixTitles.push_back(title); });
        Job.Stamps = FixedStamps();
    }
    void TearDown() override { SetApplicationTitleObserver(nullptr); }

    std::string LogFile() const { return Sandbox.ProgramFolder() + "log.txt"; }

    // The counter and the title after each of the deliveries, then at the job's end
    // (none when it never began recording).
    void CheckCountersAndTitles(long delivered, const std::string& end) const
    {
        std::vector<std::string> counters, titles;
        for (long i = 1; i <= delivered; ++i) {
            counters.push_back(std::to_string(i) + "/3");
            titles.push_back("Varnolt Pelmar " + counters.back());
        }
        if (!end.empty()) {
            counters.push_back(end);
            titles.push_back("Varnolt Pelmar");
        }
        EXPECT_EQ(Window.counters, counters) << "panel 2";
        EXPECT_EQ(MatrixTitles, titles);
    }

    // "entry...   outcome" of every log line, in order; log.txt holds the same lines as
    // the window (or what it held before, when the job logged nothing).
    std::vector<std::string> LoggedOutcomes(const std::string& fileBefore = {}) const
    {
        std::vector<std::string> outcomes;
        std::string file;
        for (const std::string& line : Window.logLines) {
            outcomes.push_back(line.substr(line.find(": ") + 2));
            file += line + "\r\n";
        }
        EXPECT_EQ(ReadFileBytes(LogFile()), outcomes.empty() ? fileBefore : file);
        return outcomes;
    }
};
