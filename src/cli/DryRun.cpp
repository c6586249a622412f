#include "cli/DryRun.h"

#include "cli/MessageReading.h"

#include "mail/SmtpClient.h"
#include "workflow/JobMessage.h"
#include "workflow/MessagePreview.h"
#include "workflow/Messages.h"
#include "workflow/SendJob.h"
#include "workflow/UserInterface.h"

#include <optional>
#include <string>

namespace {

// A dry run shows no progress.
class TNoProgress : public TSendProgress {
public:
    void ShowState(const std::string&) override {}
    void ShowCounter(const std::string&) override {}
    void ShowLogWindow() override {}
    void ClearLog() override {}
    void AppendLogLine(const std::string&) override {}
    void Flush() override {}
};

void Write(std::FILE* output, const char* bytes, std::size_t size)
{
    std::fwrite(bytes, 1, size, output);
}

} // namespace

std::optional<std::string> ComposeFirstMessage(const TListColumn& entries, const TListFields& fields,
                                               const TMessageFields& message, TSendSettings& settings)
{
    const TJobMessage checked(message.Subject(), message.BodyParagraphs(), message.FormatIndex() != 0, &fields);
    if (!checked.Problems().empty()) {
        UserInterface().ShowMessage(FieldProblemsMessage(checked.Problems()));
        return std::nullopt;
    }
    // The entry the job would send to first (empty entries are passed over).
    const int first = PreviewMessage(message, entries, &fields, 0).Index;
    if (first < 0) {
        UserInterface().ShowMessage(Messages::NoRecipients());
        return std::nullopt;
    }
    TSmtpClient smtp;
    TNoProgress progress;
    TSendJob job(smtp, entries, message, settings, progress, nullptr);
    job.SetListFields(&fields);
    job.Configure();
    job.TakeEntries();
    job.CurrentRecipient = first;
    job.ComposeForCurrentEntry();
    smtp.BuildMessage();
    TMemoryStream& body = smtp.MessageBody();
    return smtp.HeaderBlock() + std::string(body.Memory(), static_cast<std::size_t>(body.Size()));
}

bool PrintFirstMessage(const TListColumn& entries, const TListFields& fields, const TMessageFields& message,
                       TSendSettings& settings, std::FILE* output)
{
    const std::optional<std::string> composed = ComposeFirstMessage(entries, fields, message, settings);
    if (!composed)
        return false;
    Write(output, composed->data(), composed->size());
    std::fflush(output);
    return true;
}

bool PrintFirstMessageAsRead(const TListColumn& entries, const TListFields& fields, const TMessageFields& message,
                             TSendSettings& settings, std::FILE* output)
{
    const std::optional<std::string> composed = ComposeFirstMessage(entries, fields, message, settings);
    if (!composed)
        return false;
    const std::string reading = ReadableMessage(*composed);
    Write(output, reading.data(), reading.size());
    std::fflush(output);
    return true;
}
