// SPDX-License-Identifier: GPL-3.0-or-later
#include "workflow/lists/RecipientList.h"
#include "base/Exception.h"
#include "base/StringList.h"
#include "support/Sandbox.h"
#include "workflow/lists/ListColumn.h"
#include "workflow/lists/RowsColumn.h"

#include <QString>
#include <gtest/gtest.h>

namespace {

class RecipientList : public ::testing::Test {
protected:
    TSandbox Sandbox;
    TRowsColumn Entries;
    TRowsColumn Labels;
    TRecipientList List{Entries, Labels};

    void Fill(std::vector<std::string> rows)
    {
        for (const auto& row : rows)
            List.Add(row, "To:");
    }
};

struct LoadCase {
    const char* name;
    std::string bytes;
    std::vector<std::string> entries;
};

void PrintTo(const LoadCase& c, std::ostream* os)
{
    *os << c.name;
}

class RecipientFile : public RecipientList, public ::testing::WithParamInterface<LoadCase> { };

TEST_P(RecipientFile, LoadsOneEntryPerLineWithOneLabelEach)
{
    List.Add("old", "Za:");
    List.LoadFromFile(Sandbox.MakeFile("list.txt", GetParam().bytes), "To:");
    EXPECT_EQ(Entries.Rows, GetParam().entries);
    EXPECT_EQ(Labels.Rows, std::vector<std::string>(GetParam().entries.size(), "To:"));
}

INSTANTIATE_TEST_SUITE_P(
    Files, RecipientFile,
    ::testing::Values(LoadCase{"EmptyThirdLine",
                               "a@x.org\r\nb@x.org\r\n\r\nd@x.org\r\ne@x.org\r\n",
                               {"a@x.org", "b@x.org", "", "d@x.org", "e@x.org"}},
                      LoadCase{"CrLf", "a\r\nb\r\n", {"a", "b"}}, LoadCase{"Lf", "a\nb\n", {"a", "b"}},
                      LoadCase{"Cr", "a\rb\r", {"a", "b"}}, LoadCase{"NoFinalLineEnd", "a\r\nb", {"a", "b"}},
                      // A title without an e-mail column is an entry like any other (one with one is a table).
                      LoadCase{"ColumnTitleAndNames", "Name\r\nAna <ana@x.org>\r\n", {"Name", "Ana <ana@x.org>"}},
                      LoadCase{"BlanksKept", "  a@x.org \r\n", {"  a@x.org "}}, LoadCase{"Empty", "", {}}),
    [](const auto& info) { return info.param.name; });

std::string Utf16LittleEndian(const std::string& utf8)
{
    const QString text = QString::fromStdString(utf8);
    std::string bytes;
    for (const QChar c : text) {
        bytes += static_cast<char>(c.unicode() & 0xFF);
        bytes += static_cast<char>(c.unicode() >> 8);
    }
    return bytes;
}

// Files written on older Slovenian systems are Windows-1250, newer ones UTF-8 or
// UTF-16; all load as the same entries, and saving writes UTF-8.
TEST_F(RecipientList, LoadsEveryEncodingAsTheSameEntriesAndSavesUtf8)
{
    const std::vector<std::string> entries = {"Špela Žagar <spela@x.org>", "Črt <c@x.org>"};
    const std::string utf8 = "Špela Žagar <spela@x.org>\r\nČrt <c@x.org>\r\n";
    const std::pair<std::string, TTextEncoding> files[] = {
        {utf8, TTextEncoding::Utf8},
        {"\xEF\xBB\xBF" + utf8, TTextEncoding::Utf8WithBom},
        {"\x8A"
         "pela \x8E"
         "agar <spela@x.org>\r\n\xC8"
         "rt <c@x.org>\r\n",
         TTextEncoding::Windows1250},
        {"\xFF\xFE" + Utf16LittleEndian(utf8), TTextEncoding::Utf16LittleEndian}};
    for (const auto& [bytes, encoding] : files) {
        const TTextDecoding decoding = List.LoadFromFile(Sandbox.MakeFile("list.txt", bytes), "To:").Decoding;
        EXPECT_EQ(Entries.Rows, entries) << EncodingName(encoding);
        EXPECT_EQ(decoding.Encoding, encoding);
        EXPECT_FALSE(decoding.Lossy);
        List.SaveToFile(Sandbox.Path("saved.txt"));
        EXPECT_EQ(ReadFileBytes(Sandbox.Path("saved.txt")), utf8);
    }
}

TEST_F(RecipientList, SaysWhenLoadingLostSomething)
{
    const TTextDecoding decoding = List.LoadFromFile(Sandbox.MakeFile("list.txt",
                                                                      "\xE8\x98"
                                                                      "rt@x.org\r\n"),
                                                     "To:")
                                       .Decoding;
    EXPECT_EQ(Entries.Rows, std::vector<std::string>{"č\uFFFDrt@x.org"});
    EXPECT_EQ(decoding.Encoding, TTextEncoding::Windows1250);
    EXPECT_TRUE(decoding.Lossy);
}

TEST_F(RecipientList, FailedLoadChangesNeitherColumn)
{
    Fill({"keep"});
    EXPECT_THROW(List.LoadFromFile(Sandbox.Path("missing.txt"), "To:"), EFOpenError);
    EXPECT_EQ(Entries.Rows, std::vector<std::string>{"keep"});
    EXPECT_EQ(Labels.Count(), 1);
}

TEST_F(RecipientList, AddsEverythingButTheEmptyText)
{
    EXPECT_FALSE(List.Add("", "To:"));
    EXPECT_TRUE(List.Add(" ", "To:"));
    EXPECT_TRUE(List.Add("a@x.org", "To:"));
    EXPECT_TRUE(List.Add("a@x.org", "Za:"));
    EXPECT_EQ(Entries.Rows, (std::vector<std::string>{" ", "a@x.org", "a@x.org"}));
    EXPECT_EQ(Labels.Rows, (std::vector<std::string>{"To:", "To:", "Za:"}));
}

struct DeleteCase {
    const char* name;
    int selected;
    std::vector<std::string> entries;
    int selectedAfter;
};

void PrintTo(const DeleteCase& c, std::ostream* os)
{
    *os << c.name;
}

class DeleteSelected : public RecipientList, public ::testing::WithParamInterface<DeleteCase> { };

TEST_P(DeleteSelected, RemovesEntryAndLabelAndMovesSelection)
{
    Fill({"a", "b", "c"});
    Entries.SetItemIndex(GetParam().selected);
    List.DeleteSelected();
    EXPECT_EQ(Entries.Rows, GetParam().entries);
    EXPECT_EQ(Labels.Count(), Entries.Count());
    EXPECT_EQ(Entries.ItemIndex(), GetParam().selectedAfter);
}

INSTANTIATE_TEST_SUITE_P(Selections, DeleteSelected,
                         ::testing::Values(DeleteCase{"First", 0, {"b", "c"}, 0},
                                           DeleteCase{"Middle", 1, {"a", "c"}, 1}, DeleteCase{"Last", 2, {"a", "b"}, 1},
                                           DeleteCase{"None", -1, {"a", "b", "c"}, -1}),
                         [](const auto& info) { return info.param.name; });

TEST_F(RecipientList, DeletingTheOnlyEntryLeavesBothColumnsEmpty)
{
    Fill({"only"});
    Entries.SetItemIndex(0);
    List.DeleteSelected();
    EXPECT_EQ(Entries.Count(), 0);
    EXPECT_EQ(Labels.Count(), 0);
    EXPECT_EQ(Entries.ItemIndex(), -1);
}

TEST_F(RecipientList, DeleteKeepsLabelsOfOtherLanguagesInPlace)
{
    List.Add("a", "To:");
    List.Add("b", "Za:");
    List.Add("c", "To:");
    Entries.SetItemIndex(0);
    List.DeleteSelected();
    EXPECT_EQ(Labels.Rows, (std::vector<std::string>{"Za:", "To:"}));
}

TEST_F(RecipientList, ClearEmptiesBoth)
{
    Fill({"a", "b"});
    List.Clear();
    EXPECT_EQ(Entries.Count(), 0);
    EXPECT_EQ(Labels.Count(), 0);
}

TEST_F(RecipientList, SavesCrLfAfterEveryEntryAndLoadsBackTheSame)
{
    Entries.Rows = {"a@x.org", "", "Ana <ana@x.org>"};
    Labels.Rows = {"To:", "To:", "To:"};
    const std::string path = Sandbox.Path("saved.txt");
    List.SaveToFile(path);
    EXPECT_EQ(ReadFileBytes(path), "a@x.org\r\n\r\nAna <ana@x.org>\r\n");
    const auto before = Entries.Rows;
    List.Clear();
    List.LoadFromFile(path, "Za:");
    EXPECT_EQ(Entries.Rows, before);
}

TEST_F(RecipientList, SaveToAFolderThatDoesNotExistRaisesCreateError)
{
    Fill({"a"});
    try {
        List.SaveToFile(Sandbox.Path("no/such/folder/x.txt"));
        FAIL() << "no error";
    } catch (const EFCreateError& e) {
        EXPECT_EQ(e.Message(), "Cannot create file " + Sandbox.Path("no/such/folder/x.txt"));
    }
}

}
