// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "base/Stream.h"
#include "base/StringList.h"
#include "mail/MessageAssembly.h"
#include "mail/MessageIdentity.h"
#include "workflow/compose/JobMessage.h"

#include <string>
#include <vector>

class TListFields;
class TMessageFields;

// What the account's settings give every message: its sender and the charset its text is
// written in where that charset holds it.
struct TComposeSettings {
    std::string FromAddress;
    std::string FromName;
    std::string Charset;
    std::vector<std::string> ExtraHeaders; // such as List-Unsubscribe, on every message
};

// Composes one message per entry, as the SMTP client sends it after DATA (before the
// dot-stuffing of the transfer): the subject, the text and the format are read once, when
// the composer is made, and their personal fields checked against the list's columns
// then; the attachment is read for every message, so that the file there now goes.
class TMessageComposer {
public:
    // fields: the list's columns and values, numbered as the rows passed to Compose; null
    // for a list that has none (only {{name}}, {{first}} and {{email}} are filled in).
    TMessageComposer(const TMessageFields& message, const TListFields* fields, TComposeSettings settings);

    // The subject and text as read, and whether the text is HTML.
    const std::string& Subject() const { return FSubject; }
    const TStringList& Paragraphs() const { return FParagraphs; }
    bool Html() const { return FHtml; }
    // The fields the list does not have; a job must not start while there is one.
    const std::vector<TFieldProblem>& Problems() const { return FText.Problems(); }
    // The subject and text as the entry at row gets them (see TJobMessage).
    std::string SubjectFor(const std::string& entry, int row) const { return FText.Subject(entry, row); }
    TStringList ParagraphsFor(const std::string& entry, int row) const { return FText.Body(entry, row); }
    const TJobMessage& Text() const { return FText; }

    // Composes the entry's message, with a Date and Message-ID of its own. Raises
    // ESmtpError (FieldHasLineBreak) for a field that would break a header line, and
    // EFOpenError for an attachment that cannot be read.
    void Compose(const std::string& entry, int row);
    // The last composed message: its header lines, the empty line that ends them and the
    // one that opens the body; its body; and its Message-ID.
    const std::string& HeaderBlock() const { return FHeaderBlock; }
    TMemoryStream& Body() { return FAssembler.MessageBody(); }
    const std::string& MessageId() const { return FMessageId; }

    // Date and Message-ID of every message come from here.
    TMessageStamps Stamps;

private:
    const TMessageFields& FMessage;
    TComposeSettings FSettings;
    std::string FSubject;
    TStringList FParagraphs;
    bool FHtml;
    TJobMessage FText;
    TMessageAssembler FAssembler;
    std::string FHeaderBlock;
    std::string FMessageId;
};
