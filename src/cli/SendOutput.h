// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "workflow/job/SendJob.h"

#include <chrono>
#include <cstdio>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

// "12/100  3.4/s  0:27 left": entries with a final outcome of all, the rate since the
// job started sending and the time the rest would take at that rate (shown once there is
// a rate to go by).
std::string ProgressLine(int done, int total, int doneThisRun, double seconds);
// One entry's outcome for a script to read: the entry, a tab and the outcome, and for
// an entry that did not get the message another tab and the server's reply.
std::string EntryLine(const TEntryReport& report);

// Where the headless sender shows a job's progress on standard output.
enum class TProgressStyle {
    Line,    // a terminal: one line, rewritten in place
    Entries, // a pipe or a file: a line per outcome
    None,    // --quiet
};

class TTerminalProgress : public TSendProgress {
public:
    using TClock = std::chrono::steady_clock;

    TTerminalProgress(std::FILE* output, TProgressStyle style);

    void ShowState(const std::string&) override { }
    void ShowCounter(const std::string&) override { }
    void ShowLogWindow() override { }
    void ClearLog() override { }
    void AppendLogLine(const std::string&) override { }
    void Flush() override;
    void EntryDone(const TEntryReport& report) override;
    void ShowCounts(const TJobCounts& counts) override;
    void ContinuesJob(const TJobSummary& earlier) override;

    // Told when the job continues an unfinished one, before it connects.
    std::function<void(const TJobSummary&)> OnContinues;
    // The unfinished job this run continued; nothing for a new job.
    const std::optional<TJobSummary>& Continued() const { return FContinued; }
    // The outcomes of this run alone (an entry tried twice counts once, by its last one).
    TJobCounts RunCounts() const;
    // On standard error, on a line of its own.
    void ShowNotice(const std::string& text) override;

    // Ends the progress line, so that what follows starts on a line of its own.
    void Finish();
    // The entries whose last outcome was a refusal or a deferral, in list order.
    std::vector<TEntryReport> NotDelivered() const;

private:
    void DrawLine();

    std::FILE* FOutput;
    TProgressStyle FStyle;
    std::map<int, TEntryReport> FLastOutcome; // by position
    std::optional<TJobSummary> FContinued;
    TJobCounts FCounts;
    int FDoneAtStart = -1; // final outcomes when the first count came; -1 before
    TClock::time_point FStart;
    TClock::time_point FDrawn;
    bool FLineShown = false;
    bool FDirty = false;
};
