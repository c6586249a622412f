// SPDX-License-Identifier: GPL-3.0-or-later
#include "workflow/job/SendJob.h"

#include "base/Exception.h"
#include "mail/SmtpClient.h"
#include "mail/SmtpErrors.h"
#include "workflow/account/SignInMessages.h"
#include "workflow/compose/MessageComposer.h"
#include "workflow/compose/Unsubscribe.h"
#include "workflow/job/ConnectFailure.h"
#include "workflow/job/JobMessages.h"
#include "workflow/limits/LimitMessages.h"
#include "workflow/lists/ListColumn.h"
#include "workflow/program/ProgramFolder.h"
#include "workflow/program/ProgramState.h"
#include "workflow/settings/IntegerText.h"
#include "workflow/settings/Settings.h"
#include "workflow/ui/Messages.h"
#include "workflow/ui/UserInterface.h"

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

TSmtpSecurity SecurityOf(std::int32_t security)
{
    if (security == 1)
        return TSmtpSecurity::StartTls;
    if (security == 2)
        return TSmtpSecurity::Tls;
    return TSmtpSecurity::None;
}

// The panel shows one line; the message box may have a reason above the counts.
std::string OneLine(std::string text)
{
    std::replace(text.begin(), text.end(), '\r', ' ');
    return text;
}

}

TSendJob::TSendJob(TSmtpClient& smtp, const TListColumn& entries, const TMessageFields& message,
                   TSendSettings& settings, TSendProgress& progress, THistoryAccess* history)
    : FSmtp(smtp), FListShown(entries), FMessage(message), FSettings(settings), FProgress(progress), FLedger(history)
{
    WireEvents();
}

TSendJob::~TSendJob() = default;

void TSendJob::WireEvents()
{
    FSmtp.OnDisconnect = [this](QObject* sender) { SMTPDisconnect(sender); };
    FSmtp.OnConnect = [this](QObject* sender) { SMTPConnect(sender); };
    FSmtp.OnInvalidHost = [this](bool& handled) { SMTPInvalidHost(handled); };
    FSmtp.OnHostResolved = [this](QObject* sender) { SMTPHostResolved(sender); };
    FSmtp.OnStatus = [this](QObject* sender, const std::string& status) { SMTPStatus(sender, status); };
    FSmtp.OnConnectionFailed = [this](QObject* sender) { SMTPConnectionFailed(sender); };
    FSmtp.OnRecipientNotFound = [this](const std::string& recipient) { SMTPRecipientNotFound(recipient); };
    FSmtp.OnSendStart = [this](QObject* sender) { SMTPSendStart(sender); };
    FSmtp.OnAuthenticationFailed = [this](bool& handled) { SMTPAuthenticationFailed(handled); };
}

TJobResult TSendJob::Run(const TJobStart& start)
{
    if (FRunning)
        return {};
    TRunningScope running(FRunning);
    FStopRequested = false;
    FCancelRequested = false;
    FLaterChosen = false;
    FLogStarted = false;
    FReconnectTries = 0;
    FInFlight.clear();
    FReplyLost.clear();
    TJobResult result = RunJob(start);
    // A reconnection is the last use of the password; the next job asks for it again.
    FSmtp.WipePassword();
    FProgress.Flush();
    FComposer.reset();
    return result;
}

void TSendJob::Stop()
{
    if (FRunning)
        FStopRequested = true;
}

// A field the list does not have would go out as written to every recipient: the job
// stops before it connects, naming each such field and where it stands. The subject and
// the body are read here, once per job, so every entry gets the text that was checked.
bool TSendJob::FieldsKnown()
{
    FComposer =
        std::make_unique<TMessageComposer>(FMessage, &FFieldsTaken,
                                           TComposeSettings{FAccount.Email, FAccount.Name, FAccount.Charset,
                                                            UnsubscribeHeaders(FAccount.Unsubscribe, FAccount.Email)});
    FComposer->Stamps = Stamps;
    const std::vector<TFieldProblem>& problems = FComposer->Problems();
    if (problems.empty())
        return true;
    UserInterface().ShowMessage(FieldProblemsMessage(problems));
    FComposer.reset();
    return false;
}

void TSendJob::Cancel()
{
    FCancelRequested = true;
    FSmtp.Cancel();
}

void TSendJob::TakeEntries()
{
    FEntries.Rows.clear();
    for (int index = 0; index < FListShown.Count(); ++index)
        FEntries.Rows.push_back(FListShown.Item(index));
    // The values go with the entries by row number, so they are taken together.
    if (FListFields)
        FFieldsTaken = *FListFields;
    else
        FFieldsTaken.Clear();
}

// Settings, list, history and the person's answers are settled before the server is
// called; the connection is made before anything is recorded.
TJobResult TSendJob::RunJob(const TJobStart& start)
{
    Configure();
    if (!SettingsComplete()) {
        UserInterface().ShowMessage(Messages::SettingsMissing());
        FSettings.AskForSettings();
        return {};
    }
    TakeEntries();
    if (!FieldsKnown())
        return {};
    if (!HasRecipients())
        return SendToNobody();
    std::optional<std::int64_t> earlierJob;
    try {
        StartLimits(start); // limits and suppressions
        earlierJob = ChooseJob(start);
        if (!earlierJob) {
            TJobResult declined;
            declined.LaterChosen = FLaterChosen;
            return declined;
        }
        if (!NoticesAccepted(start)) // empty fields: a job that asks nothing ends here
            return {TJobEnd::NotStarted, {}, {}, 0, true};
        FLog.Prepare(ProgramFolder() + "log.txt");
    } catch (const std::exception& error) {
        // The history, the attachment or the log cannot be read or written.
        ShowMessage(error.what());
        return {TJobEnd::NotStarted, {}, error.what()};
    }
    if (!ProvideCredentials())
        return {};
    if (std::optional<TJobResult> failed = Connect()) {
        if (failed->End == TJobEnd::ConnectFailed)
            RecordUnreached(start, failed->Message);
        return *failed;
    }
    try {
        BeginRecording(start, *earlierJob);
    } catch (const std::exception& error) {
        ShowMessage(error.what());
        Disconnect();
        return {TJobEnd::NotStarted, {}, error.what()};
    }
    FProgress.ShowLogWindow();
    try {
        SendEverything();
    } catch (const TJobEnding& ending) {
        return Finish(ending);
    }
    return Finish(std::nullopt);
}

// The whole list is empty: the session is opened and closed, as it always was.
TJobResult TSendJob::SendToNobody()
{
    if (!ProvideCredentials())
        return {};
    if (std::optional<TJobResult> failed = Connect())
        return *failed;
    FProgress.ShowLogWindow();
    ShowMessage(Messages::NoRecipients());
    Disconnect();
    return {TJobEnd::NotStarted, {}, Messages::NoRecipients()};
}

// Nothing when the job is connected; otherwise what its end was.
std::optional<TJobResult> TSendJob::Connect()
{
    try {
        CheckPort();
        FSmtp.Connect();
        return std::nullopt;
    } catch (const std::exception&) {
        // The certificate and the login have messages of their own; whatever else went
        // wrong, the user gets the one message, and what the session reported last stays
        // in the status bar.
        const std::exception_ptr error = std::current_exception();
        if (FCancelRequested) {
            Disconnect();
            return TJobResult{TJobEnd::Canceled, {}, {}};
        }
        const std::string message = FailureMessage(error);
        ShowMessage(message);
        FSmtp.Cancel();
        Disconnect();
        return TJobResult{TJobEnd::ConnectFailed, {}, message};
    }
}

void TSendJob::ShowMessage(const std::string& text)
{
    FProgress.Flush();
    UserInterface().ShowMessage(text);
}

std::string TSendJob::FailureMessage(const std::exception_ptr& error) const
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
            return Messages::LoginRefused(failure.ReplyText())
                + (AskAgainAfterRefusedLogin ? std::string() : "\r" + Messages::CheckLoginSettings(UsesToken()));
    } catch (const ESignInError& failure) {
        return failure.what();
    } catch (...) {
    }
    // The plain dialogue keeps its one line; a secured one says why and what to check.
    const std::string reason =
        FSmtp.Security() == TSmtpSecurity::None ? std::string() : ConnectFailureReason(error, FSmtp, FAccount.TimeOut);
    return Messages::ConnectFailed() + (reason.empty() ? "" : "\r" + reason);
}

void TSendJob::Configure()
{
    FAccount = FSettings.Values();
    FSmtp.SetHost(FAccount.Host);
    FSmtp.SetUserID(FAccount.UserID);
    FSmtp.SetPort(FAccount.Port);
    FSmtp.SetSecurity(SecurityOf(FAccount.Security));
    FSmtp.SetPassword({});
    FSmtp.SetAccessTokenSource({});
    // Seconds, as many as a time-out in milliseconds can hold.
    FSmtp.SetTimeOut(
        FAccount.TimeOut > 0 ? static_cast<int>(std::min<std::int64_t>(FAccount.TimeOut * 1000LL, INT32_MAX)) : 0);
}

// A password is only ever sent over TLS, so the plain dialogue asks for none. False
// when the person declined to give one: the job ends before it connects.
bool TSendJob::ProvidePassword()
{
    if (FSmtp.Security() == TSmtpSecurity::None || ProvideToken())
        return true;
    std::optional<std::string> password = FPasswords.ForJob(FAccount.UserID, FAccount.Host);
    if (!password)
        return false;
    FSmtp.SetPassword(*password);
    WipeText(*password);
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
    return AccountComplete(FAccount);
}

bool TSendJob::HasRecipients() const
{
    return std::any_of(FEntries.Rows.begin(), FEntries.Rows.end(),
                       [](const std::string& entry) { return !entry.empty(); });
}

// ---- The end ------------------------------------------------------------------------------

// Everything delivered: the final count and the beep. Otherwise the counts, with what
// ended the job, in the status bar and a message box; a job ended by Exit says nothing.
TJobResult TSendJob::Finish(std::optional<TJobEnding> ending)
{
    FLog.EndJob();
    try {
        FLedger.End();
    } catch (const std::exception& error) {
        if (!ending)
            ending = TJobEnding{TJobEnd::Failed, error.what()};
    }
    TJobResult result{ending ? ending->End : TJobEnd::Finished, FLedger.Counts(), {}, ending ? ending->ResumeAfter : 0};
    const TJobCounts& counts = result.Counts;
    if (result.End == TJobEnd::Canceled) {
        Disconnect();
        return result;
    }
    const bool everyoneGotIt = result.End == TJobEnd::Finished && counts.Delivered == counts.Total;
    switch (result.End) {
    case TJobEnd::Stopped: result.Message = Messages::JobStopped(counts); break;
    case TJobEnd::ConnectionLost: result.Message = Messages::JobConnectionLost(counts); break;
    case TJobEnd::Failed: result.Message = Messages::JobFailed(ending->Reason, counts); break;
    case TJobEnd::PausedByLimit: result.Message = Messages::JobPausedByLimit(result.ResumeAfter, counts); break;
    default:
        result.Message = everyoneGotIt ? Messages::MessagesSent(counts.Delivered) : Messages::JobCounts(counts);
        break;
    }
    FProgress.ShowCounter(OneLine(result.End == TJobEnd::Failed ? Messages::JobCounts(counts) : result.Message));
    FProgress.Flush();
    // A job cut short keeps its last count in the title, to show how far it got.
    if (result.End == TJobEnd::Finished)
        SetApplicationTitle(ApplicationTitle);
    Disconnect();
    if (everyoneGotIt)
        UserInterface().Beep();
    else
        ShowMessage(result.Message);
    return result;
}

void TSendJob::Disconnect()
{
    try {
        FSmtp.Disconnect();
    } catch (const std::exception&) {
        FSmtp.Cancel();
    }
}
