// SPDX-License-Identifier: GPL-3.0-or-later
#include "workflow/lists/AddressBook.h"

#include "mail/SmtpClient.h"
#include "workflow/lists/CsvText.h"
#include "workflow/lists/FieldKey.h"
#include "workflow/lists/RecipientEntry.h"

#include <algorithm>
#include <array>
#include <initializer_list>

namespace {

constexpr std::string_view Utf8Bom = "\xEF\xBB\xBF";

// Header names as the exports write them, already in HeaderKey form, best first.
const std::initializer_list<const char*> AddressNames = {"emailaddress", "email",  "email1value",  "primaryemail",
                                                         "mail",         "epošta", "epoštninaslov"};
const std::initializer_list<const char*> DisplayNameNames = {"displayname", "fullname", "name"};
const std::initializer_list<const char*> FirstNameNames = {"firstname", "givenname", "first", "ime"};
const std::initializer_list<const char*> LastNameNames = {"lastname", "familyname", "surname", "last", "priimek"};

std::string HeaderKey(const std::string& name)
{
    std::string key = FieldKey(name);
    std::erase_if(key, [](char c) { return c == '-' || c == '_'; });
    return key;
}

int FindColumn(const std::vector<std::string>& keys, std::initializer_list<const char*> names)
{
    for (const char* name : names) {
        const auto found = std::find(keys.begin(), keys.end(), name);
        if (found != keys.end())
            return static_cast<int>(found - keys.begin());
    }
    return -1;
}

} // namespace

// The delimiter that stands most often in the first line outside quotes.
char HeaderDelimiter(std::string_view text)
{
    constexpr std::array<char, 3> candidates = {',', ';', '\t'};
    std::array<int, 3> counts{};
    bool quoted = false;
    for (const char c : text) {
        if (c == '"')
            quoted = !quoted;
        else if (!quoted && (c == '\r' || c == '\n'))
            break;
        else if (!quoted)
            for (std::size_t i = 0; i < candidates.size(); ++i)
                counts[i] += c == candidates[i];
    }
    const auto most = std::max_element(counts.begin(), counts.end()); // the first of equals
    return candidates[static_cast<std::size_t>(most - counts.begin())];
}

namespace {

const std::string& Cell(const std::vector<std::string>& values, int column)
{
    static const std::string none;
    return column >= 0 ? values[static_cast<std::size_t>(column)] : none;
}

std::string AddressOf(const std::string& value)
{
    std::string address = OneLine(value);
    address = address.substr(0, address.find(":::"));
    if (address.find('<') != std::string::npos)
        address = ExtractMailbox(address);
    std::erase_if(address, [](char c) { return c == '<' || c == '>'; }); // as MakeEntry does
    return OneLine(address);
}

std::string NameOf(const std::vector<std::string>& values, const TColumnRoles& roles)
{
    const std::string displayName = OneLine(Cell(values, roles.DisplayName));
    if (!displayName.empty())
        return displayName;
    return OneLine(Cell(values, roles.FirstName) + ' ' + Cell(values, roles.LastName));
}

bool Blank(const TCsvRecord& record)
{
    return std::all_of(record.begin(), record.end(), [](const std::string& field) { return OneLine(field).empty(); });
}

} // namespace

TColumnRoles FindColumnRoles(const std::vector<std::string>& columns)
{
    std::vector<std::string> keys;
    for (const std::string& column : columns)
        keys.push_back(HeaderKey(column));
    return {FindColumn(keys, AddressNames), FindColumn(keys, DisplayNameNames), FindColumn(keys, FirstNameNames),
            FindColumn(keys, LastNameNames)};
}

std::optional<TRecipientTable> ReadAddressBook(std::string_view text)
{
    if (text.starts_with(Utf8Bom))
        text.remove_prefix(Utf8Bom.size());
    TRecipientTable table;
    table.Delimiter = HeaderDelimiter(text);
    TCsvReader reader(text, table.Delimiter);
    TCsvRecord record;
    if (!reader.Next(record))
        return std::nullopt;
    table.Columns = record;
    const TColumnRoles roles = FindColumnRoles(table.Columns);
    if (roles.Address < 0)
        return std::nullopt;
    while (reader.Next(record)) {
        if (Blank(record))
            continue;
        record.resize(table.Columns.size());
        const std::string address = AddressOf(Cell(record, roles.Address));
        if (address.empty()) {
            ++table.SkippedWithoutAddress;
            continue;
        }
        table.Rows.push_back({MakeEntry(NameOf(record, roles), address), std::move(record)});
        record = TCsvRecord();
    }
    return table;
}

std::string WriteAddressBook(const TRecipientTable& table)
{
    std::string text(Utf8Bom);
    AppendCsvRecord(text, table.Columns, table.Delimiter);
    for (const TTableRow& row : table.Rows)
        AppendCsvRecord(text, row.Values, table.Delimiter);
    return text;
}

TTableRow RowForEntry(const TRecipientTable& table, const std::string& entry)
{
    const TColumnRoles roles = FindColumnRoles(table.Columns);
    const TEntryParts parts = SplitEntry(entry);
    TTableRow row;
    row.Values.resize(table.Columns.size());
    auto put = [&row](int column, const std::string& value) {
        if (column >= 0)
            row.Values[static_cast<std::size_t>(column)] = value;
    };
    put(roles.Address, parts.Address);
    const std::string name = OneLine(parts.DisplayName);
    const std::size_t lastBlank = name.rfind(' ');
    if (roles.DisplayName >= 0)
        put(roles.DisplayName, name);
    else if (roles.FirstName < 0 || roles.LastName < 0 || lastBlank == std::string::npos)
        put(roles.FirstName >= 0 ? roles.FirstName : roles.LastName, name);
    else {
        put(roles.FirstName, name.substr(0, lastBlank));
        put(roles.LastName, name.substr(lastBlank + 1));
    }
    row.Entry = MakeEntry(NameOf(row.Values, roles), AddressOf(parts.Address));
    return row;
}
