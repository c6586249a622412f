// SPDX-License-Identifier: GPL-3.0-or-later
#include "mail/MessageAssembly.h"

#include "base/Exception.h"
#include "mail/AttachmentEncoder.h"
#include "mail/BufferedStream.h"
#include "mail/HeaderEncoding.h"
#include "mail/HtmlToText.h"
#include "mail/SmtpErrors.h"

#include <QMimeDatabase>
#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <memory>

namespace {

std::uint32_t BoundarySeed = 0;

// 32-bit linear congruential generator; the letter index is the high word of seed * 25.
char NextBoundaryLetter()
{
    BoundarySeed = BoundarySeed * 134775813u + 1u;
    return static_cast<char>('a' + ((std::uint64_t{BoundarySeed} * 25u) >> 32));
}

const char* MediaTypeOf(TSubType subType)
{
    switch (subType) {
    case mtEnriched: return "text/enriched";
    case mtSgml: return "text/sgml";
    case mtTabSeparated: return "text/tab-separated-values";
    case mtHtml: return "text/html";
    default: return "text/plain";
    }
}

// By the file's name alone, so that the type does not depend on what the file holds
// at the moment; application/octet-stream when the name says nothing.
std::string MediaTypeOfFile(const std::string& path)
{
    static const QMimeDatabase types;
    return types.mimeTypeForFile(QString::fromStdString(path), QMimeDatabase::MatchExtension).name().toStdString();
}

std::string FileNameOf(const std::string& path)
{
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The body as text, every line ended by CR LF: any line break inside an entry (CR LF,
// lone CR, lone LF) ends a line, so that no bare CR or LF reaches the text (RFC 5322 2.3).
std::string BodyText(const TStringList& body)
{
    std::size_t size = 0;
    for (const auto& entry : body.Lines())
        size += entry.size() + 2;
    std::string text;
    text.reserve(size);
    for (const auto& entry : body.Lines()) {
        for (std::size_t start = 0;;) {
            const std::size_t stop = entry.find_first_of("\r\n", start);
            text.append(entry, start, stop == std::string::npos ? std::string::npos : stop - start);
            text += "\r\n";
            if (stop == std::string::npos)
                break;
            start = stop + 1;
            if (entry[stop] == '\r' && start < entry.size() && entry[start] == '\n')
                ++start;
        }
    }
    return text;
}

// The plain-text reading of an HTML body, its lines ended by CR LF.
std::string PlainReading(const std::string& html)
{
    std::string reading = HtmlToText(html);
    if (reading.empty())
        return reading;
    std::string text;
    for (const char c : reading) {
        if (c == '\n')
            text += '\r';
        text += c;
    }
    return text + "\r\n";
}

// A boundary that occurs in none of the text parts (RFC 2046 5.1.1). Only they can
// hold one: the attachments are base64, whose lines have no "===", or uuencode,
// whose alphabet has no lower-case letters.
std::string BoundaryOutside(const std::vector<TTextPart>& parts, const std::string& other = {})
{
    for (;;) {
        std::string boundary = NewBoundary();
        const bool occurs = boundary == other || std::any_of(parts.begin(), parts.end(), [&](const TTextPart& part) {
                                return part.Content.find(boundary) != std::string::npos;
                            });
        if (!occurs)
            return boundary;
    }
}

std::string MultipartLine(const char* subtype, const std::string& boundary)
{
    return FoldHeaderLine(std::string("Content-Type: multipart/") + subtype + "; boundary=\"" + boundary + "\"");
}

std::int64_t FileSizeOrZero(const std::string& path)
{
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    return error ? 0 : static_cast<std::int64_t>(size);
}

} // namespace

std::string NewBoundary()
{
    std::string boundary = "====================54535";
    for (int i = 0; i < 6; ++i)
        boundary += NextBoundaryLetter();
    return boundary + "====";
}

void ResetBoundaryGenerator()
{
    BoundarySeed = 0;
}

void TMessageAssembler::BuildMessage(const TOutgoingMessage& message)
{
    const std::vector<TTextPart>& parts = TextParts(message);
    const bool mixed = !message.Attachments().Empty();
    const bool alternative = parts.size() > 1;
    std::string alternativeBoundary;
    std::vector<std::string> contentLines;
    if (mixed || alternative) {
        FBoundary = BoundaryOutside(parts);
        contentLines.push_back(MultipartLine(mixed ? "mixed" : "alternative", FBoundary));
        if (mixed && alternative)
            alternativeBoundary = BoundaryOutside(parts, FBoundary);
    } else {
        contentLines = parts.front().HeaderLines();
    }
    BuildHeader(message, contentLines);

    FMessageBody.Clear();
    ReserveBody(message, parts);
    if (!mixed && !alternative) {
        Append(parts.front().Content);
    } else if (!mixed) {
        WriteAlternatives(parts, FBoundary);
    } else {
        Append("--" + FBoundary + "\r\n");
        if (alternative) {
            Append(MultipartLine("alternative", alternativeBoundary) + "\r\n\r\n");
            WriteAlternatives(parts, alternativeBoundary);
        } else {
            WriteTextPart(parts.front());
        }
        for (const auto& path : message.Attachments().Lines())
            WriteAttachmentPart(path);
        Append("--" + FBoundary + "--\r\n");
    }
    FMessageBody.SetPosition(0);
}

const std::vector<TTextPart>& TMessageAssembler::TextParts(const TOutgoingMessage& message)
{
    TPartsMade& made = FPartsMade;
    if (!made.Parts.empty() && made.SubType == SubType && made.Charset == Charset
        && made.BodyLines == message.Body().Lines())
        return made.Parts;
    const std::string text = BodyText(message.Body());
    if (SubType != mtHtml)
        made.Parts = {MakeTextPart(MediaTypeOf(SubType), text, Charset)};
    else
        made.Parts = {MakeTextPart("text/plain", PlainReading(text), Charset),
                      MakeTextPart("text/html", text, Charset)};
    made.BodyLines = message.Body().Lines();
    made.SubType = SubType;
    made.Charset = Charset;
    return made.Parts;
}

void TMessageAssembler::BuildHeader(const TOutgoingMessage& message, const std::vector<std::string>& contentLines)
{
    FFinalHeader.Clear();
    FFinalHeader.Add(FromHeader(message.FromName(), message.FromAddress()));
    if (!message.ToAddress().Empty())
        FFinalHeader.Add(AddressListHeader("To", message.ToAddress().Lines()));
    if (!message.ToCarbonCopy().Empty())
        FFinalHeader.Add(AddressListHeader("CC", message.ToCarbonCopy().Lines()));
    // Blind copies never appear in the header.
    if (!message.Subject().empty())
        FFinalHeader.Add(UnstructuredHeader("Subject", message.Subject()));
    FFinalHeader.SetHeaderValue("X-Mailer", message.LocalProgram());
    if (!message.ReplyTo().empty())
        FFinalHeader.Add(AddressListHeader("Reply-To", {message.ReplyTo()}));
    FFinalHeader.SetHeaderValue("Date", message.Date());
    FFinalHeader.SetHeaderValue("Message-ID", message.MessageId());
    for (const auto& line : message.ExtraHeaders().Lines())
        FFinalHeader.Add(line);
    FFinalHeader.Add("Mime-Version: 1.0");
    for (const auto& line : contentLines)
        FFinalHeader.Add(line);
}

std::string TMessageAssembler::HeaderBlock() const
{
    return FFinalHeader.Text() + "\r\n\r\n";
}

// One allocation for the whole body, attachments included: growing by doubling
// would copy tens of megabytes several times and could hold twice the memory.
void TMessageAssembler::ReserveBody(const TOutgoingMessage& message, const std::vector<TTextPart>& parts)
{
    const std::int64_t partOverhead = 256 + 2 * static_cast<std::int64_t>(FBoundary.size());
    std::int64_t size = partOverhead;
    for (const auto& part : parts)
        size += partOverhead + static_cast<std::int64_t>(part.Content.size());
    for (const auto& path : message.Attachments().Lines())
        size += partOverhead + 2 * static_cast<std::int64_t>(path.size())
            + TAttachmentEncoder::EncodedSize(EncodeType, FileSizeOrZero(path));
    FMessageBody.Reserve(size);
}

void TMessageAssembler::WriteTextPart(const TTextPart& part)
{
    std::string text;
    for (const auto& line : part.HeaderLines())
        text += line + "\r\n";
    Append(text + "\r\n");
    Append(part.Content);
}

void TMessageAssembler::WriteAlternatives(const std::vector<TTextPart>& parts, const std::string& boundary)
{
    for (const auto& part : parts) {
        Append("--" + boundary + "\r\n");
        WriteTextPart(part);
    }
    Append("--" + boundary + "--\r\n");
}

void TMessageAssembler::WriteAttachmentPart(const std::string& path)
{
    // Declared base64 also when EncodeType is uuencode; the default is base64.
    Append("--" + FBoundary + "\r\n" + AttachmentPartHeader(FileNameOf(path), MediaTypeOfFile(path)) + "\r\n");

    std::unique_ptr<TFileStream> file;
    try {
        file = std::make_unique<TFileStream>(path, TFileMode::OpenRead);
    } catch (const EFOpenError&) {
        Fire(OnAttachmentNotFound, path);
        throw;
    }
    Fire(OnEncodeStart, path);
    {
        // The encoder writes straight onto the end of the body through the buffer,
        // so the encoded text is copied once, not once more from a side stream.
        TBufferedStream output(FMessageBody);
        TAttachmentEncoder encoder;
        encoder.Method = EncodeType;
        encoder.InStream = file.get();
        encoder.OutStream = &output;
        encoder.Encode();
    }
    Fire(OnEncodeEnd, path);
    FMessageBody.Seek(0, soEnd);
}

void TMessageAssembler::Append(const std::string& text)
{
    FMessageBody.Seek(0, soEnd);
    FMessageBody.WriteString(text);
}

void CheckLineField(const std::string& value, const std::string& field)
{
    if (value.find_first_of(std::string("\r\n\0", 3)) != std::string::npos)
        throw ESmtpError(TSmtpErrorKind::FieldHasLineBreak, field + " contains a line break or NUL character");
}

void CheckMessageFields(const TOutgoingMessage& message, const std::string& charset)
{
    const auto checkEntries = [](const TStringList& list, const std::string& field) {
        for (int i = 0; i < list.Count(); ++i)
            CheckLineField(list[i], field);
    };
    CheckLineField(message.FromAddress(), "FromAddress");
    CheckLineField(message.FromName(), "FromName");
    CheckLineField(message.Subject(), "Subject");
    CheckLineField(message.LocalProgram(), "LocalProgram");
    CheckLineField(message.ReplyTo(), "ReplyTo");
    CheckLineField(message.Date(), "Date");
    CheckLineField(message.MessageId(), "MessageId");
    CheckLineField(charset, "Charset");
    checkEntries(message.ToAddress(), "ToAddress");
    checkEntries(message.ToCarbonCopy(), "ToCarbonCopy");
    checkEntries(message.ToBlindCarbonCopy(), "ToBlindCarbonCopy");
    // The file name goes into the part's header lines; check the whole path.
    checkEntries(message.Attachments(), "Attachments");
    checkEntries(message.ExtraHeaders(), "ExtraHeaders");
}
