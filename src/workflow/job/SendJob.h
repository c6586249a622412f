// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "base/StringList.h"
#include "mail/MessageIdentity.h"
#include "workflow/account/AccountPasswords.h"
#include "workflow/account/SignIn.h"
#include "workflow/compose/EmptyFields.h"
#include "workflow/compose/MessageFields.h"
#include "workflow/job/JobLedger.h"
#include "workflow/job/SendLog.h"
#include "workflow/limits/JobLimits.h"
#include "workflow/lists/ListFields.h"
#include "workflow/lists/RowsColumn.h"
#include "workflow/settings/SettingsTable.h"

#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "mail/MessageOutcome.h"

class QObject;
class TListColumn;
class TMessageComposer;
class TSmtpClient;
class TSuppressionList;

// The settings a job sends with: the settings dialog's fields as the user left them (not
// the stored settings), or for pelmar-send the stored ones.
class TSendSettings {
public:
    virtual ~TSendSettings() = default;
    virtual TSettings Values() const = 0;
    // Lets the user complete the settings (the settings dialog, modally).
    virtual void AskForSettings() = 0;
};

// One entry's outcome, as the job has just recorded it.
struct TEntryReport {
    int Position = 0; // zero-based, in the list as the job took it
    std::string Entry;
    TOutcome Outcome = TOutcome::NotSent;
    std::string Reply;     // the server's reply (or ours, for an entry that is no address)
    std::string MessageId; // of the message that went out; empty when none did
    std::string Note;      // e.g. that the reply to the final dot was lost and it goes again
};

// Where the job shows how it goes. Messages may follow each other far faster than a screen
// shows them, so the outputs may hold back what they are given until Flush, which the job
// calls whenever it is about to stop for a while: before a wait, a message box, its end.
class TSendProgress {
public:
    virtual ~TSendProgress() = default;
    // The session's state, and the countdown of a wait.
    virtual void ShowState(const std::string& text) = 0;
    virtual void ShowCounter(const std::string& text) = 0; // "3/10", then the job's end
    virtual void ShowLogWindow() = 0;
    virtual void ClearLog() = 0;
    virtual void AppendLogLine(const std::string& line) = 0;
    virtual void Flush() = 0;
    // Every outcome the job records (the log line says the same for people).
    virtual void EntryDone(const TEntryReport&) { }
    // The job's counts when it has begun recording, and after every outcome (before EntryDone).
    virtual void ShowCounts(const TJobCounts&) { }
    // The job continues this unfinished one without asking (its counts as it was left).
    virtual void ContinuesJob(const TJobSummary&) { }
    // What a job that asks nothing says before it connects: the suppressed entries, the
    // fields that come out empty (lines separated by LF).
    virtual void ShowNotice(const std::string&) { }
};

// What to do when the list and the message are those of an unfinished job.
enum class TResumeChoice {
    Ask,      // the person chooses (through the UI seam): continue, start again or cancel
    Continue, // send only to the entries not yet delivered
    Restart,  // a new job from the first entry
};

// How a job is started: from the window it asks first, from the command line it does not.
struct TJobStart {
    // Ask "Send this message to N recipients?" (warning of an empty subject or text).
    bool Confirm = false;
    TResumeChoice Resume = TResumeChoice::Continue;
    // The recipients file the list was loaded from, kept with the job; empty when typed.
    std::string ListFile;
    // A sending limit is waited out; false ends the job at once (TJobEnd::PausedByLimit).
    bool WaitForLimits = true;
    // Sends also to the addresses on the account's suppression list.
    bool IgnoreSuppressions = false;
    // A job that asks nothing sends also when a field comes out empty for some entries;
    // false ends it before it connects (TJobResult::HeldForEmptyFields).
    bool AllowEmptyFields = true;
    // The send question offers "Send later…" too (the window, which can schedule a job).
    bool OfferLater = false;
};

enum class TJobEnd {
    NotStarted,     // stopped before connecting: settings, a question, the history, the message
    ConnectFailed,  // never reached the server
    Finished,       // every entry had its turns (some may be refused or still deferred)
    Stopped,        // Stop: ended after the message in flight; the rest not sent
    Canceled,       // Cancel (Exit): ended at once
    ConnectionLost, // the connection broke in the middle and could not be made again
    Failed,         // the log or the history could not be written, the attachment read, ...
    PausedByLimit,  // a sending limit was reached and the job was not to wait (ResumeAfter)
};

struct TJobResult {
    TJobEnd End = TJobEnd::NotStarted;
    TJobCounts Counts;               // the whole job's (a continued job's earlier deliveries included)
    std::string Message;             // how the job's end was put to the person; empty when not at all
    std::int64_t ResumeAfter = 0;    // PausedByLimit: when the limit frees a place (ms since the epoch)
    bool HeldForEmptyFields = false; // not started: a field came out empty and that was not allowed
    bool LaterChosen = false;        // not started: the person answered the send question "Send later…"
};

// Delivers the one message to every recipient entry, one copy per entry, over one SMTP
// session made again when it breaks. Every entry ends delivered, refused (5xx), deferred
// (4xx, tried again in later rounds) or not sent; each outcome is in the delivery history
// before the next message goes out, so a job can be continued after a crash or a stop.
// The composer makes each message, the client's Transfer sends it and hands back the
// outcomes as values, and Record alone records them. The constructor wires the client's
// status events to the handlers below, which show them.
class TSendJob {
public:
    // history: the program's one delivery history; nullptr keeps none (measurements).
    TSendJob(TSmtpClient& smtp, const TListColumn& entries, const TMessageFields& message, TSendSettings& settings,
             TSendProgress& progress, THistoryAccess* history);
    ~TSendJob();

    // The columns and values of the entries, for the personal fields of the message; a
    // job without them fills only the built-in ones ({{name}}, {{first}}, {{email}}).
    void SetListFields(const TListFields* fields) { FListFields = fields; }
    // The account's suppression list (not owned); a job without one suppresses nothing.
    void SetSuppressions(TSuppressionList* suppressions) { FSuppressions = suppressions; }

    // Runs a whole job and returns when it has ended. A start while a job runs is
    // ignored (the session's waits let commands run) and returns NotStarted.
    TJobResult Run(const TJobStart& start = {});
    bool Running() const { return FRunning; }
    // Ends the job once the message in flight has its outcome; the rest stay not sent.
    void Stop();
    // Ends the job at once: whatever the session or a wait waits for gives up.
    void Cancel();
    // The account's passwords for this run (the settings dialog keeps the typed one here).
    TAccountPasswords& Passwords() { return FPasswords; }
    // The OAuth 2.0 sign-in of the program (not owned); without it the "oauth2" sign-in
    // cannot start a job.
    void SetOAuthTokens(TOAuthTokens* tokens) { FOAuthTokens = tokens; }
    // A refused login asks the person again (the password, or to sign in again); false
    // where nobody can be asked and the job is to end saying what to check.
    bool AskAgainAfterRefusedLogin = true;

    void SMTPDisconnect(QObject* Sender);
    void SMTPConnect(QObject* Sender);
    void SMTPInvalidHost(bool& Handled);
    void SMTPHostResolved(QObject* Sender);
    void SMTPStatus(QObject* Sender, const std::string& Status);
    void SMTPConnectionFailed(QObject* Sender);
    void SMTPRecipientNotFound(const std::string& Recipient);
    void SMTPSendStart(QObject* Sender);
    void SMTPAuthenticationFailed(bool& Handled);

    // Date and Message-ID of every message come from here.
    TMessageStamps Stamps;
    // Seconds before each try to make a broken connection again, one try per value; the
    // tries start over once a message has gone through.
    std::vector<int> ReconnectWaits = {2, 5, 10};
    // Rounds that try the deferred entries again after the first pass.
    int RetryRounds = 3;

    // The sending limits and the suppression list as this job keeps to them.
    TJobLimits Limits;

private:
    // A message on its way, named to the client by its entry's position: with pipelining
    // its outcome may come while a later message's envelope is already out.
    struct TInFlight {
        int Position = 0;
        std::string MessageId;
    };
    // Why the job ends before its entries are done.
    struct TJobEnding {
        TJobEnd End;
        std::string Reason; // for Failed: what went wrong
        std::int64_t ResumeAfter = 0;
    };

    void WireEvents();
    // Sets the client up from the settings, as the start of a job does.
    void Configure();
    // Takes the list as it is now, with its columns and values: the job sends to these
    // entries, whatever is done to the list meanwhile.
    void TakeEntries();
    TJobResult RunJob(const TJobStart& start);
    bool ProvidePassword();
    // The token sign-in modes (SendJobSignIn.cpp).
    bool ProvideToken();
    bool UsesToken() const;
    // The password or the token; false when the job is not to start (said to the person).
    bool ProvideCredentials();
    TOAuthAccount OAuthAccount() const;
    bool LoginAgain();
    bool SettingsComplete() const;
    void CheckPort() const;
    bool HasRecipients() const;
    TJobResult SendToNobody();
    std::optional<TJobResult> Connect();
    // Before connecting (SendJobStart.cpp).
    std::optional<std::int64_t> ChooseJob(const TJobStart& start);
    // The send question; a "Send later…" answer is kept in FLaterChosen.
    bool Confirmed(int recipients, const TJobStart& start);
    void BeginRecording(const TJobStart& start, std::int64_t earlierJob);
    TNewJob NewJob(const TJobStart& start) const;
    // A job that did not reach the server is listed in the history with the reason.
    void RecordUnreached(const TJobStart& start, const std::string& reason);
    // Sending (SendJobPass.cpp).
    void SendEverything();
    void SendPass(const std::vector<int>& positions);
    void SendPosition(int position);
    bool Compose(int position);
    void PauseAfterMessage();
    void CompletePending();
    void HandleFault(const std::exception_ptr& error, std::deque<int>& queue);
    void SettleCutMessages(std::deque<int>* queue);
    void Reconnect();
    bool Wait(std::int32_t milliseconds, const std::function<std::string(int seconds)>& countdown);
    // Limits and suppressions (SendJobLimits.cpp).
    void StartLimits(const TJobStart& start);
    std::string SendNotices();
    bool NoticesAccepted(const TJobStart& start);
    TEmptyFieldCount CountEmptyFieldsOfJob();
    bool SkipSuppressed(std::deque<int>& queue);
    bool KeepToLimits(std::deque<int>& queue);
    void WaitForLimit(std::int64_t until);
    bool SettledByLimit(int position, const std::string& reply);
    bool Ending() const { return FStopRequested || FCancelRequested; }
    // Outcomes (SendJobPass.cpp).
    void Settle(const std::vector<TMessageOutcome>& outcomes);
    // The one place an entry's outcome is recorded: the history, the log line, the
    // counters and the title; the retry rounds read the deferred entries back from there.
    void Record(const TEntryReport& report);
    void ShowDeliveredCount();
    void LogLine(const std::string& line);
    // The end (SendJob.cpp).
    TJobResult Finish(std::optional<TJobEnding> ending);
    void ShowMessage(const std::string& text);
    std::string FailureMessage(const std::exception_ptr& error) const;
    void Disconnect();
    bool FieldsKnown();

    TSmtpClient& FSmtp;
    const TListColumn& FListShown;
    TRowsColumn FEntries; // the list as the job took it
    const TMessageFields& FMessage;
    TSendSettings& FSettings;
    TSettings FAccount; // the settings as this job took them at its start
    TSendProgress& FProgress;
    TJobLedger FLedger;
    TSendLog FLog;
    TAccountPasswords FPasswords;
    TOAuthTokens* FOAuthTokens = nullptr;
    std::deque<TInFlight> FInFlight;
    std::set<int> FReplyLost; // positions whose final dot's reply never came
    std::string FMessageHash;
    std::string FAttachmentAtStart;  // the attachment's path as the job's fingerprint read it
    std::size_t FReconnectTries = 0; // since a message last had an outcome from the server
    bool FFirstMessage = true;       // no message of the job has been composed yet
    bool FLogStarted = false;
    bool FStopRequested = false;
    bool FCancelRequested = false;
    bool FLaterChosen = false;
    const TListFields* FListFields = nullptr;
    TSuppressionList* FSuppressions = nullptr;
    bool FWaitForLimits = true;
    TListFields FFieldsTaken; // the columns and values of the entries as the job took them
    // Makes each entry's message from the subject and text read at the job's start; null
    // outside a job.
    std::unique_ptr<TMessageComposer> FComposer;
    bool FRunning = false;
};
