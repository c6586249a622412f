#include "cli/DryRun.h"

#include "mail/SmtpClient.h"
#include "workflow/JobMessage.h"
#include "workflow/MessagePreview.h"
#include "workflow/Messages.h"
#include "workflow/SendJob.h"
#include "workflow/UserInterface.h"

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

bool PrintFirstMessage(const TListColumn& entries, const TListFields& fields, const TMessageFields& message,
                       TSendSettings& settings, std::FILE* output)
{
    const TJobMessage checked(message.Subject(), message.BodyParagraphs(), message.FormatIndex() != 0, &fields);
    if (!checked.Problems().empty()) {
        UserInterface().ShowMessage(FieldProblemsMessage(checked.Problems()));
        return false;
    }
    // The entry the job would send to first (empty entries are passed over).
    const int first = PreviewMessage(message, entries, &fields, 0).Index;
    if (first < 0) {
        UserInterface().ShowMessage(Messages::NoRecipients());
        return false;
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
    const std::string header = smtp.HeaderBlock();
    Write(output, header.data(), header.size());
    TMemoryStream& body = smtp.MessageBody();
    Write(output, body.Memory(), static_cast<std::size_t>(body.Size()));
    std::fflush(output);
    return true;
}
