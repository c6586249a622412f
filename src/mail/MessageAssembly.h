#pragma once
#include "base/Events.h"
#include "base/Stream.h"
#include "mail/HeaderList.h"
#include "mail/MailTypes.h"
#include "mail/OutgoingMessage.h"

#include <string>

// A new multipart boundary from the process-wide generator, whose sequence is the
// same in every run.
std::string NewBoundary();
// Starts the boundary sequence again from its first value; for tests only.
void ResetBoundaryGenerator();

// Turns an outgoing message record into the header lines and the body that follow
// the DATA command: a single text part, or multipart/mixed (RFC 2046) with the text
// first and one base64 part per attachment file.
class TMessageAssembler {
public:
    // Rebuilds FinalHeader and MessageBody (and Boundary when there are attachments).
    // An attachment that cannot be opened raises OnAttachmentNotFound, then EFOpenError.
    void BuildMessage(const TOutgoingMessage& message);

    // Every header line followed by CR LF, then the empty line that ends the header
    // and one more empty line opening the body: the header block as sent.
    std::string HeaderBlock() const;

    THeaderList& FinalHeader() { return FFinalHeader; }
    TMemoryStream& MessageBody() { return FMessageBody; }
    const std::string& Boundary() const { return FBoundary; }

    TSubType SubType = mtPlain;
    std::string Charset = "us-ascii";
    TEncodeMethod EncodeType = emBase64;
    TFileEvent OnEncodeStart;
    TFileEvent OnEncodeEnd;
    TFileEvent OnAttachmentNotFound;

private:
    void BuildHeader(const TOutgoingMessage& message);
    void ReserveBody(const TOutgoingMessage& message);
    void WriteBodyLines(const TStringList& body);
    void WriteAttachmentPart(const std::string& path);
    void Append(const std::string& text);

    THeaderList FFinalHeader;
    TMemoryStream FMessageBody;
    std::string FBoundary;
};
