#include "workflow/MessagePreview.h"

#include "workflow/JobMessage.h"
#include "workflow/ListColumn.h"
#include "workflow/ProgramState.h"
#include "workflow/SendJob.h"

namespace {

int EntryToShow(const TListColumn& entries, int index)
{
    if (index >= 0 && index < entries.Count() && !entries.Item(index).empty())
        return index;
    for (int i = 0; i < entries.Count(); ++i)
        if (!entries.Item(i).empty())
            return i;
    return -1;
}

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
    const bool html = message.FormatIndex() != 0;
    const TJobMessage text(message.Subject(), message.BodyParagraphs(), html, fields);
    TMessagePreview preview;
    preview.Html = html;
    if (!text.Problems().empty())
        preview.Problems = Lang("Pošiljanje se ne bi začelo, ker seznam prejemnikov nima teh polj:\r",
                                "Sending would not start: the recipient list does not have these fields:\r")
            + FieldProblemLines(text.Problems());
    preview.Index = EntryToShow(entries, index);
    if (preview.Index >= 0)
        preview.Entry = entries.Item(preview.Index);
    preview.Subject = text.Subject(preview.Entry, preview.Index);
    preview.Body = text.Body(preview.Entry, preview.Index).Joined('\n');
    MarkEmptyFields(preview, text);
    return preview;
}
