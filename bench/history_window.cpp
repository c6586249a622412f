// SPDX-License-Identifier: GPL-3.0-or-later
// How long the History window takes to show a job of many entries: the delivery history
// is filled with a job of 100,000 entries (most delivered, some refused and deferred) and
// a few small jobs, then the window is opened (the first opening also opens the history)
// and the big job chosen, each until the window has drawn it. Runs offscreen in a scratch
// folder.
//
//   bench_history_window [ENTRIES]
#include "app/HistoryWindow.h"
#include "app/MainWindow.h"
#include "app/PelmarApplication.h"
#include "workflow/history/DeliveryHistory.h"
#include "workflow/history/HistoryAccess.h"
#include "workflow/program/ProgramFolder.h"

#include "PrivateFolders.h"

#include <QApplication>
#include <QTableView>
#include <QTemporaryDir>

#include <chrono>
#include <cstdio>
#include <sys/resource.h>

namespace {

using Clock = std::chrono::steady_clock;

double MillisecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

long PeakMegabytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

void FillHistory(int entries)
{
    TDeliveryHistory history;
    for (int small = 0; small < 3; ++small) {
        const auto job = history.BeginJob({"small.txt", "Small " + std::to_string(small), "m", {"a@example.org"}});
        history.Record(job, {0, TOutcome::Delivered, "250 Ok", "<s@x>", ""});
        history.EndJob(job);
    }
    std::vector<std::string> list;
    for (int i = 0; i < entries; ++i)
        list.push_back("Person " + std::to_string(i) + " <person" + std::to_string(i) + "@example.org>");
    const auto big = history.BeginJob({"/home/ana/big.txt", "Big", "m", list});
    for (int i = 0; i < entries; ++i) {
        const TOutcome outcome = i % 50 == 7 ? TOutcome::Refused
            : i % 50 == 9                    ? TOutcome::Deferred
                                             : TOutcome::Delivered;
        history.Record(big,
                       {i, outcome, outcome == TOutcome::Delivered ? "250 2.0.0 Ok: queued" : "550 5.1.1 No such user",
                        "<" + std::to_string(i) + "@example.org>", ""});
    }
    history.EndJob(big);
}

void Drawn(QWidget& window)
{
    window.repaint();
    QApplication::processEvents();
}

}

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir scratch;
    UsePrivateFolders(scratch);
    QApplication application(argc, argv);
    const int entries = argc > 1 ? std::atoi(argv[1]) : 100000;

    auto start = Clock::now();
    FillHistory(entries);
    std::printf("history filled with a job of %d entries: %.0f ms\n", entries, MillisecondsSince(start));

    TPelmarApplication program({});
    THistoryWindow& window = program.HistoryWindow();
    const long before = PeakMegabytes();
    start = Clock::now();
    program.MainWindow().showHistory();
    Drawn(window);
    std::printf("window opened (history opened, jobs read, newest job's %d entries shown): %.0f ms\n",
                window.Entries.rowCount(), MillisecondsSince(start));
    window.ChooseJob(window.Jobs.rowCount() - 1);
    Drawn(window);
    start = Clock::now();
    window.ChooseJob(0);
    Drawn(window);
    std::printf("big job chosen again: %.0f ms\n", MillisecondsSince(start));
    start = Clock::now();
    window.entriesView->scrollToBottom();
    Drawn(window);
    std::printf("scrolled to its last entry: %.0f ms\n", MillisecondsSince(start));
    start = Clock::now();
    const auto entriesRead = program.History().History().Entries(window.ChosenJob()).size();
    std::printf("of that, reading the %zu entries from the history: %.0f ms\n", entriesRead, MillisecondsSince(start));
    std::printf("peak memory %ld MB (%ld MB before opening)\n", PeakMegabytes(), before);
    return 0;
}
