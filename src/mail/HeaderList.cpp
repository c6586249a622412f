// SPDX-License-Identifier: GPL-3.0-or-later
#include "mail/HeaderList.h"

namespace {

// The field name of a line; lines without a colon have none.
bool FieldName(const std::string& line, std::string& name)
{
    const size_t colon = line.find(':');
    if (colon == std::string::npos)
        return false;
    name.assign(line, 0, colon);
    return true;
}

} // namespace

int THeaderList::IndexOfHeader(const std::string& name) const
{
    return Sorted() ? SearchSortedForHeader(name) : ScanForHeader(name);
}

int THeaderList::ScanForHeader(const std::string& name) const
{
    std::string field;
    for (int i = 0; i < Count(); ++i)
        if (FieldName(Strings(i), field) && CompareTextNoCase(field, name) == 0)
            return i;
    return -1;
}

int THeaderList::SearchSortedForHeader(const std::string& name) const
{
    int low = 0;
    int high = Count() - 1;
    std::string key;
    while (low <= high) {
        const int middle = low + (high - low) / 2;
        if (!FieldName(Strings(middle), key))
            key.clear();
        const int order = CompareTextNoCase(key, name);
        if (order == 0)
            return middle;
        if (order < 0)
            low = middle + 1;
        else
            high = middle - 1;
    }
    return -1;
}

void THeaderList::SetHeaderValue(const std::string& name, const std::string& value)
{
    const int index = IndexOfHeader(name);
    if (value.empty()) {
        if (index >= 0)
            Delete(index);
        return;
    }
    const std::string line = name + ": " + value;
    if (index >= 0)
        Put(index, line); // an existing field keeps its place
    else
        Add(line); // a sorted list files the new line where it belongs
}
