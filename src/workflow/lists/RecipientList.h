// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "base/TextDecoding.h"

#include <string>

class TListColumn;
class TListFields;

// What loading a recipients file found.
struct TListLoading {
    TTextDecoding Decoding;
    bool Table = false;            // read as an address-book export, with columns
    int SkippedWithoutAddress = 0; // rows of such a file that named no address
};

// The recipient entries and their label column beside them. The label column always
// holds one label per entry: a copy of the add button's caption when the entry joined,
// so labels already standing keep the language in which they were added.
//
// A list read from an address-book export also has columns and a row of values per entry
// (TListFields, when the list is given one), kept in step through every change here.
class TRecipientList {
public:
    TRecipientList(TListColumn& entries, TListColumn& labels, TListFields* fields = nullptr)
        : FEntries(entries), FLabels(labels), FFields(fields)
    {
    }

    // The file, decoded, replaces all entries. A file whose first line is a CSV or
    // tab-separated header with an e-mail column (AddressBook.h) gives an entry per row
    // with an address, the row's cells as its values; any other file an entry per line.
    // Raises EFOpenError with the list unchanged.
    TListLoading LoadFromFile(const std::string& fileName, const std::string& label);
    // One entry per line, whatever the first line holds; the list has no columns then.
    TTextDecoding LoadLinesFromFile(const std::string& fileName, const std::string& label);
    // Appends text unless it is empty (blanks count as text); true when it was added.
    // In a list with columns the entry's values are those RowForEntry gives it.
    bool Add(const std::string& text, const std::string& label);
    // Removes the selected entry and selects the one that took its place, or the new last.
    void DeleteSelected();
    // Empties the list, columns included: what is typed next starts a plain list.
    void Clear();
    bool HasColumns() const;

    // Every entry followed by CR LF; raises EFCreateError.
    void SaveToFile(const std::string& fileName) const;
    // The columns and the entries' values as an address-book export (WriteAddressBook),
    // which LoadFromFile reads back as the same entries with the same values. A row
    // without an address is left out, as reading would skip it. Raises EFCreateError.
    void SaveAsTableToFile(const std::string& fileName) const;

    // The label column in a file of its own, one label a line, to go with a saved list.
    void SaveLabelsToFile(const std::string& fileName) const;
    // Labels saved with the entries now in the list: taken only when there is one per
    // entry, so that the two columns never differ in length. Raises EFOpenError.
    void LoadLabelsFromFile(const std::string& fileName);
    // The columns and every entry's row, in step with the entries, to go with a saved
    // list (one CSV record per entry after the header, blank rows too).
    void SaveFieldsToFile(const std::string& fileName) const;
    // Columns saved with the entries now in the list: taken only when there is a row per
    // entry. Raises EFOpenError.
    void LoadFieldsFromFile(const std::string& fileName);

private:
    void AssignLines(const std::string& text, const std::string& label);
    void FillLabels(const std::string& label);

    TListColumn& FEntries;
    TListColumn& FLabels;
    TListFields* FFields;
};
