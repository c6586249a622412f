// SPDX-License-Identifier: GPL-3.0-or-later
// Loads a 100 MB recipients file, a 100 MB address-book export (CSV with a header, each
// row an entry with its values) and a 100 MB message file into the main window, and a
// message file as large as the body field takes, each in a process of its own, and
// prints the load time (until the window has drawn the result) and the peak memory. Runs offscreen; settings go to a scratch folder.
// For the list it also prints what checking every entry's address would cost (the window
// checks only the rows it draws) and how long the close takes, which writes the list into
// the draft.
// Usage: bench_bigfiles [SIZE-MB]
#include "app/MainWindow.h"
#include "app/PelmarApplication.h"
#include "app/Widgets.h"
#include "base/Exception.h"
#include "workflow/compose/MessageText.h"
#include "workflow/lists/MailboxCheck.h"
#include "workflow/lists/RecipientList.h"

#include "PrivateFolders.h"

#include <QApplication>
#include <QDir>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/resource.h>

namespace {

using Clock = std::chrono::steady_clock;

// Lines such as a mail address book export has; the message lines are prose-like.
std::string Line(const std::string& kind, std::int64_t n)
{
    const std::string number = std::to_string(n);
    if (kind == "recipients")
        return "Person " + number + " <person" + number + "@example.org>\r\n";
    if (kind == "export")
        return "Person,Number " + number + ",person" + number + "@example.org,\"Firm " + number + ", d.o.o.\"\r\n";
    return "Line " + number + " of a long message, with enough words to look like text.\r\n";
}

void WriteFile(const std::string& path, std::int64_t size, const std::string& kind)
{
    std::ofstream out(path, std::ios::binary);
    std::string block = kind == "export" ? "First Name,Last Name,E-mail Address,Company\r\n" : "";
    out << block;
    for (std::int64_t written = static_cast<std::int64_t>(block.size()), n = 0; written < size; ++n) {
        block = Line(kind, n);
        written += static_cast<std::int64_t>(block.size());
        if (written > size)
            break;
        out << block;
    }
}

long PeakMegabytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

double SecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

void MeasureListAfterLoad(TMainWindow& window)
{
    const TListBox& list = *window.recipientList;
    auto start = Clock::now();
    int invalid = 0;
    for (int i = 0; i < list.Count(); ++i)
        invalid += IsValidEntry(list.Item(i)) ? 0 : 1;
    std::printf("           every entry's address checked once: %6.2f s (%d entries, %d not addresses)\n",
                SecondsSince(start), list.Count(), invalid);
    start = Clock::now();
    window.close();
    std::printf("           close, writing the list into the draft: %6.2f s\n", SecondsSince(start));
}

// One measurement: the child loads one file and prints its figures.
int Measure(const std::string& kind, const std::string& path, int argc, char** argv)
{
    QApplication application(argc, argv);
    TPelmarApplication program({});
    TMainWindow& window = program.MainWindow();
    window.show();
    QApplication::processEvents();
    const long before = PeakMegabytes();
    const auto start = Clock::now();
    std::string outcome = "loaded";
    try {
        if (kind == "recipients" || kind == "export")
            window.Recipients().LoadFromFile(path, "To:");
        else
            window.SetBodyText(LoadMessageFile(path).Text);
    } catch (const Exception& error) {
        outcome = "refused: " + error.Message();
    }
    window.repaint();
    QApplication::processEvents();
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    std::printf("%-10s %6.1f MB: %6.2f s, peak memory %5ld MB (%ld MB before), %s\n", kind.c_str(),
                static_cast<double>(std::filesystem::file_size(path)) / 1e6, seconds, PeakMegabytes(), before,
                outcome.c_str());
    if (kind == "recipients" || kind == "export")
        MeasureListAfterLoad(window);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    if (argc == 4)
        return Measure(argv[1], argv[2], argc, argv);

    QCoreApplication application(argc, argv);
    const std::int64_t megabytes = argc > 1 ? std::atoll(argv[1]) : 100;
    QTemporaryDir scratch;
    UsePrivateFolders(scratch);
    // The large files, and the largest message file the body field takes.
    const std::pair<std::string, std::int64_t> runs[] = {{"recipients", megabytes * 1000 * 1000},
                                                         {"export", megabytes * 1000 * 1000},
                                                         {"message", megabytes * 1000 * 1000},
                                                         {"message", MessageCapacity}};
    int run = 0;
    for (const auto& [kind, size] : runs) {
        const std::string path = scratch.filePath(QString::fromStdString(kind + ".txt")).toStdString();
        WriteFile(path, size, kind);
        // A data folder per run: the draft one run leaves at its close must not be put
        // back, and counted, in the next.
        qputenv("XDG_DATA_HOME", scratch.filePath(QString("data-%1").arg(++run)).toLocal8Bit());
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedChannels);
        child.start(argv[0], {QString::fromStdString(kind), QString::fromStdString(path), "measure"});
        child.waitForFinished(-1);
        std::remove(path.c_str());
    }
    return 0;
}
