// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/DryRun.h"

#include "cli/MessageReading.h"
#include "workflow/compose/MessageComposer.h"
#include "workflow/compose/MessagePreview.h"
#include "workflow/compose/Unsubscribe.h"
#include "workflow/job/SendJob.h"
#include "workflow/ui/Messages.h"
#include "workflow/ui/UserInterface.h"

#include <optional>
#include <string>

namespace {

void Write(std::FILE* output, const std::string& bytes)
{
    std::fwrite(bytes.data(), 1, bytes.size(), output);
    std::fflush(output);
}

} // namespace

std::optional<std::string> ComposeFirstMessage(const TListColumn& entries, const TListFields& fields,
                                               const TMessageFields& message, TSendSettings& settings)
{
    const TSettings values = settings.Values();
    TMessageComposer composer(
        message, &fields,
        {values.Email, values.Name, values.Charset, UnsubscribeHeaders(values.Unsubscribe, values.Email)});
    if (!composer.Problems().empty()) {
        UserInterface().ShowMessage(FieldProblemsMessage(composer.Problems()));
        return std::nullopt;
    }
    // The entry the job would send to first (empty entries are passed over).
    const int first = EntryToShow(entries, 0);
    if (first < 0) {
        UserInterface().ShowMessage(Messages::NoRecipients());
        return std::nullopt;
    }
    composer.Compose(entries.Item(first), first);
    TMemoryStream& body = composer.Body();
    return composer.HeaderBlock() + std::string(body.Memory(), static_cast<std::size_t>(body.Size()));
}

bool PrintFirstMessage(const TListColumn& entries, const TListFields& fields, const TMessageFields& message,
                       TSendSettings& settings, std::FILE* output)
{
    const std::optional<std::string> composed = ComposeFirstMessage(entries, fields, message, settings);
    if (composed)
        Write(output, *composed);
    return composed.has_value();
}

bool PrintFirstMessageAsRead(const TListColumn& entries, const TListFields& fields, const TMessageFields& message,
                             TSendSettings& settings, std::FILE* output)
{
    const std::optional<std::string> composed = ComposeFirstMessage(entries, fields, message, settings);
    if (composed)
        Write(output, ReadableMessage(*composed));
    return composed.has_value();
}
