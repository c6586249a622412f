#pragma once
#include "base/StringList.h"
#include "mail/MessageIdentity.h"
#include "workflow/AccountPasswords.h"
#include "workflow/SendLog.h"

#include <cstdint>
#include <deque>
#include <exception>
#include <memory>
#include <string>

class QObject;
class TJobMessage;
class TListColumn;
class TListFields;
class TSmtpClient;

// The settings dialog's fields as the user left them (not the stored settings).
class TSendSettings {
public:
    virtual ~TSendSettings() = default;
    virtual std::string Name() const = 0;
    virtual std::string Email() const = 0;
    virtual std::string Host() const = 0;
    virtual std::string UserID() const = 0;
    virtual std::string Charset() const = 0;
    virtual std::string Delay() const = 0; // seconds after each message
    virtual std::string Port() const = 0;
    // How the connection is secured: "0" none, "1" STARTTLS, "2" TLS from the first byte;
    // anything else counts as "0".
    virtual std::string Security() const { return "0"; }
    // Seconds any wait on the server may last, "0" for ever; empty leaves the session's own.
    virtual std::string TimeOut() const { return {}; }
    // Lets the user complete the settings (the settings dialog, modally).
    virtual void AskForSettings() = 0;
};

// The message as the window holds it at the moment it is read.
class TMessageFields {
public:
    virtual ~TMessageFields() = default;
    virtual std::string Subject() const = 0;
    // The body as typed: one entry per paragraph, however the field wraps it on screen.
    virtual TStringList BodyParagraphs() const = 0;
    // 0 is the plain-text choice; any other index means HTML.
    virtual int FormatIndex() const = 0;
    virtual std::string AttachmentPath() const = 0;
};

// Where the job shows how it goes. Messages may follow each other far faster than a screen
// shows them, so the outputs may hold back what they are given until Flush, which the job
// calls whenever it is about to stop for a while: before a pause, a message box, its end.
class TSendProgress {
public:
    virtual ~TSendProgress() = default;
    virtual void ShowState(const std::string& text) = 0;   // the session's state
    virtual void ShowCounter(const std::string& text) = 0; // "3/10", then the final text
    virtual void ShowLogWindow() = 0;
    virtual void ClearLog() = 0;
    virtual void AppendLogLine(const std::string& line) = 0;
    virtual void Flush() = 0;
};

// Delivers the one message to every recipient entry, one copy per entry, over a single
// SMTP session. Run returns when the job has ended; every error while the session is open
// ends the job with one message. The SMTP handlers below are wired to the client's events.
class TSendJob {
public:
    TSendJob(TSmtpClient& smtp, const TListColumn& entries, const TMessageFields& message,
             TSendSettings& settings, TSendProgress& progress);
    ~TSendJob();

    // The columns and values of the entries, for the personal fields of the message; a
    // job without them fills only the built-in ones ({{name}}, {{first}}, {{email}}).
    void SetListFields(const TListFields* fields) { FListFields = fields; }

    // A start while a job runs is ignored (the session's waits let commands run).
    void Run();
    bool Running() const { return FRunning; }
    // Makes whatever the session waits for give up at once, so that a running job ends
    // (with its failure message) instead of holding up the program's exit.
    void Cancel();
    // Fills the client's message record for the entry at CurrentRecipient, its personal
    // fields filled in.
    void ComposeForCurrentEntry();
    // The account's passwords for this run (the settings dialog keeps the typed one here).
    TAccountPasswords& Passwords() { return FPasswords; }

    void SMTPDisconnect(QObject* Sender);
    void SMTPConnect(QObject* Sender);
    void SMTPInvalidHost(bool& Handled);
    void SMTPHostResolved(QObject* Sender);
    void SMTPStatus(QObject* Sender, const std::string& Status);
    void SMTPConnectionFailed(QObject* Sender);
    void SMTPRecipientNotFound(const std::string& Recipient);
    void SMTPSendStart(QObject* Sender);
    void SMTPSuccess(QObject* Sender);
    void SMTPFailure(QObject* Sender);
    void SMTPAuthenticationFailed(bool& Handled);

    // The Message-ID of the message being sent, or of the last one: when the client
    // reports a delivery, the one delivered.
    const std::string& MessageId() const;
    // Date and Message-ID of every message come from here.
    TMessageStamps Stamps;

    std::int32_t RecipientCount = 0; // entries when the loop started
    std::int32_t CurrentRecipient = 0;
    std::int32_t DoneCount = 0; // delivered plus empty entries skipped

private:
    // An entry whose message is on its way, or an empty entry after such a one: the
    // client reports outcomes in send order, and counts and log lines follow them.
    struct TInFlight {
        std::string Entry;
        int Number = 0; // the client's SendNumber; 0 for an empty entry
    };

    void Configure();
    bool ProvidePassword();
    void ShowMessage(const std::string& text);
    std::string FailureMessage(std::exception_ptr error) const;
    bool SettingsComplete() const;
    void CheckPort() const;
    void SendToEveryEntry();
    void SendOne(const std::string& entry);
    void SkipEntry();
    void CompletePending();
    void CompletePendingQuietly();
    TInFlight TakeInFlight();
    void CountSkippedEntries();
    void Finish();
    void Disconnect();
    bool FieldsKnown();
    const TJobMessage& JobMessage();

    TSmtpClient& FSmtp;
    const TListColumn& FEntries;
    const TMessageFields& FMessage;
    TSendSettings& FSettings;
    TSendProgress& FProgress;
    TSendLog FLog;
    TAccountPasswords FPasswords;
    std::deque<TInFlight> FInFlight;
    const TListFields* FListFields = nullptr;
    // Subject and body as the job read them at its start; null outside a job.
    std::unique_ptr<TJobMessage> FJobMessage;
    bool FRunning = false;
};
