// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "base/StringList.h"
#include "workflow/job/SendJob.h"

#include <string>

// The message of a headless job: the text of the message file, the subject, the format and
// the attachment from the command line.
class TFileMessage : public TMessageFields {
public:
    std::string Subject() const override { return SubjectText; }
    TStringList BodyParagraphs() const override { return Paragraphs; }
    int FormatIndex() const override { return Html ? 1 : 0; }
    std::string AttachmentPath() const override { return Attachment; }

    std::string SubjectText;
    TStringList Paragraphs;
    bool Html = false;
    std::string Attachment;
};
