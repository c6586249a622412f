// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/SendOutput.h"

#include <cmath>

namespace {

int Done(const TJobCounts& counts)
{
    return counts.Delivered + counts.Refused + counts.Suppressed;
}

std::string Duration(double seconds)
{
    const long whole = std::lround(seconds);
    const long hours = whole / 3600;
    const long minutes = whole / 60 % 60;
    const long rest = whole % 60;
    char text[32];
    if (hours > 0)
        std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", hours, minutes, rest);
    else
        std::snprintf(text, sizeof text, "%ld:%02ld", minutes, rest);
    return text;
}

// A terminal shows far fewer lines a second than a fast server accepts messages.
constexpr auto RedrawInterval = std::chrono::milliseconds(100);

} // namespace

std::string ProgressLine(int done, int total, int doneThisRun, double seconds)
{
    std::string line = std::to_string(done) + "/" + std::to_string(total);
    if (doneThisRun <= 0 || seconds <= 0)
        return line;
    const double rate = doneThisRun / seconds;
    char figures[64];
    std::snprintf(figures, sizeof figures, "  %.1f/s", rate);
    line += figures;
    if (done < total)
        line += "  " + Duration((total - done) / rate) + " left";
    return line;
}

std::string EntryLine(const TEntryReport& report)
{
    std::string line = report.Entry + "\t" + OutcomeName(report.Outcome);
    if (report.Outcome != TOutcome::Delivered && !report.Reply.empty()) {
        std::string reply = report.Reply;
        for (char& c : reply)
            if (c == '\r' || c == '\n' || c == '\t')
                c = ' ';
        line += "\t" + reply;
    }
    return line;
}

TTerminalProgress::TTerminalProgress(std::FILE* output, TProgressStyle style)
    : FOutput(output), FStyle(style), FStart(TClock::now())
{
}

void TTerminalProgress::EntryDone(const TEntryReport& report)
{
    FLastOutcome[report.Position] = report;
    if (FStyle == TProgressStyle::Entries) {
        std::fprintf(FOutput, "%s\n", EntryLine(report).c_str());
        std::fflush(FOutput);
    }
}

void TTerminalProgress::ShowCounts(const TJobCounts& counts)
{
    if (FDoneAtStart < 0) {
        FDoneAtStart = Done(counts);
        FStart = TClock::now();
    }
    FCounts = counts;
    if (FStyle != TProgressStyle::Line)
        return;
    FDirty = true;
    if (TClock::now() - FDrawn >= RedrawInterval)
        DrawLine();
}

void TTerminalProgress::ContinuesJob(const TJobSummary& earlier)
{
    FContinued = earlier;
    if (OnContinues)
        OnContinues(earlier);
}

TJobCounts TTerminalProgress::RunCounts() const
{
    TJobCounts counts;
    for (const auto& [position, report] : FLastOutcome) {
        ++counts.Total;
        switch (report.Outcome) {
        case TOutcome::Delivered: ++counts.Delivered; break;
        case TOutcome::Refused: ++counts.Refused; break;
        case TOutcome::Deferred: ++counts.Deferred; break;
        case TOutcome::NotSent: ++counts.NotSent; break;
        case TOutcome::Suppressed: ++counts.Suppressed; break;
        }
    }
    return counts;
}

void TTerminalProgress::ShowNotice(const std::string& text)
{
    Finish();
    std::fprintf(stderr, "%s\n", text.c_str());
}

void TTerminalProgress::Flush()
{
    if (FStyle == TProgressStyle::Line && FDirty)
        DrawLine();
}

void TTerminalProgress::DrawLine()
{
    const double seconds = std::chrono::duration<double>(TClock::now() - FStart).count();
    const int done = Done(FCounts);
    // Back to the line's start, the new text, and the rest of the old one cleared.
    std::fprintf(FOutput, "\r%s\033[K", ProgressLine(done, FCounts.Total, done - FDoneAtStart, seconds).c_str());
    std::fflush(FOutput);
    FDrawn = TClock::now();
    FLineShown = true;
    FDirty = false;
}

void TTerminalProgress::Finish()
{
    Flush();
    if (FLineShown)
        std::fputc('\n', FOutput);
    FLineShown = false;
    std::fflush(FOutput);
}

std::vector<TEntryReport> TTerminalProgress::NotDelivered() const
{
    std::vector<TEntryReport> left;
    for (const auto& [position, report] : FLastOutcome)
        if (report.Outcome == TOutcome::Refused || report.Outcome == TOutcome::Deferred)
            left.push_back(report);
    return left;
}
