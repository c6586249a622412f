// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <string>

class TListColumn;
class TListFields;
class TMessageFields;

// The message as one entry of the list will get it, fields filled in.
struct TMessagePreview {
    int Index = -1; // the entry shown; -1 when the list has none to send to
    std::string Entry;
    std::string Subject;
    std::string Body; // the paragraphs, each ended by LF but the last
    bool Html = false;
    // Why the job would not start (the fields the list does not have and where, a line
    // each, after CR), empty when it would; those fields stand in the text as written.
    // Then, after CR, the fields that come out empty for this entry.
    std::string Problems;
};

// index when it is an entry that is not empty, else the first entry that is not empty (a
// job passes empty ones over); -1 when there is none.
int EntryToShow(const TListColumn& entries, int index);

// The entry at index, or when that is no entry or an empty one (which the job passes
// over), the first entry that is not empty. The same composition as the send job's.
TMessagePreview PreviewMessage(const TMessageFields& message, const TListColumn& entries, const TListFields* fields,
                               int index);
