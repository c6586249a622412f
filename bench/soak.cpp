// SPDX-License-Identifier: GPL-3.0-or-later
// Sends one message to 10,000 recipients in one job through a server that, per message,
// drops the connection at 1% (the reply to a final dot it took among them), defers the
// recipient at 1% and refuses it for good at 0.5%. The job reconnects, retries and goes
// on; the benchmark prints what was delivered, refused and delivered twice, the history's
// rows, the peak memory and the time. The job's waits (reconnect, retry) are set to zero:
// the time is the work, not the waiting.
//
//     bench_soak [RECIPIENTS [DROP-ODDS [DEFER-ODDS [REFUSE-ODDS [SEED]]]]]
#include <QCoreApplication>
#include <QProcess>
#include <QTemporaryDir>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "base/StringList.h"
#include "mail/SmtpClient.h"
#include "workflow/history/DeliveryHistory.h"
#include "workflow/history/HistoryAccess.h"
#include "workflow/job/SendJob.h"
#include "workflow/lists/ListColumn.h"
#include "workflow/lists/RowsColumn.h"
#include "workflow/program/ProgramFolder.h"

#include "QuietUi.h"
#include "support/LoopbackAccount.h"

namespace {

class TWindow : public TLoopbackAccount, public TMessageFields, public TSendProgress {
public:
    TWindow()
    {
        account.UserID = "soak";
        account.RetryWait = 0;
    }
    std::string Subject() const override { return "Soak"; }
    TStringList BodyParagraphs() const override { return TStringList{"Hello,", "the meeting is on Monday."}; }
    int FormatIndex() const override { return 0; }
    std::string AttachmentPath() const override { return {}; }
    void ShowState(const std::string&) override { }
    void ShowCounter(const std::string&) override { }
    void ShowLogWindow() override { }
    std::size_t windowLines = 0;
    void ClearLog() override { windowLines = 0; }
    void AppendLogLine(const std::string&) override { ++windowLines; }
    void Flush() override { }
};

long PeakKilobytes()
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmHWM:", 0) == 0)
            return std::stol(line.substr(6));
    return -1;
}

std::size_t LineCount(const std::string& path)
{
    std::ifstream file(path);
    std::size_t lines = 0;
    for (std::string line; std::getline(file, line);)
        ++lines;
    return lines;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int recipients = argc > 1 ? std::atoi(argv[1]) : 10000;
    const std::string dropOdds = argc > 2 ? argv[2] : "0.01";
    const std::string deferOdds = argc > 3 ? argv[3] : "0.01";
    const std::string refuseOdds = argc > 4 ? argv[4] : "0.005";
    const std::string seed = argc > 5 ? argv[5] : "1";

    QTemporaryDir dir;
    const std::string folder = dir.path().toStdString() + "/";
    OverrideProgramFolder(folder);
    const std::string acceptedPath = folder + "accepted.txt";
    const auto script = std::filesystem::path(__FILE__).parent_path() / "soak_server.py";
    QProcess server;
    QStringList arguments{QString::fromStdString(script.string()), QString::fromStdString(acceptedPath)};
    for (const std::string* value : {&dropOdds, &deferOdds, &refuseOdds, &seed})
        arguments << QString::fromStdString(*value);
    server.start("/usr/bin/python3", arguments);
    if (!server.waitForReadyRead(10000)) {
        std::fprintf(stderr, "the soak server did not start\n");
        return 1;
    }

    TQuietUi ui;
    TUserInterface* previousUi = SetUserInterface(&ui);
    THistoryAccess history(folder);
    TSmtpClient smtp;
    smtp.SetTimeOut(10000);
    TRowsColumn entries;
    TWindow window;
    window.account.Port = server.readLine().trimmed().toInt();
    TSendJob job(smtp, entries, window, window, window, &history);
    job.ReconnectWaits = std::vector<int>(job.ReconnectWaits.size(), 0); // as many tries, no waiting
    for (int i = 0; i < recipients; ++i) {
        char address[32];
        std::snprintf(address, sizeof address, "user%05d@example.org", i);
        entries.Rows.push_back(address);
    }

    const auto started = std::chrono::steady_clock::now();
    const TJobResult result = job.Run();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    SetUserInterface(previousUi);
    server.kill();
    server.waitForFinished();

    // What the server accepted, against the list.
    std::map<std::string, int> acceptedTimes;
    std::ifstream accepted(acceptedPath);
    for (std::string line; std::getline(accepted, line);)
        ++acceptedTimes[line];
    int delivered = 0, duplicates = 0;
    for (const auto& [mailbox, times] : acceptedTimes) {
        ++delivered;
        duplicates += times - 1;
    }
    TDeliveryHistory& records = history.History();
    const std::vector<TJobSummary> jobs = records.Jobs();
    const std::size_t rows = jobs.empty() ? 0 : records.Entries(jobs.front().id).size();
    const std::size_t notes = jobs.empty() ? 0 : [&] {
        std::size_t count = 0;
        for (const TEntryRecord& entry : records.Entries(jobs.front().id))
            count += entry.note.empty() ? 0 : 1;
        return count;
    }();
    const TJobCounts& counts = result.Counts;
    std::printf("recipients      %d\n", recipients);
    std::printf("odds            drop %s, defer %s, refuse %s per message\n", dropOdds.c_str(), deferOdds.c_str(),
                refuseOdds.c_str());
    std::printf("job             %s\n", result.Message.c_str());
    std::printf("delivered       %d by the server, %d by the job\n", delivered, counts.Delivered);
    std::printf("refused         %d\n", counts.Refused);
    std::printf("deferred        %d still after the retry rounds\n", counts.Deferred);
    std::printf("duplicates      %d (final-dot replies lost: %zu)\n", duplicates, notes);
    std::printf("history rows    %zu entries in %zu job(s)\n", rows, jobs.size());
    std::printf("log lines       %zu in log.txt, %zu in the window\n", LineCount(folder + "log.txt"),
                window.windowLines);
    std::printf("time            %.1f s\n", seconds);
    std::printf("peak memory     %ld kB\n", PeakKilobytes());
    const bool exact = delivered == counts.Delivered
        && counts.Delivered + counts.Refused + counts.Deferred == recipients
        && static_cast<std::size_t>(duplicates) <= notes && rows == static_cast<std::size_t>(recipients);
    return exact ? 0 : 1;
}
