// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "base/StringList.h"
#include "workflow/compose/MessageMerge.h"

#include <string>
#include <vector>

class TListFields;

// The subject and body of one job as each entry gets them: read once, when the job
// starts, with their personal fields (MessageMerge.h) checked against the list's columns
// then. A message without fields is given back exactly as read, for every entry.
class TJobMessage {
public:
    // fields: the list's columns and values; null for a list that has none.
    TJobMessage(const std::string& subject, const TStringList& body, bool html, const TListFields* fields);

    // The fields the list does not have; the job must not start while there is one.
    const std::vector<TFieldProblem>& Problems() const { return FMerge.Problems(); }

    // For the entry at index of the list, as read from it. Raises Exception when the
    // message names columns and the list has other columns than at the start (another
    // file was loaded meanwhile): its values no longer mean what was checked.
    std::string Subject(const std::string& entry, int index) const;
    TStringList Body(const std::string& entry, int index) const;
    std::vector<std::string> EmptyFields(const std::string& entry, int index) const;
    bool HasFields() const { return FMerge.HasFields(); }

private:
    TMergeRecipient Recipient(const std::string& entry, int index) const;

    static std::vector<std::string> ColumnsOf(const TListFields* fields);

    const TListFields* FFields;
    unsigned FGeneration;
    TMessageMerge FMerge;
};
