// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <string>
#include <vector>

// The columns of a recipient list read from an address book or a spreadsheet, and each
// entry's values in them: one row of values per entry, in the list's order. A plain list
// (one entry a line) has no columns and no rows. TRecipientList keeps the rows in step
// with the entries; readers take a missing row as an entry without values.
class TListFields {
public:
    bool HasColumns() const { return !FColumns.empty(); }
    const std::vector<std::string>& Columns() const { return FColumns; }
    char Delimiter() const { return FDelimiter; }
    int Count() const { return static_cast<int>(FRows.size()); }
    // The values of the entry at index, one per column; null when it has none.
    const std::vector<std::string>* Values(int index) const;

    // The list now has these columns and rows (each row cut or filled to the columns).
    void Assign(std::vector<std::string> columns, char delimiter, std::vector<std::vector<std::string>> rows);
    // A plain list again.
    void Clear();
    void Append(std::vector<std::string> values);
    void Remove(int index);

    // Changes whenever the columns do. A value read by index means what the columns
    // said when the reader last looked only while this number is the same: a list
    // loaded from another file under a running job has other columns.
    unsigned Generation() const { return FGeneration; }

private:
    std::vector<std::string> FColumns;
    char FDelimiter = ',';
    std::vector<std::vector<std::string>> FRows;
    unsigned FGeneration = 0;
};
