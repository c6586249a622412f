// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/Exception.h"
#include "support/Encodings.h"
#include "support/Sandbox.h"
#include "workflow/lists/ListFields.h"
#include "workflow/lists/RecipientList.h"
#include "workflow/lists/RowsColumn.h"

#include <gtest/gtest.h>

namespace {

using TRows = std::vector<std::vector<std::string>>;

class RecipientListColumns : public ::testing::Test {
protected:
    TSandbox Sandbox;
    TRowsColumn Entries;
    TRowsColumn Labels;
    TListFields Fields;
    TRecipientList List{Entries, Labels, &Fields};

    TListLoading Load(const std::string& bytes)
    {
        return List.LoadFromFile(Sandbox.MakeFile("list.csv", bytes), "To:");
    }

    TRows Rows() const
    {
        TRows rows;
        for (int i = 0; i < Fields.Count(); ++i)
            rows.push_back(*Fields.Values(i));
        return rows;
    }
};

struct ExportFile {
    const char* name;
    std::string bytes;
    TTextEncoding encoding;
    std::vector<std::string> columns;
    std::vector<std::string> entries;
    TRows rows;
    int skipped;
};

void PrintTo(const ExportFile& c, std::ostream* os)
{
    *os << c.name;
}

class AddressBookFile : public RecipientListColumns, public ::testing::WithParamInterface<ExportFile> { };

// Whatever encoding the export came in, each row with an address is one entry with its
// cells as values, and one label; the rows without an address are counted.
TEST_P(AddressBookFile, LoadsAnEntryAndItsValuesPerRowWithAnAddress)
{
    const ExportFile& file = GetParam();
    List.Add("typed@x.org", "Za:");
    const TListLoading loading = Load(file.bytes);
    EXPECT_TRUE(loading.Table);
    EXPECT_EQ(loading.Decoding.Encoding, file.encoding);
    EXPECT_FALSE(loading.Decoding.Lossy);
    EXPECT_EQ(loading.SkippedWithoutAddress, file.skipped);
    EXPECT_EQ(Fields.Columns(), file.columns);
    EXPECT_EQ(Entries.Rows, file.entries);
    EXPECT_EQ(Labels.Rows, std::vector<std::string>(file.entries.size(), "To:"));
    EXPECT_EQ(Rows(), file.rows);
}

const std::string Outlook = "\"First Name\",\"Last Name\",\"E-mail Address\",\"Company\",\"Notes\"\r\n"
                            "\"Ana\",\"Novak\",\"ana@x.org\",\"Kos & Sinovi, d.o.o.\",\"Trg 1\r\nLjubljana\"\r\n"
                            "\"Bojan\",\"Kralj\",\"\",\"\",\"no address\"\r\n"
                            "\r\n"
                            "\"\",\"\",\"\",\"\",\"\"\r\n"
                            "\"\",\"\",\"info@firm.example\",\"Firm\",\"\"\r\n";

INSTANTIATE_TEST_SUITE_P(
    Exports, AddressBookFile,
    ::testing::Values(
        ExportFile{"OutlookQuotedCommasLineBreaksAndEmptyRows",
                   Outlook,
                   TTextEncoding::Utf8,
                   {"First Name", "Last Name", "E-mail Address", "Company", "Notes"},
                   {"Ana Novak <ana@x.org>", "info@firm.example"},
                   {{"Ana", "Novak", "ana@x.org", "Kos & Sinovi, d.o.o.", "Trg 1\r\nLjubljana"},
                    {"", "", "info@firm.example", "Firm", ""}},
                   1},
        ExportFile{"GoogleInUtf16WithBom",
                   Utf16LittleEndianWithBom("Name,Given Name,E-mail 1 - Value\r\n"
                                            "Špela Žagar,Špela,spela@x.org ::: spela@work.example\r\n"
                                            ",Črt,crt@x.org\r\n"),
                   TTextEncoding::Utf16LittleEndian,
                   {"Name", "Given Name", "E-mail 1 - Value"},
                   {"Špela Žagar <spela@x.org>", "Črt <crt@x.org>"},
                   {{"Špela Žagar", "Špela", "spela@x.org ::: spela@work.example"}, {"", "Črt", "crt@x.org"}},
                   0},
        ExportFile{"SpreadsheetInWindows1250WithSemicolons",
                   Windows1250("Ime;Priimek;E-pošta;Kraj\r\nČrt;Žnidar;crt@x.org;Kočevje\r\nAna;Šega;;Bled\r\n"),
                   TTextEncoding::Windows1250,
                   {"Ime", "Priimek", "E-pošta", "Kraj"},
                   {"Črt Žnidar <crt@x.org>"},
                   {{"Črt", "Žnidar", "crt@x.org", "Kočevje"}},
                   1},
        ExportFile{"TabSeparatedWithShortAndLongRows",
                   "Email\tName\tTown\r\na@x.org\tAna\r\nb@x.org\tBor\tKranj\textra\r\n",
                   TTextEncoding::Utf8,
                   {"Email", "Name", "Town"},
                   {"Ana <a@x.org>", "Bor <b@x.org>"},
                   {{"a@x.org", "Ana", ""}, {"b@x.org", "Bor", "Kranj"}},
                   0},
        ExportFile{"HeaderOnly",
                   "\xEF\xBB\xBF\"E-mail Address\"\r\n",
                   TTextEncoding::Utf8WithBom,
                   {"E-mail Address"},
                   {},
                   {},
                   0}),
    [](const auto& info) { return info.param.name; });

// A first line without an e-mail column is an entry like any other, as in every plain
// list; the columns of a list loaded before go.
TEST_F(RecipientListColumns, FileWithoutAnEmailColumnLoadsAsPlainLines)
{
    Load(Outlook);
    ASSERT_TRUE(Fields.HasColumns());
    const TListLoading loading = Load("Name,Phone\r\nana@x.org\r\n\r\nAna <a@x.org>,040\r\n");
    EXPECT_FALSE(loading.Table);
    EXPECT_EQ(Entries.Rows, (std::vector<std::string>{"Name,Phone", "ana@x.org", "", "Ana <a@x.org>,040"}));
    EXPECT_EQ(Labels.Count(), 4);
    EXPECT_FALSE(Fields.HasColumns());
    EXPECT_EQ(Fields.Count(), 0);
    EXPECT_FALSE(List.HasColumns());
}

TEST_F(RecipientListColumns, FailedLoadChangesNeitherTheEntriesNorTheColumns)
{
    Load(Outlook);
    EXPECT_THROW(List.LoadFromFile(Sandbox.Path("missing.csv"), "To:"), EFOpenError);
    EXPECT_EQ(Entries.Count(), 2);
    EXPECT_EQ(Fields.Count(), 2);
    EXPECT_EQ(Fields.Columns().size(), 5u);
}

// Every change of the list keeps one row of values per entry: a typed entry gets the row
// that saving and loading would give it, a deleted entry takes its row along, and a
// cleared list starts again without columns.
TEST_F(RecipientListColumns, ValuesStayInStepThroughAddsDeletesAndClears)
{
    Load(Outlook);
    List.Add("Marko Horvat <marko@x.org>", "Za:");
    List.Add("plain@x.org", "Za:");
    EXPECT_EQ(Rows(),
              (TRows{{"Ana", "Novak", "ana@x.org", "Kos & Sinovi, d.o.o.", "Trg 1\r\nLjubljana"},
                     {"", "", "info@firm.example", "Firm", ""},
                     {"Marko", "Horvat", "marko@x.org", "", ""},
                     {"", "", "plain@x.org", "", ""}}));
    Entries.SetItemIndex(1);
    List.DeleteSelected();
    Entries.SetItemIndex(2);
    List.DeleteSelected();
    EXPECT_EQ(Entries.Rows, (std::vector<std::string>{"Ana Novak <ana@x.org>", "Marko Horvat <marko@x.org>"}));
    EXPECT_EQ(Rows(),
              (TRows{{"Ana", "Novak", "ana@x.org", "Kos & Sinovi, d.o.o.", "Trg 1\r\nLjubljana"},
                     {"Marko", "Horvat", "marko@x.org", "", ""}}));
    EXPECT_EQ(Entries.ItemIndex(), 1);

    List.Clear();
    EXPECT_FALSE(List.HasColumns());
    List.Add("next@x.org", "To:");
    EXPECT_EQ(Fields.Count(), 0);
    EXPECT_EQ(Fields.Values(0), nullptr);
}

// A list without a place for its values still loads the entries of an export.
TEST_F(RecipientListColumns, ListWithoutFieldsTakesTheEntriesOnly)
{
    TRecipientList entriesOnly{Entries, Labels};
    const TListLoading loading = entriesOnly.LoadFromFile(Sandbox.MakeFile("list.csv", Outlook), "To:");
    EXPECT_TRUE(loading.Table);
    EXPECT_EQ(Entries.Rows, (std::vector<std::string>{"Ana Novak <ana@x.org>", "info@firm.example"}));
    EXPECT_FALSE(entriesOnly.HasColumns());
    EXPECT_TRUE(entriesOnly.Add("x@x.org", "To:"));
}

// Saved as CSV and loaded again, the list is the same, typed entries included; an entry
// whose row names no address is left out, since loading would skip it.
TEST_F(RecipientListColumns, SavedAsTableLoadsBackAsTheSameEntriesAndValues)
{
    Load(Windows1250("Ime;Priimek;E-pošta;Opomba\r\nČrt;Žnidar;crt@x.org;\"a;b\"\"c\"\r\n"));
    List.Add("Ana Novak <ana@x.org>", "To:");
    List.Add("not an address <>", "To:");
    const std::vector<std::string> entries(Entries.Rows.begin(), Entries.Rows.end() - 1);
    const TRows rows = {Rows()[0], Rows()[1]};
    const std::string saved = Sandbox.Path("saved.csv");
    List.SaveAsTableToFile(saved);
    EXPECT_EQ(ReadFileBytes(saved),
              "\xEF\xBB\xBFIme;Priimek;E-pošta;Opomba\r\n"
              "Črt;Žnidar;crt@x.org;\"a;b\"\"c\"\r\n"
              "Ana;Novak;ana@x.org;\r\n");

    TRowsColumn entriesAgain, labelsAgain;
    TListFields fieldsAgain;
    const TListLoading loading = TRecipientList(entriesAgain, labelsAgain, &fieldsAgain).LoadFromFile(saved, "To:");
    EXPECT_EQ(loading.Decoding.Encoding, TTextEncoding::Utf8WithBom);
    EXPECT_EQ(loading.SkippedWithoutAddress, 0);
    EXPECT_EQ(entriesAgain.Rows, entries);
    EXPECT_EQ(fieldsAgain.Columns(), Fields.Columns());
    EXPECT_EQ(fieldsAgain.Delimiter(), ';');
    TRows rowsAgain;
    for (int i = 0; i < fieldsAgain.Count(); ++i)
        rowsAgain.push_back(*fieldsAgain.Values(i));
    EXPECT_EQ(rowsAgain, rows);
}

TEST_F(RecipientListColumns, PlainListSavedAsTableIsSavedAsLines)
{
    Load("a@x.org\r\n\r\nb@x.org\r\n");
    List.SaveAsTableToFile(Sandbox.Path("saved.csv"));
    EXPECT_EQ(ReadFileBytes(Sandbox.Path("saved.csv")), "a@x.org\r\n\r\nb@x.org\r\n");
}

// The draft keeps the entries as lines and the values beside them, blank rows and all;
// values that no longer match the entries are not taken.
TEST_F(RecipientListColumns, FieldsFileGoesWithTheLinesOfTheEntries)
{
    Load("Email,Note\r\na@x.org,\"x, y\"\r\nb@x.org,\r\n");
    List.Add("c@x.org", "To:");
    List.SaveToFile(Sandbox.Path("entries.txt"));
    List.SaveFieldsToFile(Sandbox.Path("fields.csv"));
    const TRows rows = Rows();

    TRowsColumn entriesAgain, labelsAgain;
    TListFields fieldsAgain;
    TRecipientList again(entriesAgain, labelsAgain, &fieldsAgain);
    again.LoadLinesFromFile(Sandbox.Path("entries.txt"), "To:");
    again.LoadFieldsFromFile(Sandbox.Path("fields.csv"));
    EXPECT_EQ(entriesAgain.Rows, Entries.Rows);
    EXPECT_EQ(fieldsAgain.Columns(), Fields.Columns());
    TRows rowsAgain;
    for (int i = 0; i < fieldsAgain.Count(); ++i)
        rowsAgain.push_back(*fieldsAgain.Values(i));
    EXPECT_EQ(rowsAgain, rows);

    entriesAgain.Rows.pop_back();
    fieldsAgain.Clear();
    again.LoadFieldsFromFile(Sandbox.Path("fields.csv"));
    EXPECT_FALSE(fieldsAgain.HasColumns()) << "three rows for two entries";
}

// A file whose first line reads as a header still loads line by line where lines are
// wanted (the draft's copy of the entries).
TEST_F(RecipientListColumns, LinesLoadIgnoresAHeader)
{
    Load(Outlook);
    List.LoadLinesFromFile(Sandbox.MakeFile("lines.txt", "E-mail Address\r\na@x.org\r\n"), "To:");
    EXPECT_EQ(Entries.Rows, (std::vector<std::string>{"E-mail Address", "a@x.org"}));
    EXPECT_FALSE(Fields.HasColumns());
}

// The generation tells a running job whether values read by index still mean what the
// columns meant when it checked the message.
TEST_F(RecipientListColumns, GenerationChangesWithTheColumnsOnly)
{
    const unsigned plain = Fields.Generation();
    Load("a@x.org\r\n");
    EXPECT_EQ(Fields.Generation(), plain);
    Load(Outlook);
    const unsigned outlook = Fields.Generation();
    EXPECT_NE(outlook, plain);
    Load(Outlook + "\"Cene\",\"Kos\",\"cene@x.org\",\"\",\"\"\r\n");
    List.Add("d@x.org", "To:");
    Entries.SetItemIndex(0);
    List.DeleteSelected();
    EXPECT_EQ(Fields.Generation(), outlook) << "same columns, other rows";
    Load("Email\r\na@x.org\r\n");
    EXPECT_NE(Fields.Generation(), outlook);
    const unsigned single = Fields.Generation();
    List.Clear();
    EXPECT_NE(Fields.Generation(), single);
}

}
