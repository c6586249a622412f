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
// found before any command. EndOfData is the final dot after the text.
enum class TSmtpStep { None, Greeting, Helo, Rset, MailFrom, RcptTo, Data, EndOfData, Quit };

// What went wrong in the SMTP dialogue, so that callers decide without reading texts.
enum class TSmtpErrorKind {
    FieldHasLineBreak,    // a field would break a command or header line; nothing was sent
    IncompleteHeader,     // no sender or no recipient; nothing was sent
    NoReply,              // the server closed the connection instead of (finishing) a reply
    InvalidReply,         // a reply without a reply code
    Refused,              // a reply code above what the step accepts
    AuthenticationFailed, // HELO refused, also after the handler's one retry
};

// An error the SMTP client raises itself; the message is the text the user sees (for a
// refusal, the server's reply line). Errors of the socket session pass as ESocketError.
class ESmtpError : public Exception {
public:
    ESmtpError(TSmtpErrorKind kind, std::string message, TSmtpStep step = TSmtpStep::None, TSmtpReply reply = {})
        : Exception(std::move(message)), FKind(kind), FStep(step), FReply(std::move(reply))
    {
    }
    TSmtpErrorKind Kind() const noexcept { return FKind; }
    TSmtpStep Step() const noexcept { return FStep; }
    const TSmtpReply& Reply() const noexcept { return FReply; }
    // The reply code, 0 when no reply (or no code) came.
    int Code() const noexcept { return FReply.Code; }
    std::string FirstLine() const { return FReply.FirstLine(); }
    std::string ReplyText() const { return FReply.Text(); }

private:
    TSmtpErrorKind FKind;
    TSmtpStep FStep;
    TSmtpReply FReply;
};
