#include "mail/MessageAssembly.h"

#include "base/Exception.h"
#include "mail/AttachmentEncoder.h"
#include "mail/BufferedStream.h"

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

const char* ContentTypeOf(TSubType subType)
{
    switch (subType) {
    case mtEnriched: return "Content-Type: text/enriched; charset=";
    case mtSgml: return "Content-Type: text/sgml; charset=";
    case mtTabSeparated: return "Content-Type: text/tab-separated-values; charset=";
    case mtHtml: return "Content-Type: text/html; charset=";
    default: return "Content-Type: text/plain; charset=";
    }
}

std::string JoinWithCommas(const TStringList& entries)
{
    std::string joined;
    for (int i = 0; i < entries.Count(); ++i) {
        if (i > 0)
            joined += ',';
        joined += entries[i];
    }
    return joined;
}

std::string FileNameOf(const std::string& path)
{
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Appends one body entry as wire lines. Any line break inside the entry (CR LF,
// lone CR, lone LF) becomes CR LF, and every line that starts with a dot gets one
// more, so no entry can end the data early (RFC 5321 4.5.2) or leave a bare CR or
// LF in the text (RFC 5322 2.3).
void AppendDotStuffedLines(const std::string& entry, std::string& out)
{
    size_t start = 0;
    for (;;) {
        const size_t stop = entry.find_first_of("\r\n", start);
        const size_t end = stop == std::string::npos ? entry.size() : stop;
        if (end > start && entry[start] == '.')
            out += '.';
        out.append(entry, start, end - start);
        out += "\r\n";
        if (stop == std::string::npos)
            return;
        start = stop + 1;
        if (entry[stop] == '\r' && start < entry.size() && entry[start] == '\n')
            ++start;
    }
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
    const bool multipart = !message.Attachments().Empty();
    if (multipart)
        FBoundary = NewBoundary();
    BuildHeader(message);

    FMessageBody.Clear();
    ReserveBody(message);
    if (!multipart) {
        WriteBodyLines(message.Body());
    } else {
        Append("--" + FBoundary + "\r\nContent-Type: text/plain; charset=" + Charset + "\r\n\r\n");
        WriteBodyLines(message.Body());
        for (const auto& path : message.Attachments().Lines())
            WriteAttachmentPart(path);
        Append("--" + FBoundary + "--\r\n");
    }
    FMessageBody.SetPosition(0);
}

void TMessageAssembler::BuildHeader(const TOutgoingMessage& message)
{
    FFinalHeader.Clear();
    FFinalHeader.Add("From: " + message.FromName() + "<" + message.FromAddress() + ">");
    if (!message.ToAddress().Empty())
        FFinalHeader.Add("To: " + JoinWithCommas(message.ToAddress()));
    if (!message.ToCarbonCopy().Empty())
        FFinalHeader.Add("CC: " + JoinWithCommas(message.ToCarbonCopy()));
    // Blind copies never appear in the header.
    FFinalHeader.SetHeaderValue("Subject", message.Subject());
    FFinalHeader.SetHeaderValue("X-Mailer", message.LocalProgram());
    FFinalHeader.SetHeaderValue("Reply-To", message.ReplyTo());
    FFinalHeader.SetHeaderValue("Date", message.Date());
    FFinalHeader.Add("Mime-Version: 1.0");
    if (!message.Attachments().Empty())
        FFinalHeader.Add("Content-Type: multipart/mixed; boundary=\"" + FBoundary + "\"");
    else
        FFinalHeader.Add(ContentTypeOf(SubType) + Charset);
}

std::string TMessageAssembler::HeaderBlock() const
{
    return FFinalHeader.Text() + "\r\n\r\n";
}

// One allocation for the whole body, attachments included: growing by doubling
// would copy tens of megabytes several times and could hold twice the memory.
void TMessageAssembler::ReserveBody(const TOutgoingMessage& message)
{
    const std::int64_t partOverhead = 256 + 2 * static_cast<std::int64_t>(FBoundary.size());
    std::int64_t size = partOverhead;
    for (const auto& line : message.Body().Lines())
        size += static_cast<std::int64_t>(line.size()) + 3;
    for (const auto& path : message.Attachments().Lines())
        size += partOverhead + 2 * static_cast<std::int64_t>(path.size())
              + TAttachmentEncoder::EncodedSize(EncodeType, FileSizeOrZero(path));
    FMessageBody.Reserve(size);
}

void TMessageAssembler::WriteBodyLines(const TStringList& body)
{
    std::string text;
    for (const auto& entry : body.Lines())
        AppendDotStuffedLines(entry, text);
    Append(text);
}

void TMessageAssembler::WriteAttachmentPart(const std::string& path)
{
    const std::string name = FileNameOf(path);
    Append("--" + FBoundary + "\r\n"
           "Content-Type: application/octet-stream; name=\"" + name + "\"\r\n"
           // Declared base64 also when EncodeType is uuencode; the default is base64.
           "Content-Transfer-Encoding: base64\r\n"
           "Content-Disposition: attachment; filename=\"" + name + "\"\r\n"
           "\r\n");

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
