// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <functional>
#include <string>
#include <vector>

class TJobMessage;

// The personal fields that come out empty, and for how many of the job's recipients: a
// greeting "Dear {{first}}," for a list of bare addresses would go out as "Dear ," to all.
struct TEmptyField {
    std::string Field; // as written, "{{first}}"
    int Empty = 0;
};

struct TEmptyFieldCount {
    std::vector<TEmptyField> Fields; // in the order they first come out empty
    int Recipients = 0;              // the entries counted
    bool Any() const { return !Fields.empty(); }
};

// Over the non-empty entries the skip function lets through (null: all).
TEmptyFieldCount CountEmptyFields(const TJobMessage& message, const std::vector<std::string>& entries,
                                  const std::function<bool(const std::string&)>& skip = {});

// A line per field, "{{first}} is empty for 300 of 300 recipients", separated by sep.
std::string EmptyFieldLines(const TEmptyFieldCount& count, const std::string& sep);
