// SPDX-License-Identifier: GPL-3.0-or-later
#include "workflow/lists/ListFields.h"

const std::vector<std::string>* TListFields::Values(int index) const
{
    if (index < 0 || index >= Count())
        return nullptr;
    return &FRows[static_cast<std::size_t>(index)];
}

void TListFields::Assign(std::vector<std::string> columns, char delimiter, std::vector<std::vector<std::string>> rows)
{
    if (columns != FColumns)
        ++FGeneration;
    FColumns = std::move(columns);
    FDelimiter = delimiter;
    FRows = std::move(rows);
    for (std::vector<std::string>& row : FRows)
        row.resize(FColumns.size());
}

void TListFields::Clear()
{
    Assign({}, ',', {});
}

void TListFields::Append(std::vector<std::string> values)
{
    values.resize(FColumns.size());
    FRows.push_back(std::move(values));
}

void TListFields::Remove(int index)
{
    if (index >= 0 && index < Count())
        FRows.erase(FRows.begin() + index);
}
