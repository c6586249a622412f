// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <string>

class TStringList;

// A list control seen as its rows, with at most one selected row (-1 for none).
class TListColumn {
public:
    virtual ~TListColumn() = default;
    virtual int Count() const = 0;
    virtual std::string Item(int index) const = 0;
    virtual void Append(const std::string& text) = 0;
    virtual void Remove(int index) = 0;
    virtual void Clear() = 0;
    virtual void Assign(const TStringList& lines) = 0;
    virtual int ItemIndex() const = 0;
    virtual void SetItemIndex(int index) = 0;
};
