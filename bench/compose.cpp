// SPDX-License-Identifier: GPL-3.0-or-later
// Composes a message with a 50 MiB attachment of random bytes, as the send job does, and
// compares the time with coreutils base64 encoding the same file; prints the peak memory
// of the compose.
#include "mail/AttachmentEncoder.h"
#include "workflow/compose/MessageComposer.h"
#include "workflow/compose/MessageFields.h"

#include <QTemporaryDir>

#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <random>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

constexpr std::int64_t AttachmentSize = 50 * 1024 * 1024;
constexpr int Runs = 5;
using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

void WriteRandomFile(const std::string& path)
{
    std::mt19937_64 random(42);
    std::vector<std::uint64_t> block(1 << 17);
    std::ofstream out(path, std::ios::binary);
    for (std::int64_t written = 0; written < AttachmentSize;) {
        for (auto& word : block)
            word = random();
        const auto n = std::min<std::int64_t>(AttachmentSize - written, static_cast<std::int64_t>(block.size() * 8));
        out.write(reinterpret_cast<const char*>(block.data()), n);
        written += n;
    }
}

// Runs "base64 FILE" with its output thrown away; returns the wall time.
double TimeCoreutilsBase64(const std::string& path)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    std::string program = "base64";
    std::string file = path;
    char* argv[] = {program.data(), file.data(), nullptr};
    const auto start = Clock::now();
    pid_t child = 0;
    if (posix_spawnp(&child, "base64", &actions, nullptr, argv, environ) != 0) {
        std::perror("base64");
        return 0;
    }
    int status = 0;
    waitpid(child, &status, 0);
    const double seconds = Seconds(start);
    posix_spawn_file_actions_destroy(&actions);
    return seconds;
}

// Kilobytes from a line of /proc/self/status such as "VmHWM:  1234 kB".
long StatusKilobytes(const std::string& field)
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind(field + ":", 0) == 0)
            return std::stol(line.substr(field.size() + 1));
    return -1;
}

class TBenchMessage : public TMessageFields {
public:
    explicit TBenchMessage(std::string attachment) : FAttachment(std::move(attachment)) { }
    std::string Subject() const override { return {}; }
    TStringList BodyParagraphs() const override { return TStringList{"A message with a large attachment."}; }
    int FormatIndex() const override { return 0; }
    std::string AttachmentPath() const override { return FAttachment; }

private:
    std::string FAttachment;
};

void ResetPeakMemory()
{
    std::ofstream("/proc/self/clear_refs") << "5";
}

} // namespace

int main()
{
    QTemporaryDir dir;
    const std::string path = dir.filePath("attachment.bin").toStdString();
    WriteRandomFile(path);

    double base64Best = 1e9;
    for (int run = 0; run < Runs; ++run)
        base64Best = std::min(base64Best, TimeCoreutilsBase64(path));

    double composeBest = 1e9;
    long peakKb = 0;
    long beforeKb = 0;
    std::int64_t bodySize = 0;
    for (int run = 0; run < Runs; ++run) {
        const TBenchMessage message(path);
        ResetPeakMemory();
        const long rssBefore = StatusKilobytes("VmRSS");
        const auto start = Clock::now();
        {
            TMessageComposer composer(message, nullptr, {"bench@example.org", "", "us-ascii", {}});
            composer.Compose("to@example.org", 0);
            composeBest = std::min(composeBest, Seconds(start));
            bodySize = composer.Body().Size();
        }
        if (run == 0) {
            peakKb = StatusKilobytes("VmHWM");
            beforeKb = rssBefore;
        }
    }

    const double megabytes = static_cast<double>(AttachmentSize) / 1e6;
    const double encodedMb = static_cast<double>(TAttachmentEncoder::EncodedSize(emBase64, AttachmentSize)) / 1e6;
    const double limitMb = 3 * encodedMb + 50;
    const double ratio = base64Best / composeBest;
    std::printf("attachment          %.1f MB (encoded %.1f MB, body %.1f MB)\n", megabytes, encodedMb,
                static_cast<double>(bodySize) / 1e6);
    std::printf("coreutils base64    %.3f s  %.0f MB/s (best of %d)\n", base64Best, megabytes / base64Best, Runs);
    std::printf("compose             %.3f s  %.0f MB/s (best of %d)\n", composeBest, megabytes / composeBest, Runs);
    std::printf("speed ratio         %.2f  (target >= 0.50: %s)\n", ratio, ratio >= 0.5 ? "met" : "MISSED");
    const double peakMb = static_cast<double>(peakKb) * 1024 / 1e6;
    std::printf("peak memory         %.1f MB (process peak during compose; %.1f MB resident before it)\n", peakMb,
                static_cast<double>(beforeKb) * 1024 / 1e6);
    std::printf("memory limit        %.1f MB  (3 x encoded + 50 MB; target: %s)\n", limitMb,
                peakMb < limitMb ? "met" : "MISSED");
    return 0;
}
