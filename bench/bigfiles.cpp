// Loads a 100 MB recipients file and a 100 MB message file into the main window, and a
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
#include "workflow/MailboxCheck.h"
#include "workflow/MessageText.h"
#include "workflow/RecipientList.h"

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
void WriteFile(const std::string& path, std::int64_t size, bool recipients)
{
    std::ofstream out(path, std::ios::binary);
    std::string block;
    for (std::int64_t written = 0, n = 0; written < size; ++n) {
        block = recipients ? "Person " + std::to_string(n) + " <person" + std::to_string(n) + "@example.org>\r\n"
                           : "Line " + std::to_string(n) + " of a long message, with enough words to look like text.\r\n";
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
        if (kind == "recipients")
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
    if (kind == "recipients")
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
    // A complete account, so that no first-run welcome waits for a person.
    qputenv("XDG_CONFIG_HOME", scratch.filePath("config").toLocal8Bit());
    // Nor any work kept from the user's own runs (the draft lies in the data folder).
    qputenv("XDG_DATA_HOME", scratch.filePath("data").toLocal8Bit());
    QDir().mkpath(scratch.filePath("config/Drelko"));
    std::ofstream(scratch.filePath("config/Drelko/Varnolt Pelmar.conf").toStdString())
        << "[General]\nime=Ana\nemail=ana@x.org\nhost=mail.x.org\nusername=ana\n";
    // The large files, and the largest message file the body field takes.
    const std::pair<std::string, std::int64_t> runs[] = {
        {"recipients", megabytes * 1000 * 1000}, {"message", megabytes * 1000 * 1000}, {"message", MessageCapacity}};
    for (const auto& [kind, size] : runs) {
        const std::string path = scratch.filePath(QString::fromStdString(kind + ".txt")).toStdString();
        WriteFile(path, size, kind == "recipients");
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedChannels);
        child.start(argv[0], {QString::fromStdString(kind), QString::fromStdString(path), "measure"});
        child.waitForFinished(-1);
        std::remove(path.c_str());
    }
    return 0;
}
