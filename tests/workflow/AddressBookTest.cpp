// SPDX-License-Identifier: GPL-3.0-or-later
#include "workflow/lists/AddressBook.h"

#include <gtest/gtest.h>

namespace {

struct ExportCase {
    const char* name;
    std::string text;
    char delimiter;
    std::vector<std::string> entries;
    int skipped;
};

void PrintTo(const ExportCase& c, std::ostream* os)
{
    *os << c.name;
}

std::vector<std::string> EntriesOf(const TRecipientTable& table)
{
    std::vector<std::string> entries;
    for (const TTableRow& row : table.Rows)
        entries.push_back(row.Entry);
    return entries;
}

// Shaped as the exports write them: every field quoted (Outlook), " ::: " between several
// values (Google), a comma after the last column (Thunderbird).
const std::string Outlook =
    "\"First Name\",\"Middle Name\",\"Last Name\",\"Nickname\",\"E-mail Address\",\"E-mail 2 Address\","
    "\"Company\",\"Home Street\",\"Notes\"\r\n"
    "\"Ana\",\"\",\"Novak\",\"Ani\",\"ana.novak@example.si\",\"ana@home.example\",\"Kos & Sinovi, d.o.o.\","
    "\"Trg 1\r\nLjubljana\",\"Met at \"\"Expo\"\", 2023\"\r\n"
    "\"Bojan\",\"\",\"Kralj\",\"\",\"\",\"bojan@home.example\",\"\",\"\",\"\"\r\n"
    "\"\",\"\",\"\",\"\",\"info@firm.example\",\"\",\"Firm\",\"\",\"\"\r\n";
const std::string Google =
    "Name,Given Name,Family Name,Nickname,Notes,Group Membership,E-mail 1 - Type,E-mail 1 - Value,"
    "Phone 1 - Type,Phone 1 - Value\r\n"
    "Ana Novak,Ana,Novak,,,* myContacts,* Home ::: Work,ana@home.example ::: ana@work.example,Mobile,"
    "+386 40 123 456\r\n"
    ",Cene,Kos,,,* myContacts,* Other,cene@example.org,,\r\n";
const std::string Thunderbird =
    "First Name,Last Name,Display Name,Nickname,Primary Email,Secondary Email,Organization,Notes,\n"
    "Ana,Novak,Ani N.,ani,ana@x.org,,\"Firm, Inc\",,\n"
    ",,,,,bob@x.org,,,\n"
    "Novak,Ana,\"Novak, Ana\",,novak@x.org,,,,\n";

class AddressBookExport : public ::testing::TestWithParam<ExportCase> { };

TEST_P(AddressBookExport, GivesOneEntryPerRowWithAnAddress)
{
    const std::optional<TRecipientTable> table = ReadAddressBook(GetParam().text);
    ASSERT_TRUE(table);
    EXPECT_EQ(table->Delimiter, GetParam().delimiter);
    EXPECT_EQ(EntriesOf(*table), GetParam().entries);
    EXPECT_EQ(table->SkippedWithoutAddress, GetParam().skipped);
    for (const TTableRow& row : table->Rows)
        EXPECT_EQ(row.Values.size(), table->Columns.size());
}

TEST_P(AddressBookExport, WrittenAndReadBackIsTheSameTable)
{
    TRecipientTable table = *ReadAddressBook(GetParam().text);
    table.SkippedWithoutAddress = 0;
    EXPECT_EQ(ReadAddressBook(WriteAddressBook(table)), table);
}

INSTANTIATE_TEST_SUITE_P(
    Exports, AddressBookExport,
    ::testing::Values(
        ExportCase{"Outlook", Outlook, ',', {"Ana Novak <ana.novak@example.si>", "info@firm.example"}, 1},
        ExportCase{"Google", Google, ',', {"Ana Novak <ana@home.example>", "Cene Kos <cene@example.org>"}, 0},
        ExportCase{"Thunderbird", Thunderbird, ',', {"Ani N. <ana@x.org>", "\"Novak, Ana\" <novak@x.org>"}, 1},
        ExportCase{"SemicolonWithBom",
                   "\xEF\xBB\xBFIme;Priimek;E-pošta;Podjetje\r\n"
                   "Ana;Novak;ana@x.si;\"Kos; d.o.o.\"\r\nCene;;cene@x.si\r\n",
                   ';',
                   {"Ana Novak <ana@x.si>", "Cene <cene@x.si>"},
                   0},
        ExportCase{
            "Tab", "Name\tEmail\tCity\nAna Novak\tana@x.org\tKranj, Slovenia\n", '\t', {"Ana Novak <ana@x.org>"}, 0},
        ExportCase{"EmptyRowsDroppedNotCounted",
                   "email,name\r\n\r\n,\r\n a@x.org ,\r\n  ,  \r\n,Bob\r\n",
                   ',',
                   {"a@x.org"},
                   1},
        ExportCase{
            "OneColumn", "E-mail\r\nana@x.org\r\n\"Ana, N. <ana@y.org>\"\r\n", ',', {"ana@x.org", "ana@y.org"}, 0},
        ExportCase{"AddressesTheEnvelopeReadsAsWritten", "Email\r\nx:y@z.org\r\n>>\r\n<>\r\n", ',', {"<x:y@z.org>"}, 2},
        ExportCase{"LineBreakInNameMadeOneLine",
                   "Full Name,mail\r\n\"Ana\r\nBcc: eve@x.org\",ana@x.org\r\n",
                   ',',
                   {"\"Ana Bcc: eve@x.org\" <ana@x.org>"},
                   0},
        ExportCase{"HeaderOnly", "First Name,Last Name,Email Address\r\n", ',', {}, 0}),
    [](const auto& info) { return info.param.name; });

TEST(AddressBook, KeepsEveryColumnValueOfARow)
{
    const TRecipientTable table = *ReadAddressBook(Outlook);
    EXPECT_EQ(table.Columns.at(8), "Notes");
    EXPECT_EQ(table.Rows.at(0).Values,
              (std::vector<std::string>{"Ana", "", "Novak", "Ani", "ana.novak@example.si", "ana@home.example",
                                        "Kos & Sinovi, d.o.o.", "Trg 1\r\nLjubljana", "Met at \"Expo\", 2023"}));
}

TEST(AddressBook, ShortRowsArePaddedAndLongRowsCut)
{
    const TRecipientTable table = *ReadAddressBook("Email;Name;City\na@x.org\nb@x.org;Bob;Kranj;extra\n");
    EXPECT_EQ(table.Rows.at(0).Values, (std::vector<std::string>{"a@x.org", "", ""}));
    EXPECT_EQ(table.Rows.at(1).Values, (std::vector<std::string>{"b@x.org", "Bob", "Kranj"}));
}

TEST(AddressBook, AnythingWithoutAnEmailColumnInItsFirstLineIsNoList)
{
    const char* texts[] = {
        "",
        "\r\nEmail\r\na@x.org\r\n",
        "Name,Phone\r\nAna,123\r\n",
        "ana@x.org\r\nbob@x.org\r\n",
        "Ana Novak <ana@x.org>\r\nEmail\r\n",
        "E-mail Type,E-mail Display Name,Secondary Email\r\nSMTP,Ana,ana@x.org\r\n",
        "Name,\"Email;Phone\"\r\n",
    };
    for (const char* text : texts)
        EXPECT_FALSE(ReadAddressBook(text)) << text;
}

TEST(AddressBook, DelimiterIsTheOneMostOftenOutsideQuotes)
{
    EXPECT_EQ(ReadAddressBook("\"Last, First\";Name;Email\r\n")->Delimiter, ';');
    EXPECT_EQ(ReadAddressBook("Email,Name;Title\r\n")->Delimiter, ',');
    EXPECT_EQ(ReadAddressBook("Email,Name;Title\tPhone\r\n")->Delimiter, ',');
    EXPECT_EQ(ReadAddressBook("Email\t\"Name\tTitle\"\tPhone,Fax\r\n")->Delimiter, '\t');
}

TEST(AddressBook, ColumnNamesMatchWithoutCaseBlanksOrHyphens)
{
    for (const char* name : {"E-mail Address", "EMAIL_ADDRESS", "e-mail", "E-Mail 1 - Value", "primary email", "Mail",
                             "E-pošta", "E-POŠTNI NASLOV"})
        EXPECT_EQ(FindColumnRoles({"Notes", name}).Address, 1) << name;
    const TColumnRoles roles =
        FindColumnRoles({"Name", "Surname", "Given Name", "Display Name", "Email", "E-mail Address"});
    EXPECT_EQ(roles.Address, 5);
    EXPECT_EQ(roles.DisplayName, 3);
    EXPECT_EQ(roles.FirstName, 2);
    EXPECT_EQ(roles.LastName, 1);
}

TEST(AddressBook, TypedEntriesBecomeRowsThatReadBackAsTheSameEntries)
{
    struct {
        std::string header, entry, row;
    } cases[] = {
        {"First Name,Last Name,E-mail Address,Notes", "Ana Marija Novak <ana@x.org>", "Ana Marija,Novak,ana@x.org,"},
        {"Display Name,First Name,Primary Email", "\"Novak, Ana\" <ana@x.org>", "\"Novak, Ana\",,ana@x.org"},
        {"Email,First Name", "Ana Novak <ana@x.org>", "ana@x.org,Ana Novak"},
        {"Email,Notes", "Ana <ana@x.org>", "ana@x.org,"},
        {"Last Name,Email", "bob@x.org", ",bob@x.org"},
    };
    for (const auto& c : cases) {
        TRecipientTable table = *ReadAddressBook(c.header + "\r\n");
        table.Rows.push_back(RowForEntry(table, c.entry));
        const std::string written = WriteAddressBook(table);
        EXPECT_EQ(written, "\xEF\xBB\xBF" + c.header + "\r\n" + c.row + "\r\n") << c.entry;
        EXPECT_EQ(ReadAddressBook(written), table) << c.entry;
    }
}

} // namespace
