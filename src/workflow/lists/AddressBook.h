// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Address-book exports (Outlook, Google Contacts, Thunderbird and the like) and spreadsheets
// saved as CSV or tab-separated text, as recipient lists.
//
// A text is such a list when its first line is a header naming an e-mail column. The
// delimiter is the one of comma, semicolon and tab that stands most often in that line
// outside quotes (ties: comma, then semicolon, then tab; none: comma, a one-column file).
// Column names are matched case-insensitively, ignoring blanks, hyphens and underscores:
// - address, the first of: "E-mail Address", "Email" (also "E-mail", "email"),
//   "E-mail 1 - Value", "Primary Email", "mail", "E-pošta",
//   "E-poštni naslov";
// - display name, the first of: "Display Name", "Full Name", "Name";
// - first name: "First Name", "Given Name", "First", "Ime";
// - last name: "Last Name", "Family Name", "Surname", "Last", "Priimek".
// Each further row gives the entry MakeEntry(name, address): the name is the display-name
// value, or else the first and last name joined by a blank; with no name the entry is the
// bare address. The address value is made one line; of several joined by ":::" (as Google
// writes them) the first counts, and of "Name <box>" the box. Rows whose fields are all
// blank are dropped; rows with values but no address are dropped and counted.

struct TTableRow {
    std::string Entry;
    std::vector<std::string> Values; // one per column, as read; missing cells are empty and
                                     // cells beyond the header's columns are dropped
    bool operator==(const TTableRow&) const = default;
};

struct TRecipientTable {
    char Delimiter = ',';
    std::vector<std::string> Columns; // the header's names as written
    std::vector<TTableRow> Rows;      // the rows with an address, in file order
    int SkippedWithoutAddress = 0;
    bool operator==(const TRecipientTable&) const = default;
};

// The columns that make the entries; -1 where the header has none.
struct TColumnRoles {
    int Address = -1;
    int DisplayName = -1;
    int FirstName = -1;
    int LastName = -1;
};

TColumnRoles FindColumnRoles(const std::vector<std::string>& columns);

// The delimiter of a text's first line as ReadAddressBook chooses it. A header that
// WriteAddressBook or AppendCsvRecord wrote gives back the delimiter it was written with.
char HeaderDelimiter(std::string_view text);

// The list in a decoded text (UTF-8, a leading byte-order mark ignored); nothing when
// the first line is not a header with an e-mail column: the caller loads plain lines.
std::optional<TRecipientTable> ReadAddressBook(std::string_view text);

// The header and the rows' values with the table's delimiter, every line ended by CR LF,
// after a UTF-8 byte-order mark (spreadsheets take a file without one for the system's
// 8-bit code page and garble č, š, ž). ReadAddressBook gives back the same table (with no
// rows skipped).
std::string WriteAddressBook(const TRecipientTable& table);

// A row for an entry that has no values of its own (typed into a list loaded from a table):
// the address in the address column and the display name in the display-name column, or
// split at its last blank into the first- and last-name columns. Its Entry is the one that
// reading the written row back gives; an entry without an address gives a row that
// reading skips, so the caller leaves such entries out.
TTableRow RowForEntry(const TRecipientTable& table, const std::string& entry);
