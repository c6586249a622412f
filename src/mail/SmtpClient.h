// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "base/Events.h"
#include "base/Stream.h"
#include "mail/HeaderList.h"
#include "mail/MailTypes.h"
#include "mail/MessageAssembly.h"
#include "mail/MessageOutcome.h"
#include "mail/OutgoingMessage.h"
#include "mail/SmtpErrors.h"
#include "net/SocketSession.h"
#include "platform/SecretText.h"

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

// How the connection to the server is secured.
//   None: the plain dialogue: HELO with UserID, no login, one command at a time.
//   StartTls: EHLO, then STARTTLS (RFC 3207), required; never goes on in clear text.
//   Tls: TLS from the first byte (the submission port 465, RFC 8314).
// Under TLS the client introduces itself with EHLO, logs in when a password is set and
// pipelines the envelope when the server offers it (RFC 2920).
enum class TSmtpSecurity { None = 0, StartTls = 1, Tls = 2 };

// The SMTP client: a socket session that greets a server and delivers messages, one mail
// transaction each (RFC 5321 section 3.3).
//
// Transfer sends a message the caller has composed (an envelope, a header block and a
// body, as bytes) and returns the outcome of every message settled meanwhile as values;
// it raises only when the connection cannot go on. Send is the component's own way: it
// composes PostMessage, transfers it by the same code, fires OnSuccess or OnFailure, and
// raises a refusal.
//
// Pipelining. When the server offers PIPELINING, the envelope (MAIL FROM, every RCPT TO,
// DATA) goes out as one group and, once the text and its final dot are written, the
// transfer returns without waiting for the dot's reply: that reply is read with the next
// message's envelope replies, or by Complete (CompletePending); Disconnect completes it
// first. OnSuccess or OnFailure of a message fires when its dot's reply is read, exactly
// once for every message whose dot went out, in send order; OutcomeSendNumber names the
// message meanwhile. A Send may therefore raise the refusal of the message before it
// (ESmtpError::SendNumber tells which); the message of that Send is then held in its
// turn. When the envelope of that Send is refused too, Send raises that refusal instead:
// the held message's refusal has been reported by its OnFailure (OutcomeReply).
class TSmtpClient : public TSocketSession {
public:
    explicit TSmtpClient(QObject* owner = nullptr);
    ~TSmtpClient() override;

    void Connect() override;
    void Disconnect() override;
    void Abort() override;
    void Send();
    // Sends the envelope, then the header block and the body as given (the header block in
    // one write: at most MaxHeaderBlockSize bytes). Fires OnSendStart first, and the events
    // of the replies as Send does. Returns every outcome settled meanwhile,
    // in send order: the held message's (pipelining), and this one's unless its final dot's
    // reply is still to come. Raises only when the connection cannot go on (it broke, timed
    // out or was canceled; the server said 421 or answered nonsense; a TLS failure); the
    // outcomes settled before that are handed out by Drop.
    std::vector<TMessageOutcome> Transfer(const TEnvelope& envelope, const std::string& headerBlock, TStream& body);
    // Reads the reply to a held final dot, if any, and returns its outcome; raises as
    // Transfer does. Nothing after a time-out or cancel cut the exchange.
    std::vector<TMessageOutcome> Complete();
    // Complete for Send's callers: fires the held message's OnSuccess or OnFailure, and
    // raises ESmtpError (with the message's SendNumber) when it was a refusal.
    void CompletePending();
    // Closes the connection without another word: after a fault the dialogue cannot go
    // on (the server's state is unknown, or it is closing). Returns the outcomes settled
    // before the fault and not handed out, then the message whose final dot went out
    // without its reply arriving (UnansweredSendNumber), as Unanswered unless a refused
    // recipient decided it; the next connection owes that message nothing.
    std::vector<TMessageOutcome> Drop();

    // HELO's argument without TLS; the login name under TLS.
    const std::string& UserID() const { return FUserID; }
    void SetUserID(const std::string& value) { FUserID = value; }
    TSmtpSecurity Security() const { return FSecurity; }
    void SetSecurity(TSmtpSecurity value) { FSecurity = value; }
    // Sent only over TLS, and only when not empty.
    void SetPassword(const std::string& value) { FPassword = value; }
    // Signs in with an OAuth 2.0 bearer token in place of the password (SmtpBearerLogin.cpp):
    // asked for at every login, with renew true after the server refused the one before.
    // It raises what its own failure is. Empty: the password's login.
    using TAccessTokenSource = std::function<std::string(bool renew)>;
    void SetAccessTokenSource(TAccessTokenSource source) { FAccessTokenSource = std::move(source); }
    void WipePassword() { FPassword.Wipe(); }
    // The name EHLO introduces this machine by; empty: its fully qualified domain name
    // where known, else the address literal of the connection's own address.
    const std::string& LocalName() const { return FLocalName; }
    void SetLocalName(const std::string& value) { FLocalName = value; }

    // While OnAuthenticationFailed fires: the server's refusal of the login.
    const TSmtpReply& LoginRefusal() const { return FLoginRefusal; }
    // The exchange a secured Connect was at when it last failed (Greeting, Ehlo, StartTls
    // for either handshake, Auth); None while the connection itself was being made.
    TSmtpStep OpeningStep() const { return FOpeningStep; }

    // What the server's last EHLO reply offered (a keyword such as "PIPELINING").
    bool Offers(const std::string& keyword) const;
    // The login mechanisms the last EHLO reply offered, upper case.
    const std::set<std::string>& AuthMechanisms() const { return FAuthMechanisms; }
    // What follows an offered keyword on its EHLO line ("SIZE 35882577" gives "35882577").
    std::string ExtensionParameters(const std::string& keyword) const;
    // The envelope goes out in groups on this connection.
    bool Pipelining() const { return FPipelining; }

    // Messages are numbered from 1 by Send, over the client's life.
    int SendNumber() const { return FSendNumber; }
    // The message whose final dot went out and whose reply is still to be read; 0 for none.
    int HeldSendNumber() const { return FHeld.value_or(0); }
    // The message whose OnSuccess or OnFailure fires, or fired last, and its final
    // dot's reply.
    int OutcomeSendNumber() const { return FOutcomeSendNumber; }
    const TSmtpReply& OutcomeReply() const { return FOutcomeReply; }
    // While OnRecipientNotFound fires: the server's reply to that RCPT TO.
    const TSmtpReply& RecipientReply() const { return FRecipientReply; }
    // After the connection failed or was cut, or a reply to a final dot made no sense:
    // the message whose final dot went out without its reply arriving (it may have been
    // delivered); 0 for none.
    int UnansweredSendNumber() const;
    TOutgoingMessage& PostMessage() { return *FPostMessage; }
    THeaderList& FinalHeader() { return FAssembler.FinalHeader(); }
    void SetFinalHeader(const THeaderList& value) { FAssembler.FinalHeader().Assign(value); }
    TEncodeMethod EncodeType() const { return FEncodeType; }
    void SetEncodeType(TEncodeMethod value) { FEncodeType = value; }
    bool ClearParams() const { return FClearParams; }
    void SetClearParams(bool value) { FClearParams = value; }
    TSubType SubType() const { return FSubType; }
    void SetSubType(TSubType value) { FSubType = value; }
    const std::string& Charset() const { return FCharset; }
    void SetCharset(const std::string& value) { FCharset = value; }

    bool Busy() const { return FBusy; }
    TMemoryStream& MessageBody() { return FAssembler.MessageBody(); }
    // The header block as Send writes it after DATA, the body's opening empty line included.
    std::string HeaderBlock() const { return FAssembler.HeaderBlock(); }
    const std::string& Boundary() const { return FAssembler.Boundary(); }
    // The size of the header block BuildMessage made, its empty line included.
    std::size_t HeaderBlockSize() const { return FAssembler.HeaderBlock().size(); }

    // Rebuilds FinalHeader and MessageBody (and Boundary with attachments) from PostMessage.
    void BuildMessage();

    THandlerEvent OnAuthenticationFailed;
    THeaderIncompleteEvent OnHeaderIncomplete;
    TNotifyEvent OnSendStart;
    TRecipientNotFoundEvent OnRecipientNotFound;
    TNotifyEvent OnFailure;
    TNotifyEvent OnSuccess;
    TFileEvent OnEncodeStart;
    TFileEvent OnEncodeEnd;
    TFileEvent OnAttachmentNotFound;

protected:
    void ConnectNotified() override { } // OnConnect fires after HELO, not on the TCP connect

private:
    TSmtpReply Command(const std::string& command);
    void DiscardUnsolicitedInput();
    // The next reply as it comes, without a command (the greeting, pipelined replies);
    // pipelined replies report their first line as Transaction does.
    TSmtpReply ReadReply(bool reportFirstLine = false);
    void ReadContinuation(TSmtpReply& reply);
    std::optional<ESmtpError> ReplyError(const TSmtpReply& reply, TSmtpStep step, int refusedAbove) const;
    void CheckReply(const TSmtpReply& reply, TSmtpStep step, int refusedAbove) const;

    void ForgetConnection();
    void Greet();
    void Hello();
    // The secured dialogue (SmtpSecureDialogue.cpp).
    void OpenSecured();
    void Introduce();
    void NoteExtensions(const TSmtpReply& reply);
    void RequestTls();
    void LogIn();
    void LogInPlain();
    void LogInLogin();
    void CheckLoginStep(const TSmtpReply& reply, int expected);
    void LogInWithToken();
    void SendBearerToken(const std::string& mechanism, const std::string& token);
    std::string EhloName() const;

    // What a transaction sends after DATA: the header block is asked for when it goes out
    // (Send's handlers may change FinalHeader until then).
    using THeaderSource = std::function<std::string()>;

    void CheckHeader();
    void CheckEnvelope(const TEnvelope& envelope) const;
    // The transaction of one message, shared by Transfer and Send: outcomes settle into
    // FSettled; a refusal of this message's envelope or final dot is raised.
    void Transact(const TEnvelope& envelope, const THeaderSource& header, TStream& body);
    void SendEnvelope(const TEnvelope& envelope);
    void SendRecipients(const TStringList& list);
    void SendText(const THeaderSource& header, TStream& body);
    void FinishData(int message);
    void ClearRecipients();
    void CheckFieldsForLineBreaks() const;
    void CheckHeaderBlockSize(std::size_t size) const;
    bool ResetFirst() const;
    TEnvelope PostEnvelope(int message) const;

    // The pipelined transaction (SmtpPipelining.cpp).
    void SendPipelined(const TEnvelope& envelope, const THeaderSource& header, TStream& body);
    std::string EnvelopeGroup(bool reset, const TEnvelope& envelope, std::vector<std::string>& recipientEntries) const;
    std::optional<ESmtpError> ReadEnvelopeReplies(bool reset, const std::vector<std::string>& recipientEntries,
                                                  bool& acceptedData);
    void ReadHeldReply();
    void AbandonData();

    // Outcomes (one place decides what a reply means for its message).
    void StartMessage();
    void NoteRecipientReply(const std::string& entry, const TSmtpReply& reply);
    // The refusal of a recipient decides when no recipient was accepted.
    bool RecipientDecides() const { return FRecipientRefusal && FRecipientsAccepted == 0; }
    void Settle(int message, TSmtpStep step, const TSmtpReply& reply, bool delivered);
    void SettleRefusal(int message, const ESmtpError& refusal);
    bool Settled(int message) const;
    std::optional<int> Unanswered() const;
    std::vector<TMessageOutcome> HandOut();
    // Fires OnSuccess or OnFailure for message number, by its final dot's reply.
    void ReportOutcome(int number, const TSmtpReply& reply, bool delivered);

    std::string FUserID;
    TSmtpSecurity FSecurity = TSmtpSecurity::None;
    TSecretText FPassword;
    TAccessTokenSource FAccessTokenSource;
    TSmtpStep FOpeningStep = TSmtpStep::None;
    TSmtpReply FLoginRefusal;
    std::string FLocalName;
    std::set<std::string> FExtensions;                       // EHLO keywords, upper case
    std::set<std::string> FAuthMechanisms;                   // from the AUTH keyword, upper case
    std::map<std::string, std::string> FExtensionParameters; // by keyword
    bool FPipelining = false;
    bool FTransactionOpen = false; // a MAIL FROM went out and its transaction has not ended
    int FSendNumber = 0;
    std::optional<int> FHeld;                    // the message whose final dot's reply is still to be read
    std::optional<int> FAwaitedDot;              // without pipelining: the dot whose reply is being read
    std::optional<TSmtpReply> FRecipientRefusal; // the first refused RCPT TO of the message in hand
    int FRecipientsAccepted = 0;
    std::vector<TMessageOutcome> FSettled; // settled and not yet handed out
    int FOutcomeSendNumber = 0;
    TSmtpReply FOutcomeReply;
    TSmtpReply FRecipientReply;
    std::unique_ptr<TOutgoingMessage> FPostMessage;
    TEncodeMethod FEncodeType = emBase64;
    bool FClearParams = true;
    TSubType FSubType = mtPlain;
    std::string FCharset = "us-ascii";
    bool FBusy = false;
    TMessageAssembler FAssembler; // owns FinalHeader, MessageBody and Boundary
};

// The characters after the (n-1)-th and before the n-th delimiter (fields count from 1).
std::string NthField(const std::string& text, char delimiter, int n);
// The bare mailbox of a recipient entry: "Name <box>", "prefix:box" or "box", without the
// spaces and tabs around it (they are no part of an address, RFC 5321 section 4.1.2).
std::string ExtractMailbox(const std::string& entry);

// The longest header block a message may have: it goes out in one write.
constexpr std::size_t MaxHeaderBlockSize = 65535;
