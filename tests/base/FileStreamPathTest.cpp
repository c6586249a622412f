// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/Exception.h"
#include "base/Stream.h"

#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

// Paths that exist but are no file to load or save: each fails at once with the
// framework's error, none of them blocks (a FIFO without a writer would).
struct NotAFileCase {
    const char* name;
    std::function<std::string(const QTemporaryDir&)> make;
    bool creatable; // a missing file in an existing folder is simply created
};

void PrintTo(const NotAFileCase& c, std::ostream* os)
{
    *os << c.name;
}

class FileStreamPath : public ::testing::TestWithParam<NotAFileCase> {
protected:
    QTemporaryDir dir;
};

TEST_P(FileStreamPath, OpenForReadingFailsWithoutWaiting)
{
    const std::string path = GetParam().make(dir);
    try {
        TFileStream stream(path, TFileMode::OpenRead);
        FAIL() << "opened " << path;
    } catch (const EFOpenError& error) {
        EXPECT_EQ(error.Message(), "Cannot open file " + path);
    }
    EXPECT_THROW(ReadWholeFile(path), EFOpenError);
}

TEST_P(FileStreamPath, CreatingMakesOnlyANewFileWithoutWaiting)
{
    const std::string path = GetParam().make(dir);
    if (!GetParam().creatable) {
        EXPECT_THROW(WriteWholeFile(path, "x"), EFCreateError);
        return;
    }
    WriteWholeFile(path, "x");
    EXPECT_EQ(ReadWholeFile(path), "x");
}

std::string MakeFifo(const QTemporaryDir& dir)
{
    const std::string path = dir.filePath("pipe").toStdString();
    EXPECT_EQ(::mkfifo(path.c_str(), 0600), 0);
    return path;
}

INSTANTIATE_TEST_SUITE_P(
    Paths, FileStreamPath,
    ::testing::Values(
        NotAFileCase{"Folder", [](const QTemporaryDir& dir) { return dir.path().toStdString(); }, false},
        NotAFileCase{"FifoWithoutWriter", MakeFifo, false},
        NotAFileCase{"Missing", [](const QTemporaryDir& dir) { return dir.filePath("gone.txt").toStdString(); }, true},
        NotAFileCase{"MissingFolder",
                     [](const QTemporaryDir& dir) { return dir.filePath("no/such.txt").toStdString(); }, false}),
    [](const auto& info) { return info.param.name; });

TEST(FileStreamDevice, EndlessDeviceIsNoFileToLoad)
{
    EXPECT_THROW(ReadWholeFile("/dev/zero"), EFOpenError);
}

} // namespace
