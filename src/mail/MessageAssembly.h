// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "base/Events.h"
#include "base/Stream.h"
#include "mail/HeaderList.h"
#include "mail/MailTypes.h"
#include "mail/OutgoingMessage.h"
#include "mail/TextPart.h"

#include <string>
#include <vector>

// No CR, LF or NUL from a field may reach the wire: it would end a command or header
// line early and let the rest become commands or header lines of its own. Raises
// ESmtpError (FieldHasLineBreak) naming the field.
void CheckLineField(const std::string& value, const std::string& field);
// Every field of the message that goes into a command or header line, and the charset.
void CheckMessageFields(const TOutgoingMessage& message, const std::string& charset);

// A new multipart boundary from the process-wide generator, whose sequence is the
// same in every run.
std::string NewBoundary();
// Starts the boundary sequence again from its first value; for tests only.
void ResetBoundaryGenerator();

// Turns an outgoing message record into the header lines and the body that follow
// the DATA command: a single text part, or multipart/mixed (RFC 2046) with the text
// first and one base64 part per attachment file. An HTML text goes as
// multipart/alternative with a plain-text reading of it first (RFC 2046 5.1.4).
// Header lines and text stay 7-bit (see HeaderEncoding.h and TextPart.h).
class TMessageAssembler {
public:
    // Rebuilds FinalHeader and MessageBody (and Boundary when the message is multipart).
    // An attachment that cannot be opened raises OnAttachmentNotFound, then EFOpenError.
    void BuildMessage(const TOutgoingMessage& message);

    // Every header line followed by CR LF, then the empty line that ends the header
    // and one more empty line opening the body: the header block as sent.
    std::string HeaderBlock() const;

    THeaderList& FinalHeader() { return FFinalHeader; }
    TMemoryStream& MessageBody() { return FMessageBody; }
    // The boundary of the outermost multipart, kept from the last multipart message.
    const std::string& Boundary() const { return FBoundary; }

    TSubType SubType = mtPlain;
    std::string Charset = "us-ascii";
    TEncodeMethod EncodeType = emBase64;
    TFileEvent OnEncodeStart;
    TFileEvent OnEncodeEnd;
    TFileEvent OnAttachmentNotFound;

private:
    const std::vector<TTextPart>& TextParts(const TOutgoingMessage& message);
    void BuildHeader(const TOutgoingMessage& message, const std::vector<std::string>& contentLines);
    void ReserveBody(const TOutgoingMessage& message, const std::vector<TTextPart>& parts);
    void WriteTextPart(const TTextPart& part);
    void WriteAlternatives(const std::vector<TTextPart>& parts, const std::string& boundary);
    void WriteAttachmentPart(const std::string& path);
    void Append(const std::string& text);

    THeaderList FFinalHeader;
    TMemoryStream FMessageBody;
    std::string FBoundary;
    // The text parts of the last message, kept with what they were made from: a job's
    // messages mostly share one text, which need not be encoded again for each.
    struct TPartsMade {
        std::vector<std::string> BodyLines;
        TSubType SubType = mtPlain;
        std::string Charset;
        std::vector<TTextPart> Parts;
    } FPartsMade;
};
