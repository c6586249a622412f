// Sends one message to 10,000 recipients through a server that drops the connection at a
// random command with 1% probability. After every failed job the delivered entries are
// taken off the list, as a user would from the log, and the job runs again on the rest.
// Prints how many were delivered, delivered twice, and never delivered, and the peak memory.
//
//     bench_soak [RECIPIENTS [DROP-PROBABILITY [SEED]]]
#include <QCoreApplication>
#include "workflow/RowsColumn.h"
#include <QProcess>
#include <QTemporaryDir>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "base/StringList.h"
#include "mail/SmtpClient.h"
#include "workflow/ListColumn.h"
#include "workflow/ProgramFolder.h"
#include "workflow/SendJob.h"
#include "workflow/UserInterface.h"

namespace {


class TWindow : public TSendSettings, public TMessageFields, public TSendProgress {
public:
    std::string port;
    std::string Name() const override { return "Ana"; }
    std::string Email() const override { return "ana@example.org"; }
    std::string Host() const override { return "127.0.0.1"; }
    std::string UserID() const override { return "soak"; }
    std::string Charset() const override { return "us-ascii"; }
    std::string Delay() const override { return "0"; }
    std::string Port() const override { return port; }
    void AskForSettings() override {}
    std::string Subject() const override { return "Soak"; }
    TStringList BodyParagraphs() const override { return TStringList{"Hello,", "the meeting is on Monday."}; }
    int FormatIndex() const override { return 0; }
    std::string AttachmentPath() const override { return {}; }
    void ShowState(const std::string&) override {}
    void ShowCounter(const std::string&) override {}
    void ShowLogWindow() override {}
    // Whether this job reached its list (and so emptied its log), and its log lines.
    bool logCleared = false;
    std::size_t windowLines = 0;
    void ClearLog() override { logCleared = true; }
    void AppendLogLine(const std::string&) override { ++windowLines; }
    void Flush() override {}
};

// Nobody is at the screen: the failure message is counted, not shown.
class TQuietUi : public TUserInterface {
public:
    int Failures = 0;
    void ShowMessage(const std::string&) override { ++Failures; }
    void ShowError(const std::string&) override {}
    void ExecModal(QWidget&) override {}
    std::string OpenFileName(const TFileDialogRequest&) override { return {}; }
    std::string SaveFileName(const TFileDialogRequest&) override { return {}; }
    bool ShellOpen(const std::string&) override { return true; }
    void Beep() override {}
    std::optional<std::string> AskPassword(const std::string&) override { return std::nullopt; }
    int Ask(const std::string&, const std::vector<std::string>&) override { return 0; }
};

// The entry of every line of log.txt ("<time>: <entry>...   OK.").
std::set<std::string> LoggedEntries(const std::string& path)
{
    std::set<std::string> entries;
    std::ifstream log(path);
    for (std::string line; std::getline(log, line);) {
        const std::size_t start = line.find(": ");
        const std::size_t end = line.rfind("...   OK.");
        if (start != std::string::npos && end != std::string::npos && end > start)
            entries.insert(line.substr(start + 2, end - start - 2));
    }
    return entries;
}

long PeakKilobytes()
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmHWM:", 0) == 0)
            return std::stol(line.substr(6));
    return -1;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int recipients = argc > 1 ? std::atoi(argv[1]) : 10000;
    const std::string odds = argc > 2 ? argv[2] : "0.01";
    const std::string seed = argc > 3 ? argv[3] : "1";

    QTemporaryDir dir;
    const std::string folder = dir.path().toStdString() + "/";
    OverrideProgramFolder(folder);
    const std::string acceptedPath = folder + "accepted.txt";
    const auto script = std::filesystem::path(__FILE__).parent_path() / "soak_server.py";
    QProcess server;
    server.start("/usr/bin/python3", {QString::fromStdString(script.string()), QString::fromStdString(acceptedPath),
                                      QString::fromStdString(odds), QString::fromStdString(seed)});
    if (!server.waitForReadyRead(10000)) {
        std::fprintf(stderr, "the soak server did not start\n");
        return 1;
    }

    TQuietUi ui;
    TUserInterface* previousUi = SetUserInterface(&ui);
    TSmtpClient smtp;
    smtp.SetTimeOut(10000);
    TRowsColumn entries;
    TWindow window;
    window.port = server.readLine().trimmed().toStdString();
    TSendJob job(smtp, entries, window, window, window, nullptr);
    smtp.OnSuccess = [&job](QObject* s) { job.SMTPSuccess(s); };

    for (int i = 0; i < recipients; ++i) {
        char address[32];
        std::snprintf(address, sizeof address, "user%05d@example.org", i);
        entries.Rows.push_back(address);
    }

    const auto started = std::chrono::steady_clock::now();
    int jobs = 0;
    std::size_t logLines = 0;
    while (!entries.Rows.empty() && jobs < recipients) {
        ++jobs;
        window.logCleared = false;
        job.Run();
        // A job that failed before its list leaves the log of the job before it.
        const std::set<std::string> logged = LoggedEntries(folder + "log.txt");
        if (window.logCleared)
            logLines += logged.size();
        std::vector<std::string> rest;
        for (const std::string& entry : entries.Rows)
            if (!logged.count(entry))
                rest.push_back(entry);
        entries.Rows.swap(rest);
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    SetUserInterface(previousUi);
    server.kill();
    server.waitForFinished();

    // What the server accepted, against the list.
    std::map<std::string, int> acceptedTimes;
    std::ifstream accepted(acceptedPath);
    for (std::string line; std::getline(accepted, line);)
        ++acceptedTimes[line.substr(line.find('<') + 1, line.find('>') - line.find('<') - 1)];
    int delivered = 0, duplicates = 0, acceptedMessages = 0;
    for (const auto& [mailbox, times] : acceptedTimes) {
        ++delivered;
        duplicates += times - 1;
        acceptedMessages += times;
    }
    std::printf("recipients      %d\n", recipients);
    std::printf("drop odds       %s per command\n", odds.c_str());
    std::printf("jobs            %d (%d ended with the failure message)\n", jobs, ui.Failures);
    std::printf("delivered       %d\n", delivered);
    std::printf("duplicates      %d\n", duplicates);
    std::printf("skipped         %d\n", recipients - delivered);
    std::printf("left on list    %zu\n", entries.Rows.size());
    std::printf("log lines       %zu in log.txt, %zu in the window (messages accepted: %d)\n", logLines,
                window.windowLines, acceptedMessages);
    std::printf("time            %.1f s\n", seconds);
    std::printf("peak memory     %ld kB\n", PeakKilobytes());
    return delivered == recipients && duplicates == 0 && logLines == static_cast<std::size_t>(acceptedMessages)
                   && window.windowLines == logLines
               ? 0
               : 1;
}
