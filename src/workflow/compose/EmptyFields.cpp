// SPDX-License-Identifier: GPL-3.0-or-later
#include "workflow/compose/EmptyFields.h"

#include "workflow/compose/JobMessage.h"
#include "workflow/limits/LimitMessages.h"

#include <algorithm>

TEmptyFieldCount CountEmptyFields(const TJobMessage& message, const std::vector<std::string>& entries,
                                  const std::function<bool(const std::string&)>& skip)
{
    TEmptyFieldCount count;
    if (!message.HasFields())
        return count;
    for (std::size_t index = 0; index < entries.size(); ++index) {
        const std::string& entry = entries[index];
        if (entry.empty() || (skip && skip(entry)))
            continue;
        ++count.Recipients;
        for (const std::string& field : message.EmptyFields(entry, static_cast<int>(index))) {
            auto found = std::find_if(count.Fields.begin(), count.Fields.end(),
                                      [&field](const TEmptyField& known) { return known.Field == field; });
            if (found == count.Fields.end())
                found = count.Fields.insert(count.Fields.end(), {field, 0});
            ++found->Empty;
        }
    }
    return count;
}

std::string EmptyFieldLines(const TEmptyFieldCount& count, const std::string& sep)
{
    std::string lines;
    for (const TEmptyField& field : count.Fields)
        lines += (lines.empty() ? "" : sep) + Messages::EmptyFieldNotice(field.Field, field.Empty, count.Recipients);
    return lines;
}
