// SPDX-License-Identifier: GPL-3.0-or-later
#include "workflow/compose/MessageComposer.h"

#include "mail/OutgoingMessage.h"
#include "workflow/compose/MessageFields.h"
#include "workflow/program/ProgramState.h"

#include <QFileInfo>

namespace {

bool IsFile(const std::string& path)
{
    return !path.empty() && QFileInfo(QString::fromStdString(path)).isFile();
}

} // namespace

TMessageComposer::TMessageComposer(const TMessageFields& message, const TListFields* fields, TComposeSettings settings)
    : FMessage(message), FSettings(std::move(settings)), FSubject(message.Subject()),
      FParagraphs(message.BodyParagraphs()), FHtml(message.FormatIndex() != 0),
      FText(FSubject, FParagraphs, FHtml, fields)
{
    FAssembler.SubType = FHtml ? mtHtml : mtPlain;
    FAssembler.Charset = FSettings.Charset;
}

void TMessageComposer::Compose(const std::string& entry, int row)
{
    TOutgoingMessage message;
    message.SetFromAddress(FSettings.FromAddress);
    message.SetFromName(FSettings.FromName);
    message.ToAddress().Add(entry);
    message.SetBody(FText.Body(entry, row));
    message.SetSubject(FText.Subject(entry, row));
    message.SetDate(MailDate(Stamps.Now()));
    message.SetMessageId(::MessageId(Stamps.UniquePart(), FSettings.FromAddress));
    // A file the user has removed since the job started does not go.
    const std::string attachment = FMessage.AttachmentPath();
    if (IsFile(attachment))
        message.Attachments().Add(attachment);
    message.SetLocalProgram(std::string(ApplicationTitle) + " " + ProgramVersion);
    for (const std::string& line : FSettings.ExtraHeaders)
        message.ExtraHeaders().Add(line);
    FMessageId = message.MessageId();
    CheckMessageFields(message, FSettings.Charset);
    FAssembler.BuildMessage(message);
    FHeaderBlock = FAssembler.HeaderBlock();
}
