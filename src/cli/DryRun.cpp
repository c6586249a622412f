#include "cli/DryRun.h"

#include "workflow/MessageComposer.h"
#include "workflow/MessagePreview.h"
#include "workflow/Messages.h"
#include "workflow/SendJob.h"
#include "workflow/UserInterface.h"

namespace {

void Write(std::FILE* output, const char* bytes, std::size_t size)
{
    std::fwrite(bytes, 1, size, output);
}

} // namespace

bool PrintFirstMessage(const TListColumn& entries, const TListFields& fields, const TMessageFields& message,
                       TSendSettings& settings, std::FILE* output)
{
    const TSettings values = settings.Values();
    TMessageComposer composer(message, &fields, {values.Email, values.Name, values.Charset});
    if (!composer.Problems().empty()) {
        UserInterface().ShowMessage(FieldProblemsMessage(composer.Problems()));
        return false;
    }
    // The entry the job would send to first (empty entries are passed over).
    const int first = EntryToShow(entries, 0);
    if (first < 0) {
        UserInterface().ShowMessage(Messages::NoRecipients());
        return false;
    }
    composer.Compose(entries.Item(first), first);
    const std::string& header = composer.HeaderBlock();
    Write(output, header.data(), header.size());
    TMemoryStream& body = composer.Body();
    Write(output, body.Memory(), static_cast<std::size_t>(body.Size()));
    std::fflush(output);
    return true;
}
