// SPDX-License-Identifier: GPL-3.0-or-later
// One send job to COUNT recipients against a server on 127.0.0.1:PORT, with or without
// the delivery history, as bench/send-throughput runs it to find what the history's writes
// cost. Prints the seconds per message between the first outcome and the last.
//
//     bench_send_rate PORT COUNT HISTORY(1|0)
#include <QCoreApplication>
#include <QTemporaryDir>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "base/StringList.h"
#include "mail/SmtpClient.h"
#include "workflow/history/HistoryAccess.h"
#include "workflow/job/SendJob.h"
#include "workflow/lists/RowsColumn.h"
#include "workflow/program/ProgramFolder.h"

#include "QuietUi.h"
#include "support/LoopbackAccount.h"

namespace {

using TClock = std::chrono::steady_clock;

class TWindow : public TLoopbackAccount, public TMessageFields, public TSendProgress {
public:
    int outcomes = 0;
    TClock::time_point first, last;

    std::string Subject() const override { return "Spring newsletter"; }
    TStringList BodyParagraphs() const override
    {
        TStringList body;
        for (int i = 0; i < 20; ++i)
            body.Add("Line " + std::to_string(i) + " of the newsletter, long enough to look like ordinary prose.");
        return body;
    }
    int FormatIndex() const override { return 0; }
    std::string AttachmentPath() const override { return {}; }
    void ShowState(const std::string&) override { }
    void ShowCounter(const std::string&) override { }
    void ShowLogWindow() override { }
    void ClearLog() override { }
    void AppendLogLine(const std::string&) override { }
    void Flush() override { }
    void EntryDone(const TEntryReport&) override
    {
        last = TClock::now();
        if (outcomes++ == 0)
            first = last;
    }
};

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 4) {
        std::fprintf(stderr, "usage: bench_send_rate PORT COUNT HISTORY(1|0)\n");
        return 2;
    }
    const int count = std::atoi(argv[2]);
    QTemporaryDir dir;
    const std::string folder = dir.path().toStdString() + "/";
    OverrideProgramFolder(folder);
    std::unique_ptr<THistoryAccess> history = std::atoi(argv[3]) ? std::make_unique<THistoryAccess>(folder) : nullptr;
    TQuietUi ui;
    SetUserInterface(&ui);
    TSmtpClient smtp;
    TRowsColumn entries;
    for (int i = 0; i < count; ++i)
        entries.Rows.push_back("reader" + std::to_string(i) + "@example.org");
    TWindow window;
    window.account.Port = std::atoi(argv[1]);
    TSendJob job(smtp, entries, window, window, window, history.get());
    const TJobResult result = job.Run();
    if (result.Counts.Delivered != count) {
        std::fprintf(stderr, "delivered %d of %d: %s\n", result.Counts.Delivered, count, result.Message.c_str());
        return 1;
    }
    std::printf("%.9f\n", std::chrono::duration<double>(window.last - window.first).count() / (count - 1));
    return 0;
}
