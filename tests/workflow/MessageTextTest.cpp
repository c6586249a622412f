// SPDX-License-Identifier: GPL-3.0-or-later
#include "workflow/compose/MessageText.h"
#include "base/Exception.h"
#include "support/Sandbox.h"
#include "support/ScriptedUi.h"
#include "support/SessionTestHelpers.h"
#include "workflow/program/ProgramFolder.h"
#include "workflow/ui/FileDialog.h"

#include <QString>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

TEST(MessageText, EveryLineBreakBecomesCrLf)
{
    const std::pair<std::string, std::string> cases[] = {
        {"a\nb\n", "a\r\nb\r\n"}, {"a\rb", "a\r\nb"}, {"a\r\nb\r\n", "a\r\nb\r\n"}, {"a\n\rb", "a\r\n\r\nb"},
        {"\n\n", "\r\n\r\n"},     {"", ""},           {"no break", "no break"},     {std::string("a\0b", 3), "a"}};
    for (const auto& [in, out] : cases)
        EXPECT_EQ(ToCrLf(in), out) << in;
}

// Sparse files: their size costs no disk and, being all NUL, their text is empty.
TEST(MessageText, FileUpToTheCapacityLoadsOneByteMoreIsRefusedUnread)
{
    TSandbox sandbox;
    const std::string path = sandbox.MakeFile("big.txt", "");
    for (const std::int64_t size : {MessageCapacity, MessageCapacity + 1}) {
        ASSERT_EQ(::truncate(path.c_str(), size), 0);
        const char* expected = size <= MessageCapacity ? "(nothing raised)" : "Text exceeds memo capacity";
        EXPECT_EQ(MessageOf<Exception>([&] { LoadMessageFile(path); }), expected) << size;
    }
}

TEST(MessageText, LfFileIsSavedBackWithCrLf)
{
    TSandbox sandbox;
    const std::string text = LoadMessageFile(sandbox.MakeFile("in.txt", "Hello\nWorld\n")).Text;
    SaveMessageText(sandbox.Path("out.txt"), text);
    EXPECT_EQ(ReadFileBytes(sandbox.Path("out.txt")), "Hello\r\nWorld\r\n");
}

std::string Utf16BigEndian(const std::string& utf8)
{
    std::string bytes;
    for (const QChar c : QString::fromStdString(utf8)) {
        bytes += static_cast<char>(c.unicode() >> 8);
        bytes += static_cast<char>(c.unicode() & 0xFF);
    }
    return bytes;
}

TEST(MessageText, DecodesTheFileThenMakesEveryLineBreakCrLf)
{
    TSandbox sandbox;
    const std::pair<std::string, TTextEncoding> files[] = {
        {"Pozdravljeni \x96 \xE8\x9A\x9E\n", TTextEncoding::Windows1250},
        {"\xFE\xFF" + Utf16BigEndian("Pozdravljeni – čšž\r"), TTextEncoding::Utf16BigEndian}};
    for (const auto& [bytes, encoding] : files) {
        const TDecodedText loaded = LoadMessageFile(sandbox.MakeFile("in.txt", bytes));
        EXPECT_EQ(loaded.Text, "Pozdravljeni – čšž\r\n");
        EXPECT_EQ(loaded.Decoding.Encoding, encoding);
        EXPECT_FALSE(loaded.Decoding.Lossy);
    }
}

TEST(MessageText, SavesExactlyWhatItIsGiven)
{
    TSandbox sandbox;
    for (const std::string text : {"", "last line without break", "a\r\nb\r\n", "č š ž"}) {
        SaveMessageText(sandbox.Path("out.txt"), text);
        EXPECT_EQ(ReadFileBytes(sandbox.Path("out.txt")), text);
    }
}

TEST(MessageText, UnreadableFileRaisesOpenErrorWithItsName)
{
    TSandbox sandbox;
    try {
        LoadMessageFile(sandbox.Path("missing.txt"));
        FAIL() << "no error";
    } catch (const EFOpenError& e) {
        EXPECT_EQ(e.Message(), "Cannot open file " + sandbox.Path("missing.txt"));
    }
}

TEST(PreviewFile, IsWrittenAndRemovedInTheProgramFolderOnly)
{
    TSandbox sandbox;
    const std::string path = WritePreviewFile("<p>Hi</p>\r\n");
    EXPECT_EQ(path, sandbox.ProgramFolder() + "msg.html");
    EXPECT_EQ(ReadFileBytes(path), "<p>Hi</p>\r\n");
    const std::string elsewhere = sandbox.MakeFile("msg.html", "other");
    RemovePreviewFile();
    EXPECT_FALSE(FileExists(path));
    EXPECT_TRUE(FileExists(elsewhere));
    RemovePreviewFile(); // a missing file is no error
}

TEST(ProgramFolderRule, UsesTheExecutablesFolderOrElseTheUsersDataFolder)
{
    TSandbox sandbox;
    const std::string exe = sandbox.Path("exe");
    const std::string data = sandbox.Path("data/Drelko");
    sandbox.MakeFile("exe/pelmar", "");
    EXPECT_EQ(ChooseProgramFolder(exe + "/", data), exe + "/");
    EXPECT_EQ(ChooseProgramFolder(sandbox.Path("not-there"), data), data + "/");
    EXPECT_TRUE(FileExists(data));
}

TEST(FileDialog, KeepsTheLastChosenFileAndPassesItsSettings)
{
    TScriptedUi ui;
    TFileDialog open(TFileDialog::TKind::Open);
    open.Title = "Varnolt Pelmar - Open file";
    open.Filter = "*.txt|*.txt|*.*|*.*";
    open.InitialDir = "/home/ana/";
    ui.OpenAnswers = {"/home/ana/list.txt", ""};
    EXPECT_TRUE(open.Execute());
    EXPECT_FALSE(open.Execute());
    EXPECT_EQ(open.FileName, "/home/ana/list.txt");
    ASSERT_EQ(ui.FileRequests.size(), 2u);
    EXPECT_EQ(ui.FileRequests[0].Title, "Varnolt Pelmar - Open file");
    EXPECT_EQ(ui.FileRequests[0].Filter, "*.txt|*.txt|*.*|*.*");
    EXPECT_EQ(ui.FileRequests[0].InitialDir, "/home/ana/");
}

TEST(FileDialog, FolderPartKeepsItsTrailingSeparator)
{
    EXPECT_EQ(ExtractFilePath("/home/ana/list.txt"), "/home/ana/");
    EXPECT_EQ(ExtractFilePath("/list.txt"), "/");
    EXPECT_EQ(ExtractFilePath("list.txt"), "");
}

}
