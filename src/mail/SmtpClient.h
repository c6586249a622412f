#pragma once
#include "base/Events.h"
#include "base/Stream.h"
#include "mail/HeaderList.h"
#include "mail/MailTypes.h"
#include "mail/MessageAssembly.h"
#include "mail/OutgoingMessage.h"
#include "mail/SmtpErrors.h"
#include "net/SocketSession.h"

#include <memory>
#include <string>

// The SMTP client: a socket session that greets a server with HELO and delivers the
// message in PostMessage as one mail transaction per Send (RFC 5321 section 3.3).
class TSmtpClient : public TSocketSession {
public:
    explicit TSmtpClient(QObject* owner = nullptr);
    ~TSmtpClient() override;

    void Connect() override;
    void Disconnect() override;
    void Abort() override;
    void Send();

    const std::string& UserID() const { return FUserID; }
    void SetUserID(const std::string& value) { FUserID = value; }
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
    const std::string& Boundary() const { return FAssembler.Boundary(); }

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
    void ConnectNotified() override {} // OnConnect fires after HELO, not on the TCP connect

private:
    TSmtpReply Command(const std::string& command);
    void DiscardUnsolicitedInput();
    TSmtpReply ReadGreeting();
    void ReadContinuation(TSmtpReply& reply);
    void CheckReply(const TSmtpReply& reply, TSmtpStep step, int refusedAbove) const;

    void Greet();
    void Hello();
    void CheckHeader();
    void SendEnvelope();
    void SendRecipients(TStringList& list);
    void SendText();
    void FinishData();
    void ClearRecipients();
    void CheckFieldsForLineBreaks() const;

    std::string FUserID;
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
// The bare mailbox of a recipient entry: "Name <box>", "prefix:box" or "box".
std::string ExtractMailbox(const std::string& entry);
