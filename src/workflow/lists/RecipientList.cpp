// SPDX-License-Identifier: GPL-3.0-or-later
#include "workflow/lists/RecipientList.h"

#include "base/Stream.h"
#include "base/StringList.h"
#include "workflow/lists/AddressBook.h"
#include "workflow/lists/CsvText.h"
#include "workflow/lists/ListColumn.h"
#include "workflow/lists/ListFields.h"
#include "workflow/lists/RecipientEntry.h"

#include <algorithm>

namespace {

TRecipientTable EmptyTable(const TListFields& fields)
{
    TRecipientTable table;
    table.Delimiter = fields.Delimiter();
    table.Columns = fields.Columns();
    return table;
}

}

TListLoading TRecipientList::LoadFromFile(const std::string& fileName, const std::string& label)
{
    const TDecodedText decoded = DecodeText(ReadWholeFile(fileName));
    std::optional<TRecipientTable> table = ReadAddressBook(decoded.Text);
    if (!table) {
        AssignLines(decoded.Text, label);
        return {decoded.Decoding, false, 0};
    }
    TStringList entries;
    std::vector<std::vector<std::string>> rows;
    rows.reserve(table->Rows.size());
    for (TTableRow& row : table->Rows) {
        entries.Add(row.Entry);
        rows.push_back(std::move(row.Values));
    }
    FEntries.Assign(entries);
    FillLabels(label);
    if (FFields)
        FFields->Assign(std::move(table->Columns), table->Delimiter, std::move(rows));
    return {decoded.Decoding, true, table->SkippedWithoutAddress};
}

TTextDecoding TRecipientList::LoadLinesFromFile(const std::string& fileName, const std::string& label)
{
    const TDecodedText decoded = DecodeText(ReadWholeFile(fileName));
    AssignLines(decoded.Text, label);
    return decoded.Decoding;
}

void TRecipientList::AssignLines(const std::string& text, const std::string& label)
{
    TStringList lines;
    lines.SetText(text);
    FEntries.Assign(lines);
    FillLabels(label);
    if (FFields)
        FFields->Clear();
}

void TRecipientList::FillLabels(const std::string& label)
{
    TStringList labels;
    for (int i = 0; i < FEntries.Count(); ++i)
        labels.Add(label);
    FLabels.Assign(labels);
}

bool TRecipientList::Add(const std::string& text, const std::string& label)
{
    if (text.empty())
        return false;
    FEntries.Append(text);
    FLabels.Append(label);
    if (HasColumns())
        FFields->Append(RowForEntry(EmptyTable(*FFields), text).Values);
    return true;
}

void TRecipientList::DeleteSelected()
{
    const int selected = FEntries.ItemIndex();
    if (selected < 0 || selected >= FEntries.Count())
        return;
    FEntries.Remove(selected);
    if (FLabels.Count() > 0)
        FLabels.Remove(std::min(selected, FLabels.Count() - 1));
    if (FFields)
        FFields->Remove(selected);
    FEntries.SetItemIndex(std::min(selected, FEntries.Count() - 1));
}

void TRecipientList::Clear()
{
    FEntries.Clear();
    FLabels.Clear();
    if (FFields)
        FFields->Clear();
}

bool TRecipientList::HasColumns() const
{
    return FFields && FFields->HasColumns();
}

void TRecipientList::SaveToFile(const std::string& fileName) const
{
    TStringList lines;
    for (int i = 0; i < FEntries.Count(); ++i)
        lines.Add(FEntries.Item(i));
    lines.SaveToFile(fileName);
}

void TRecipientList::SaveAsTableToFile(const std::string& fileName) const
{
    if (!HasColumns()) {
        SaveToFile(fileName);
        return;
    }
    TRecipientTable table = EmptyTable(*FFields);
    const int address = FindColumnRoles(table.Columns).Address;
    for (int i = 0; i < FEntries.Count(); ++i) {
        const std::string entry = FEntries.Item(i);
        const std::vector<std::string>* values = FFields->Values(i);
        TTableRow row = values ? TTableRow{entry, *values} : RowForEntry(table, entry);
        if (!OneLine(row.Values[static_cast<std::size_t>(address)]).empty())
            table.Rows.push_back(std::move(row));
    }
    WriteWholeFile(fileName, WriteAddressBook(table));
}

void TRecipientList::SaveLabelsToFile(const std::string& fileName) const
{
    TStringList lines;
    for (int i = 0; i < FLabels.Count(); ++i)
        lines.Add(FLabels.Item(i));
    lines.SaveToFile(fileName);
}

void TRecipientList::LoadLabelsFromFile(const std::string& fileName)
{
    TStringList labels;
    labels.LoadFromFile(fileName);
    if (labels.Count() == FEntries.Count())
        FLabels.Assign(labels);
}

void TRecipientList::SaveFieldsToFile(const std::string& fileName) const
{
    std::string text;
    AppendCsvRecord(text, FFields->Columns(), FFields->Delimiter());
    const std::vector<std::string> none(FFields->Columns().size());
    for (int i = 0; i < FEntries.Count(); ++i) {
        const std::vector<std::string>* values = FFields->Values(i);
        AppendCsvRecord(text, values ? *values : none, FFields->Delimiter());
    }
    WriteWholeFile(fileName, text);
}

void TRecipientList::LoadFieldsFromFile(const std::string& fileName)
{
    const std::string text = DecodeText(ReadWholeFile(fileName)).Text;
    const char delimiter = HeaderDelimiter(text);
    std::vector<TCsvRecord> records = ReadCsvRecords(text, delimiter);
    if (!FFields || records.empty() || static_cast<int>(records.size()) - 1 != FEntries.Count())
        return;
    TCsvRecord columns = std::move(records.front());
    records.erase(records.begin());
    FFields->Assign(std::move(columns), delimiter, std::move(records));
}
