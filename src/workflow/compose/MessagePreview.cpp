// SPDX-License-Identifier: GPL-3.0-or-later
#include "workflow/compose/MessagePreview.h"

#include "workflow/compose/MessageComposer.h"
#include "workflow/compose/MessageFields.h"
#include "workflow/lists/ListColumn.h"
#include "workflow/program/ProgramState.h"

int EntryToShow(const TListColumn& entries, int index)
{
    if (index >= 0 && index < entries.Count() && !entries.Item(index).empty())
        return index;
    for (int i = 0; i < entries.Count(); ++i)
        if (!entries.Item(i).empty())
            return i;
    return -1;
}

namespace {

// A field that comes out empty for the entry shown is named under the message.
void MarkEmptyFields(TMessagePreview& preview, const TJobMessage& text)
{
    if (preview.Index < 0)
        return;
    std::string fields;
    for (const std::string& field : text.EmptyFields(preview.Entry, preview.Index))
        fields += (fields.empty() ? "" : ", ") + field;
    if (!fields.empty())
        preview.Problems += (preview.Problems.empty() ? "" : "\r")
            + std::string(Lang("Prazno pri tem prejemniku: ", "Empty for this recipient: ")) + fields;
}

}

TMessagePreview PreviewMessage(const TMessageFields& message, const TListColumn& entries, const TListFields* fields,
                               int index)
{
    // The text only: the sender and the stamps do not show.
    const TMessageComposer text(message, fields, {});
    TMessagePreview preview;
    preview.Html = text.Html();
    if (!text.Problems().empty())
        preview.Problems = Lang("Pošiljanje se ne bi začelo, ker seznam prejemnikov nima teh polj:\r",
                                "Sending would not start: the recipient list does not have these fields:\r")
            + FieldProblemLines(text.Problems());
    preview.Index = EntryToShow(entries, index);
    if (preview.Index >= 0)
        preview.Entry = entries.Item(preview.Index);
    preview.Subject = text.SubjectFor(preview.Entry, preview.Index);
    preview.Body = text.ParagraphsFor(preview.Entry, preview.Index).Joined('\n');
    MarkEmptyFields(preview, text.Text());
    return preview;
}
