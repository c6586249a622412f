// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "base/StringList.h"

#include <string>

// Header lines of an outgoing message ("Name: value"), with lookup and update by
// field name. The field name is the text before the first colon, untrimmed.
class THeaderList : public TStringList {
public:
    // Index of the line whose field name matches (ignoring letter case), or -1.
    int IndexOfHeader(const std::string& name) const;
    // Replaces or adds the field; an empty value removes it instead.
    void SetHeaderValue(const std::string& name, const std::string& value);

private:
    int ScanForHeader(const std::string& name) const;
    int SearchSortedForHeader(const std::string& name) const;
};
