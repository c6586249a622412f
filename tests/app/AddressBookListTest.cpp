// SPDX-License-Identifier: GPL-3.0-or-later
// Address-book exports as recipient lists in the window: opened from the menu and the
// command line, typed into, saved back as CSV, and kept in the draft with their columns.
#include "AppFixture.h"
#include "support/Encodings.h"

namespace {

using TRows = std::vector<std::vector<std::string>>;

class AddressBookList : public AppTest {
protected:
    void SetUp() override { Sandbox.WriteSettings(CompleteSettings); }

    QStringList Entries() { return Window().recipientList->Items(); }
    QStringList Labels() { return Window().labelColumn->Items(); }
    TRows Rows()
    {
        TRows rows;
        for (int i = 0; i < Window().recipientFields.Count(); ++i)
            rows.push_back(*Window().recipientFields.Values(i));
        return rows;
    }
    void Open(const std::string& name, const std::string& bytes)
    {
        Ui.OpenAnswers = {Sandbox.MakeFile(name, bytes)};
        Window().openRecipientFileAction->trigger();
    }
};

struct WindowFile {
    const char* name;
    std::string bytes;
    QStringList entries;
    std::vector<std::string> messages; // in English; {file} stands for the file's path
};

void PrintTo(const WindowFile& c, std::ostream* os)
{
    *os << c.name;
}

class OpenedExport : public AddressBookList, public ::testing::WithParamInterface<WindowFile> { };

TEST_P(OpenedExport, GivesOneEntryAndLabelPerContactAndSaysWhatWasLeftOut)
{
    Start();
    Open("lists/contacts.csv", GetParam().bytes);
    EXPECT_EQ(Entries(), GetParam().entries);
    EXPECT_EQ(Labels(), QStringList(GetParam().entries.size(), "To:"));
    std::vector<std::string> expected;
    for (std::string message : GetParam().messages) {
        if (const std::size_t at = message.find("{file}"); at != std::string::npos)
            message.replace(at, 6, Sandbox.Path("lists/contacts.csv"));
        expected.push_back(message);
    }
    EXPECT_EQ(Ui.Messages, expected);
}

INSTANTIATE_TEST_SUITE_P(
    Files, OpenedExport,
    ::testing::Values(
        WindowFile{"OutlookQuotedCommasAndLineBreaks",
                   "\"First Name\",\"Last Name\",\"E-mail Address\",\"Notes\"\r\n"
                   "\"Novak, jr.\",\"Ana\",\"ana@x.org\",\"line one\r\nline two, \"\"quoted\"\"\"\r\n"
                   "\"Bojan\",\"Kralj\",\"\",\"\"\r\n"
                   "\"Cene\",\"\",\"cene@x.org\",\"\"\r\n",
                   {"\"Novak, jr. Ana\" <ana@x.org>", "Cene <cene@x.org>"},
                   {"1 row without an e-mail address was left out."}},
        WindowFile{"GoogleUtf16WithBom",
                   Utf16LittleEndianWithBom("Name,Given Name,Family Name,E-mail 1 - Value\r\n"
                                            "Špela Žagar,Špela,Žagar,spela@x.org\r\n"
                                            "Črt,Črt,,\r\n,,,\r\nNo Mail,No,Mail,\r\n"),
                   {"Špela Žagar <spela@x.org>"},
                   {"2 rows without an e-mail address were left out."}},
        WindowFile{"Windows1250WithALostByte",
                   Windows1250("Ime;Priimek;E-pošta\r\nČrt;Žnidar;crt@x.org\r\n") + "\x81;x;x@x.org\r\n",
                   {"Črt Žnidar <crt@x.org>", "\uFFFD x <x@x.org>"},
                   {"The file {file} could not be read in full (it was read as Windows-1250): characters that could "
                    "not be read were replaced with \uFFFD.\rCheck the text before you send or save it."}},
        WindowFile{"HeaderWithoutAnEmailColumnAndEmptyRows",
                   "Name,Phone\r\n\r\nana@x.org,040\r\n,\r\n",
                   {"Name,Phone", "", "ana@x.org,040", ","},
                   {}}),
    [](const auto& info) { return info.param.name; });

const std::string Export = "First Name;Last Name;E-mail Address;Company\r\n"
                           "Ana;Novak;ana@x.org;\"Kos; Sinovi\"\r\n"
                           "Bor;Kralj;bor@x.org;Firm\r\n"
                           "Cene;;;\r\n";

// The window's commands keep every entry's values with it, and saving with a ".csv" name
// writes the columns back: loading that file gives the same list.
TEST_F(AddressBookList, TypedAndDeletedEntriesKeepTheirValuesAndTheListSavesBackAsCsv)
{
    Start();
    Open("in/contacts.csv", Export);
    Window().addressEdit->setText("Marko Horvat <marko@x.org>");
    Window().addRecipient();
    Window().recipientList->SetItemIndex(1);
    Window().deleteRecipientAction->trigger();
    EXPECT_EQ(Entries(), (QStringList{"Ana Novak <ana@x.org>", "Marko Horvat <marko@x.org>"}));
    const TRows rows = {{"Ana", "Novak", "ana@x.org", "Kos; Sinovi"}, {"Marko", "Horvat", "marko@x.org", ""}};
    EXPECT_EQ(Rows(), rows);

    Ui.FileRequests.clear();
    Ui.SaveAnswers = {Sandbox.Path("saved-list.csv"), Sandbox.Path("saved-list.txt")};
    Window().saveRecipientFileAction->trigger();
    Window().saveRecipientFileAction->trigger();
    EXPECT_EQ(ReadFileBytes(Sandbox.Path("saved-list.csv")),
              "\xEF\xBB\xBF"
              "First Name;Last Name;E-mail Address;Company\r\n"
              "Ana;Novak;ana@x.org;\"Kos; Sinovi\"\r\n"
              "Marko;Horvat;marko@x.org;\r\n");
    EXPECT_EQ(ReadFileBytes(Sandbox.Path("saved-list.txt")), "Ana Novak <ana@x.org>\r\nMarko Horvat <marko@x.org>\r\n");
    ASSERT_EQ(Ui.FileRequests.size(), 2u);
    EXPECT_EQ(Ui.FileRequests[0].Filter, "*.txt|*.txt|*.csv|*.csv|*.*|*.*");
    EXPECT_EQ(Ui.FileRequests[0].DefaultExt, "txt");

    Window().clearRecipientsAction->trigger();
    EXPECT_FALSE(Window().recipientFields.HasColumns());
    Ui.OpenAnswers = {Sandbox.Path("saved-list.csv"), Sandbox.Path("in/contacts.csv")};
    Window().openRecipientFileAction->trigger();
    EXPECT_EQ(Entries(), (QStringList{"Ana Novak <ana@x.org>", "Marko Horvat <marko@x.org>"}));
    EXPECT_EQ(Rows(), rows);
    EXPECT_EQ(Window().recipientFields.Delimiter(), ';');

    // The other commands keep the shared dialogs' own filter.
    Window().openMessageFileAction->trigger();
    EXPECT_EQ(Ui.FileRequests.back().Filter, "*.txt|*.txt|*.*|*.*");
    EXPECT_EQ(Window().openDialog.Filter, "*.txt|*.txt|*.*|*.*");
    EXPECT_EQ(Window().saveDialog.Filter, "*.txt|*.txt|*.*|*.*");
}

// The command line's recipients file is read as the open command reads it.
TEST_F(AddressBookList, CommandLineLoadsAnExportAsAListAndSaysWhatWasLeftOut)
{
    Sandbox.WriteSettings(std::string(CompleteSettings) + "jezik=1\n");
    const std::string list = Sandbox.MakeFile("contacts.csv", Export);
    const std::string message = Sandbox.MakeFile("message.txt", "Dear {{first}},\r\n");
    Start({QString::fromStdString(list), QString::fromStdString(message)});
    EXPECT_EQ(Entries(), (QStringList{"Ana Novak <ana@x.org>", "Bor Kralj <bor@x.org>"}));
    EXPECT_EQ(Window().recipientFields.Count(), 2);
    EXPECT_EQ(Ui.Messages, std::vector<std::string>{"1 vrstica brez e-poštnega naslova ni bila naložena."});
}

// The draft keeps the columns and each entry's values, typed entries included.
TEST_F(AddressBookList, DraftKeepsTheColumnsAndValues)
{
    Start();
    Open("in/contacts.csv", Export);
    Window().addressEdit->setText("Marko Horvat <marko@x.org>");
    Window().addRecipient();
    const TRows rows = Rows();
    const QStringList entries = Entries();
    Window().close();
    Program.reset();
    Start();
    EXPECT_EQ(Entries(), entries);
    EXPECT_EQ(Labels(), QStringList(3, "To:"));
    EXPECT_EQ(Window().recipientFields.Columns(),
              (std::vector<std::string>{"First Name", "Last Name", "E-mail Address", "Company"}));
    EXPECT_EQ(Rows(), rows);
}

}
