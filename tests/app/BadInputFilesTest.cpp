// SPDX-License-Identifier: GPL-3.0-or-later
#include "AppFixture.h"

#include "workflow/compose/MessageText.h"

#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string MakeFifo(const TSandbox& sandbox);

// Recipient and message files as people have them: odd line ends, NUL bytes, binary
// junk, nothing at all, or a path that is no file to read.
class BadInputFiles : public AppTest {
protected:
    void SetUp() override
    {
        Sandbox.WriteSettings(CompleteSettings);
        Start();
        Window().addressEdit->setText("keep@x.org");
        Window().addRecipient();
        Window().SetBodyText("draft");
    }

    std::vector<std::string> Entries()
    {
        std::vector<std::string> entries;
        for (const QString& entry : Window().recipientList->Items())
            entries.push_back(Str(entry));
        return entries;
    }

    void LoadRecipients(const std::string& path)
    {
        Ui.OpenAnswers = {path};
        Window().openRecipientFileAction->trigger();
    }

    void LoadMessage(const std::string& path)
    {
        Ui.OpenAnswers = {path};
        Window().openMessageFileAction->trigger();
    }
};

struct ReadableCase {
    const char* name;
    std::string bytes;
    std::vector<std::string> entries;
    std::string body;
};

void PrintTo(const ReadableCase& c, std::ostream* os)
{
    *os << c.name;
}

class ReadableBadFile : public BadInputFiles, public ::testing::WithParamInterface<ReadableCase> { };

// What can be read is loaded: its lines replace the entries, its text the body.
TEST_P(ReadableBadFile, LoadsItsTextUpToTheFirstNul)
{
    const ReadableCase& c = GetParam();
    const std::string path = Sandbox.MakeFile("input.txt", c.bytes);
    LoadRecipients(path);
    LoadMessage(path);
    EXPECT_TRUE(Ui.Errors.empty());
    EXPECT_EQ(Entries(), c.entries);
    EXPECT_EQ(Window().labelColumn->count(), static_cast<int>(c.entries.size()));
    EXPECT_EQ(Window().BodyText(), c.body);
}

// Bytes that are not UTF-8 are read as Windows-1250; those it leaves undefined show
// as U+FFFD, the replacement character.
const std::string Fffd = "\xEF\xBF\xBD";

INSTANTIATE_TEST_SUITE_P(
    Files, ReadableBadFile,
    ::testing::Values(
        ReadableCase{"Empty", "", {}, ""},
        ReadableCase{"NoFinalLineEnd", "a@x.org\r\nb@x.org", {"a@x.org", "b@x.org"}, "a@x.org\r\nb@x.org"},
        ReadableCase{"CrOnly", "a@x.org\rb@x.org\r", {"a@x.org", "b@x.org"}, "a@x.org\r\nb@x.org\r\n"},
        ReadableCase{
            "MixedLineEnds", "a\r\nb\nc\r\rd\n\r", {"a", "b", "c", "", "d", ""}, "a\r\nb\r\nc\r\n\r\nd\r\n\r\n"},
        ReadableCase{"NulBytes", std::string("a@x.org\nb@\0x.org\nc@x.org\n", 24), {"a@x.org", "b@"}, "a@x.org\r\nb@"},
        ReadableCase{"LeadingNul", std::string("\0a@x.org\n", 9), {}, ""},
        ReadableCase{"Binary",
                     "\x01\x7f\xff\xfe\n\x80z\x1b\x81",
                     {"\x01\x7f\u02d9\u0163", "\u20acz\x1b" + Fffd},
                     "\x01\x7f\u02d9\u0163\r\n\u20acz\x1b" + Fffd}),
    [](const auto& info) { return info.param.name; });

struct UnreadableCase {
    const char* name;
    std::string (*make)(const TSandbox& sandbox);
};

void PrintTo(const UnreadableCase& c, std::ostream* os)
{
    *os << c.name;
}

class UnreadablePath : public BadInputFiles, public ::testing::WithParamInterface<UnreadableCase> { };

// A path that cannot be read is reported in the standard error box at once (nothing
// waits for a writer or an end) and leaves the list, its labels and the body as they were.
TEST_P(UnreadablePath, IsReportedAndChangesNothing)
{
    const std::string path = GetParam().make(Sandbox);
    LoadRecipients(path);
    LoadMessage(path);
    const std::string error = "Cannot open file " + path;
    EXPECT_EQ(Ui.Errors, (std::vector<std::string>{error, error}));
    EXPECT_EQ(Entries(), std::vector<std::string>{"keep@x.org"});
    EXPECT_EQ(Window().labelColumn->count(), 1);
    EXPECT_EQ(Window().BodyText(), "draft");
}

std::string MakeFolder(const TSandbox& sandbox)
{
    sandbox.MakeFile("folder/inside.txt", "");
    return sandbox.Path("folder");
}

std::string MakeFifo(const TSandbox& sandbox)
{
    const std::string path = sandbox.Path("fifo");
    EXPECT_EQ(::mkfifo(path.c_str(), 0600), 0);
    return path;
}

// The file was there when the dialog chose it and is gone when it is read.
std::string MakeRemovedFile(const TSandbox& sandbox)
{
    const std::string path = sandbox.MakeFile("chosen.txt", "a@x.org\n");
    std::remove(path.c_str());
    return path;
}

std::string EndlessDevice(const TSandbox&)
{
    return "/dev/zero";
}

INSTANTIATE_TEST_SUITE_P(Paths, UnreadablePath,
                         ::testing::Values(UnreadableCase{"Folder", MakeFolder},
                                           UnreadableCase{"FifoWithoutWriter", MakeFifo},
                                           UnreadableCase{"RemovedAfterChoosing", MakeRemovedFile},
                                           UnreadableCase{"EndlessDevice", EndlessDevice}),
                         [](const auto& info) { return info.param.name; });

TEST_F(BadInputFiles, OversizedMessageFileIsRefusedAndTheBodyKept)
{
    const std::string path = Sandbox.MakeFile("huge.txt", "");
    ASSERT_EQ(::truncate(path.c_str(), MessageCapacity + 1), 0); // sparse: nothing written
    LoadMessage(path);
    EXPECT_EQ(Ui.Errors, std::vector<std::string>{"Text exceeds memo capacity"});
    EXPECT_EQ(Window().BodyText(), "draft");
}

TEST_F(BadInputFiles, CommandLineFifosNeitherHangNorLoad)
{
    const std::string fifo = MakeFifo(Sandbox);
    Program.reset();
    Start({QString::fromStdString(fifo), QString::fromStdString(fifo)});
    EXPECT_EQ(Window().recipientList->count(), 0);
    EXPECT_EQ(Window().BodyText(), "");
}

} // namespace
