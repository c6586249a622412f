// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "base/StringList.h"
#include "workflow/lists/ListColumn.h"

#include <string>
#include <vector>

// A list column held in memory: the rows and the selection, without a window.
// Removing or replacing rows drops a selection that no longer points at a row.
class TRowsColumn : public TListColumn {
public:
    TRowsColumn() = default;
    explicit TRowsColumn(std::vector<std::string> rows) : Rows(std::move(rows)) { }

    int Count() const override { return static_cast<int>(Rows.size()); }
    std::string Item(int index) const override { return Rows.at(static_cast<std::size_t>(index)); }
    void Append(const std::string& text) override { Rows.push_back(text); }
    void Remove(int index) override
    {
        Rows.erase(Rows.begin() + index);
        if (Selected >= Count())
            Selected = -1;
    }
    void Clear() override
    {
        Rows.clear();
        Selected = -1;
    }
    void Assign(const TStringList& lines) override
    {
        Rows = lines.Lines();
        Selected = -1;
    }
    int ItemIndex() const override { return Selected; }
    void SetItemIndex(int index) override { Selected = index >= 0 && index < Count() ? index : -1; }

    std::vector<std::string> Rows;
    int Selected = -1;
};
