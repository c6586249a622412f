// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "base/Exception.h"

#include <string>
#include <vector>

// One reply of the server as read: the code of its first line and its lines with their
// line ends (RFC 5321 section 4.2.1: the lines of a multi-line reply share one code). A
// reply of more than a hundred lines keeps its first 99 and its last.
struct TSmtpReply {
    int Code = 0;
    std::vector<std::string> Lines;
    bool Complete = true; // false when the connection closed before the last line

    std::string FirstLine() const { return Lines.empty() ? std::string() : Lines.front(); }
    std::string LastLine() const { return Lines.empty() ? std::string() : Lines.back(); }
    // Every line, one after the other, line ends kept.
    std::string Text() const;
};

// The exchange of the dialogue an error belongs to; None for a fault of the message
// found before any command. EndOfData is the final dot after the text. Ehlo, StartTls
// and Auth belong to the secured dialogue (a login is Auth).
enum class TSmtpStep { None, Greeting, Helo, Rset, MailFrom, RcptTo, Data, EndOfData, Quit, Ehlo, StartTls, Auth };

// What went wrong in the SMTP dialogue, so that callers decide without reading texts.
enum class TSmtpErrorKind {
    FieldHasLineBreak,    // a field would break a command or header line; nothing was sent
    IncompleteHeader,     // no sender or no recipient; nothing was sent
    NoReply,              // the server closed the connection instead of (finishing) a reply
    InvalidReply,         // a reply without a reply code
    Refused,              // a reply code above what the step accepts
    AuthenticationFailed, // HELO refused (also after the handler's one retry), or the login refused
    TlsNotOffered,        // STARTTLS was required but the server does not offer it
    UnexpectedData,       // the server sent more after its "220" to STARTTLS (command injection)
    LoginNotOffered,      // a password is set but the server offers no login this client can use
    NoRecipientAccepted,  // every recipient was refused, but the server took DATA all the same
    HeaderTooLarge,       // the header block would not go out in one write; nothing was sent
};

// An error the SMTP client raises itself; the message is the text the user sees (for a
// refusal, the server's reply line). Errors of the socket session pass as ESocketError.
// SendNumber names the message it belongs to (see TSmtpClient::SendNumber): with
// pipelining, a Send may raise the refusal of the message before it.
class ESmtpError : public Exception {
public:
    ESmtpError(TSmtpErrorKind kind, std::string message, TSmtpStep step = TSmtpStep::None, TSmtpReply reply = {},
               int sendNumber = 0)
        : Exception(std::move(message)), FKind(kind), FStep(step), FReply(std::move(reply)), FSendNumber(sendNumber)
    {
    }
    TSmtpErrorKind Kind() const noexcept { return FKind; }
    TSmtpStep Step() const noexcept { return FStep; }
    const TSmtpReply& Reply() const noexcept { return FReply; }
    // The reply code, 0 when no reply (or no code) came.
    int Code() const noexcept { return FReply.Code; }
    std::string FirstLine() const { return FReply.FirstLine(); }
    std::string ReplyText() const { return FReply.Text(); }
    // 0 for an error outside any message (connect, login, QUIT).
    int SendNumber() const noexcept { return FSendNumber; }
    void SetSendNumber(int number) noexcept { FSendNumber = number; }

private:
    TSmtpErrorKind FKind;
    TSmtpStep FStep;
    TSmtpReply FReply;
    int FSendNumber;
};
