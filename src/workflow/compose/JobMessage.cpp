// SPDX-License-Identifier: GPL-3.0-or-later
#include "workflow/compose/JobMessage.h"

#include "base/Exception.h"
#include "workflow/lists/ListFields.h"

TJobMessage::TJobMessage(const std::string& subject, const TStringList& body, bool html, const TListFields* fields)
    : FFields(fields), FGeneration(fields ? fields->Generation() : 0), FMerge(subject, body, html, ColumnsOf(fields))
{
}

std::vector<std::string> TJobMessage::ColumnsOf(const TListFields* fields)
{
    return fields ? fields->Columns() : std::vector<std::string>();
}

TMergeRecipient TJobMessage::Recipient(const std::string& entry, int index) const
{
    if (!FMerge.UsesColumns() || !FFields)
        return {entry, nullptr};
    if (FFields->Generation() != FGeneration)
        throw Exception("The recipient list has other columns than when the job started");
    return {entry, FFields->Values(index)};
}

std::string TJobMessage::Subject(const std::string& entry, int index) const
{
    return FMerge.Subject(Recipient(entry, index));
}

TStringList TJobMessage::Body(const std::string& entry, int index) const
{
    return FMerge.Body(Recipient(entry, index));
}

std::vector<std::string> TJobMessage::EmptyFields(const std::string& entry, int index) const
{
    return FMerge.EmptyFields(Recipient(entry, index));
}
