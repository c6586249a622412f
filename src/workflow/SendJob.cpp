#include "workflow/SendJob.h"

#include "base/Exception.h"
#include "mail/SmtpErrors.h"
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

#include <algorithm>
#include <cstdint>
#include <optional>

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

TSmtpSecurity SecurityOf(const std::string& text)
{
    const std::optional<std::int32_t> value = TryDecimalToInt(text);
    if (value == 1)
        return TSmtpSecurity::StartTls;
    if (value == 2)
        return TSmtpSecurity::Tls;
    return TSmtpSecurity::None;
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
    FInFlight.clear();
    Configure();
    if (!SettingsComplete()) {
        UserInterface().ShowMessage(Messages::SettingsMissing());
        FSettings.AskForSettings();
        return;
    }
    if (!FieldsKnown())
        return;
    if (!ProvidePassword())
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
        // Whatever went wrong, the user gets the one message (unless the server's
        // certificate or login was the reason); what the session reported last stays in the
        // status bar. Messages the server has taken meanwhile are counted and logged first.
        const std::exception_ptr error = std::current_exception();
        CompletePendingQuietly();
        FLog.EndJob();
        ShowMessage(FailureMessage(error));
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

// The certificate and the login have messages of their own: the user can act on them.
std::string TSendJob::FailureMessage(std::exception_ptr error) const
{
    try {
        std::rethrow_exception(error);
    } catch (const ESocketError& failure) {
        const std::string host = FSmtp.Host();
        switch (failure.Kind()) {
        case TSocketErrorKind::CertificateNotTrusted: return Messages::CertificateNotTrusted(host);
        case TSocketErrorKind::CertificateExpired: return Messages::CertificateExpired(host);
        case TSocketErrorKind::CertificateWrongName: return Messages::CertificateWrongName(host);
        default: break;
        }
    } catch (const ESmtpError& failure) {
        if (failure.Kind() == TSmtpErrorKind::AuthenticationFailed && failure.Step() == TSmtpStep::Auth)
            return Messages::LoginRefused(failure.ReplyText());
    } catch (...) {
    }
    return Messages::ConnectFailed();
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
    FSmtp.SetSecurity(SecurityOf(FSettings.Security()));
    FSmtp.SetPassword({});
    // Seconds, as many as a time-out in milliseconds can hold.
    if (const std::optional<std::int32_t> seconds = TryDecimalToInt(FSettings.TimeOut()))
        FSmtp.SetTimeOut(*seconds > 0 ? static_cast<int>(std::min<std::int64_t>(*seconds * 1000LL, INT32_MAX)) : 0);
}

// A password is only ever sent over TLS, so the plain dialogue asks for none. False
// when the person declined to give one: the job ends before it connects.
bool TSendJob::ProvidePassword()
{
    if (FSmtp.Security() == TSmtpSecurity::None)
        return true;
    const std::optional<std::string> password = FPasswords.ForJob(FSettings.UserID(), FSettings.Host());
    if (!password)
        return false;
    FSmtp.SetPassword(*password);
    return true;
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
            SkipEntry();
            continue;
        }
        SendOne(entry);
    }
    CompletePending();
    FLog.EndJob();
}

// With pipelining a message may still wait for its final reply when Send returns; its
// log line comes with its outcome (SMTPSuccess). The pause waits for that outcome, so
// that the job never rests with a message unaccounted for.
void TSendJob::SendOne(const std::string& entry)
{
    ComposeForCurrentEntry();
    const int number = FSmtp.SendNumber() + 1;
    // The entry the message goes to, as it is now, even if the list changes meanwhile.
    FInFlight.push_back({entry, number});
    FSmtp.Send();
    const bool awaitsOutcome = !FInFlight.empty() && FInFlight.back().Number == number;
    if (FSmtp.SendNumber() != number || (awaitsOutcome && FSmtp.HeldSendNumber() != number))
        throw Exception("The message was not delivered");
    const std::int32_t milliseconds = PauseMilliseconds(StrToInt(FSettings.Delay()));
    if (milliseconds > 0) {
        CompletePending();
        FProgress.Flush();
        PauseBetweenMessages().Sleep(milliseconds);
    }
}

// An empty entry counts as done once every message before it has its outcome.
void TSendJob::SkipEntry()
{
    if (FInFlight.empty())
        ++DoneCount;
    else
        FInFlight.push_back({{}, 0});
}

void TSendJob::CompletePending()
{
    FSmtp.CompletePending();
}

// After a failure the job ends anyway: a held message's outcome is taken if it can be,
// and a refusal or a broken connection only means it is not logged.
void TSendJob::CompletePendingQuietly()
{
    try {
        FSmtp.CompletePending();
    } catch (const std::exception&) {
    }
}

TSendJob::TInFlight TSendJob::TakeInFlight()
{
    if (FInFlight.empty())
        return {};
    TInFlight sent = FInFlight.front();
    FInFlight.pop_front();
    return sent;
}

void TSendJob::CountSkippedEntries()
{
    while (!FInFlight.empty() && FInFlight.front().Number == 0) {
        FInFlight.pop_front();
        ++DoneCount;
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
    const TInFlight sent = TakeInFlight();
    ++DoneCount;
    const std::string count = CountPair(DoneCount, RecipientCount);
    FProgress.ShowCounter(count);
    SetApplicationTitle(std::string(ApplicationTitle) + " " + count);
    DispatchPendingEvents();
    const std::string line = SendLogLine(sent.Entry);
    FProgress.AppendLogLine(line);
    FLog.Append(line);
    CountSkippedEntries();
}

void TSendJob::SMTPFailure(QObject*)
{
    TakeInFlight();
}

void TSendJob::SMTPAuthenticationFailed(bool&)
{
    FProgress.ShowState("Authentication failed");
}
