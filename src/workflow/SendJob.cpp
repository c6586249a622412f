#include "workflow/SendJob.h"

#include "base/Exception.h"
#include "mail/SmtpClient.h"
#include "platform/WaitStep.h"
#include "workflow/IntegerText.h"
#include "workflow/JobMessage.h"
#include "workflow/ListColumn.h"
#include "workflow/Messages.h"
#include "workflow/Pause.h"
#include "workflow/ProgramFolder.h"
#include "workflow/ProgramState.h"
#include "workflow/UserInterface.h"

#include <QFileInfo>

namespace {

// Clears a flag however the scope is left.
class TRunningScope {
public:
    explicit TRunningScope(bool& flag) : FFlag(flag) { FFlag = true; }
    ~TRunningScope() { FFlag = false; }
    TRunningScope(const TRunningScope&) = delete;
    TRunningScope& operator=(const TRunningScope&) = delete;

private:
    bool& FFlag;
};

bool IsFile(const std::string& path)
{
    return !path.empty() && QFileInfo(QString::fromStdString(path)).isFile();
}

std::string CountPair(std::int32_t done, std::int32_t total)
{
    return std::to_string(done) + "/" + std::to_string(total);
}

}

TSendJob::TSendJob(TSmtpClient& smtp, const TListColumn& entries, const TMessageFields& message,
                   TSendSettings& settings, TSendProgress& progress)
    : FSmtp(smtp), FEntries(entries), FMessage(message), FSettings(settings), FProgress(progress)
{
}

TSendJob::~TSendJob() = default;

void TSendJob::Run()
{
    if (FRunning)
        return;
    TRunningScope running(FRunning);
    DoneCount = 0;
    Configure();
    if (!SettingsComplete()) {
        UserInterface().ShowMessage(Messages::SettingsMissing());
        FSettings.AskForSettings();
        return;
    }
    if (!FieldsKnown())
        return;
    try {
        CheckPort();
        FSmtp.Connect();
        FProgress.ShowLogWindow();
        RecipientCount = FEntries.Count();
        if (RecipientCount < 1) {
            ShowMessage(Messages::NoRecipients());
        } else {
            FProgress.ClearLog();
            SendToEveryEntry();
            Finish();
        }
    } catch (const std::exception&) {
        // Whatever went wrong, the user gets the one message; what the session reported
        // last stays in the status bar.
        FLog.EndJob();
        ShowMessage(Messages::ConnectFailed());
        FSmtp.Cancel();
    }
    Disconnect();
    FProgress.Flush();
    FJobMessage.reset();
}

// A field the list does not have would go out as written to every recipient: the job
// stops before it connects, naming each such field and where it stands.
bool TSendJob::FieldsKnown()
{
    FJobMessage.reset();
    const std::vector<TFieldProblem>& problems = JobMessage().Problems();
    if (problems.empty())
        return true;
    UserInterface().ShowMessage(FieldProblemsMessage(problems));
    FJobMessage.reset();
    return false;
}

// The message is read once per job, so every entry gets the text that was checked.
// Outside a job (a single compose) it is read as it stands now.
const TJobMessage& TSendJob::JobMessage()
{
    if (!FRunning || !FJobMessage)
        FJobMessage = std::make_unique<TJobMessage>(FMessage.Subject(), FMessage.BodyParagraphs(),
                                                    FMessage.FormatIndex() != 0, FListFields);
    return *FJobMessage;
}

void TSendJob::Cancel()
{
    FSmtp.Cancel();
}

void TSendJob::ShowMessage(const std::string& text)
{
    FProgress.Flush();
    UserInterface().ShowMessage(text);
}

void TSendJob::Configure()
{
    FSmtp.SetSubType(FMessage.FormatIndex() == 0 ? mtPlain : mtHtml);
    FSmtp.SetCharset(FSettings.Charset());
    FSmtp.SetHost(FSettings.Host());
    FSmtp.SetUserID(FSettings.UserID());
    // An empty port is reported as a missing setting below, not as a bad number.
    const std::string port = FSettings.Port();
    if (!port.empty())
        FSmtp.SetPort(StrToInt(port));
}

// The socket takes the port as 16 bits: 70000 would quietly become 4464, some other
// server's port.
void TSendJob::CheckPort() const
{
    if (FSmtp.Port() < 1 || FSmtp.Port() > 65535)
        throw Exception("Invalid port " + std::to_string(FSmtp.Port()));
}

bool TSendJob::SettingsComplete() const
{
    return !FSettings.Name().empty() && !FSettings.Email().empty() && !FSettings.Port().empty()
        && !FSettings.Host().empty() && !FSettings.UserID().empty();
}

// Entries are read when the loop reaches them, and the loop ends early when the list
// has shrunk under it: the session's waits let the user edit the list meanwhile.
void TSendJob::SendToEveryEntry()
{
    FLog.BeginJob(ProgramFolder() + "log.txt");
    for (int index = 0; index < RecipientCount && index < FEntries.Count(); ++index) {
        CurrentRecipient = index;
        const std::string entry = FEntries.Item(index);
        if (entry.empty()) {
            ++DoneCount;
            continue;
        }
        SendOne(entry);
    }
    FLog.EndJob();
}

void TSendJob::SendOne(const std::string& entry)
{
    ComposeForCurrentEntry();
    FDelivered = false;
    FSmtp.Send();
    if (!FDelivered)
        throw Exception("The message was not delivered");
    // The line names the entry the message went to, even if the list changed meanwhile.
    const std::string line = SendLogLine(entry);
    FProgress.AppendLogLine(line);
    FLog.Append(line);
    const std::int32_t milliseconds = PauseMilliseconds(StrToInt(FSettings.Delay()));
    if (milliseconds > 0) {
        FProgress.Flush();
        PauseBetweenMessages().Sleep(milliseconds);
    }
}

void TSendJob::Finish()
{
    if (DoneCount == RecipientCount)
        FProgress.ShowCounter(Messages::MessagesSent(DoneCount));
    FProgress.Flush();
    SetApplicationTitle(ApplicationTitle);
    UserInterface().Beep();
}

void TSendJob::Disconnect()
{
    try {
        FSmtp.Disconnect();
    } catch (const std::exception&) {
        FSmtp.Cancel();
    }
}

void TSendJob::ComposeForCurrentEntry()
{
    TOutgoingMessage& message = FSmtp.PostMessage();
    message.SetFromAddress(FSettings.Email());
    message.SetFromName(FSettings.Name());
    const std::string entry = FEntries.Item(CurrentRecipient);
    message.ToAddress().Clear();
    message.ToAddress().Add(entry);
    const TJobMessage& text = JobMessage();
    message.SetBody(text.Body(entry, CurrentRecipient));
    message.SetSubject(text.Subject(entry, CurrentRecipient));
    message.SetDate(MailDate(Stamps.Now()));
    message.SetMessageId(::MessageId(Stamps.UniquePart(), FSettings.Email()));
    // Emptied first: an attachment left over from a failed message, or one the user has
    // removed since, must not go out with this one.
    message.Attachments().Clear();
    const std::string attachment = FMessage.AttachmentPath();
    if (IsFile(attachment))
        message.Attachments().Add(attachment);
    message.SetLocalProgram(std::string(ApplicationTitle) + " " + ProgramVersion);
}

const std::string& TSendJob::MessageId() const
{
    return FSmtp.PostMessage().MessageId();
}

// ---- Events of the SMTP client -----------------------------------------------------------

void TSendJob::SMTPDisconnect(QObject*)
{
    FProgress.ShowState("Disconnected");
}

void TSendJob::SMTPConnect(QObject*)
{
    FProgress.ShowState("Connected");
}

void TSendJob::SMTPInvalidHost(bool&)
{
    FProgress.ShowState("Invalid host");
}

void TSendJob::SMTPHostResolved(QObject*)
{
    FProgress.ShowState("Host resolved");
}

void TSendJob::SMTPStatus(QObject*, const std::string& Status)
{
    FProgress.ShowState(Status);
}

void TSendJob::SMTPConnectionFailed(QObject*)
{
    FProgress.ShowState("Connection failed");
}

void TSendJob::SMTPRecipientNotFound(const std::string&)
{
    FProgress.ShowState("Recipient not found");
}

void TSendJob::SMTPSendStart(QObject*)
{
    FProgress.ShowState("Send Start");
}

void TSendJob::SMTPSuccess(QObject*)
{
    FDelivered = true;
    ++DoneCount;
    const std::string count = CountPair(DoneCount, RecipientCount);
    FProgress.ShowCounter(count);
    SetApplicationTitle(std::string(ApplicationTitle) + " " + count);
    DispatchPendingEvents();
}

void TSendJob::SMTPFailure(QObject*) {}

void TSendJob::SMTPAuthenticationFailed(bool&)
{
    FProgress.ShowState("Authentication failed");
}
