// Fuzzes message assembly with random records: names, subject, entries, body lines
// and attachment bytes. Checks what goes out after DATA:
// - no bare CR or LF (RFC 5322 section 2.3) and no line that is a single dot, which
//   would end the data early (RFC 5321 section 4.5.2);
// - dot-unstuffing the body gives back its lines, each line break inside an entry
//   (CR LF, CR or LF) made a line end;
// - the attachment decodes back to its bytes (RFC 2045 section 6.8).
// Header fields never hold CR, LF or NUL here: the client refuses such fields before
// it assembles anything.
#include "mail/MessageAssembly.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include <fuzzer/FuzzedDataProvider.h>

namespace {

std::string AttachmentPath;

void Fail(const char* what)
{
    std::fprintf(stderr, "assembly fault: %s\n", what);
    std::abort();
}

std::string Field(FuzzedDataProvider& input)
{
    std::string text = input.ConsumeRandomLengthString(80);
    std::erase_if(text, [](char c) { return c == '\r' || c == '\n' || c == '\0'; });
    return text;
}

// The lines of one entry: a line ends at CR LF, a lone CR or a lone LF.
void SplitEntry(const std::string& entry, std::vector<std::string>& lines)
{
    std::string line;
    for (std::size_t i = 0; i < entry.size(); ++i) {
        if (entry[i] != '\r' && entry[i] != '\n') {
            line += entry[i];
            continue;
        }
        lines.push_back(line);
        line.clear();
        if (entry[i] == '\r' && i + 1 < entry.size() && entry[i + 1] == '\n')
            ++i;
    }
    lines.push_back(line);
}

// Splits wire text at CR LF; every line must end with one.
std::vector<std::string> WireLines(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find("\r\n", start);
        if (end == std::string::npos)
            Fail("text does not end with CR LF");
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

void CheckLineBreaks(const std::string& text)
{
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n'))
            Fail("bare CR");
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r'))
            Fail("bare LF");
    }
    for (const std::string& line : WireLines(text))
        if (line == ".")
            Fail("a line that is a single dot");
}

void CheckBodyLines(const std::string& wire, const TStringList& body)
{
    std::vector<std::string> expected;
    for (const std::string& entry : body.Lines())
        SplitEntry(entry, expected);
    std::vector<std::string> unstuffed = WireLines(wire);
    for (std::string& line : unstuffed)
        if (!line.empty() && line[0] == '.')
            line.erase(0, 1);
    if (unstuffed != expected)
        Fail("the body lines do not come back");
}

int Base64Value(char c)
{
    static const std::string alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    const std::size_t at = alphabet.find(c);
    return at == std::string::npos ? -1 : static_cast<int>(at);
}

std::string DecodeBase64(const std::string& lines)
{
    std::string decoded;
    std::uint32_t bits = 0;
    int count = 0;
    for (const std::string& line : WireLines(lines)) {
        for (char c : line) {
            if (c == '=')
                break;
            const int value = Base64Value(c);
            if (value < 0)
                Fail("a character outside the base64 alphabet");
            bits = (bits << 6) | static_cast<std::uint32_t>(value);
            if (++count == 4) {
                decoded += static_cast<char>(bits >> 16);
                decoded += static_cast<char>(bits >> 8);
                decoded += static_cast<char>(bits);
                bits = 0;
                count = 0;
            }
        }
    }
    if (count == 2)
        decoded += static_cast<char>(bits >> 4);
    if (count == 3) {
        decoded += static_cast<char>(bits >> 10);
        decoded += static_cast<char>(bits >> 2);
    }
    return decoded;
}

bool StartsWith(const std::string& text, const std::string& prefix, std::size_t at = 0)
{
    return text.compare(at, prefix.size(), prefix) == 0;
}

// Splits the multipart body into the text lines and the attachment's encoded lines.
void CheckMultipart(const std::string& wire, const std::string& boundary, const std::string& charset,
                    const TStringList& body, const std::string& attachment)
{
    const std::string textHeader = "--" + boundary + "\r\nContent-Type: text/plain; charset=" + charset + "\r\n\r\n";
    const std::string name = "attachment.bin";
    const std::string partHeader = "--" + boundary + "\r\nContent-Type: application/octet-stream; name=\"" + name
        + "\"\r\nContent-Transfer-Encoding: base64\r\nContent-Disposition: attachment; filename=\"" + name + "\"\r\n\r\n";
    const std::string closing = "--" + boundary + "--\r\n";
    if (!StartsWith(wire, textHeader) || wire.size() < closing.size()
        || wire.compare(wire.size() - closing.size(), closing.size(), closing) != 0)
        Fail("the multipart frame is broken");
    const std::size_t part = wire.rfind(partHeader);
    if (part == std::string::npos || part < textHeader.size())
        Fail("the attachment part is missing");
    CheckBodyLines(wire.substr(textHeader.size(), part - textHeader.size()), body);
    const std::size_t encoded = part + partHeader.size();
    if (DecodeBase64(wire.substr(encoded, wire.size() - closing.size() - encoded)) != attachment)
        Fail("the attachment does not decode to its bytes");
}

void WriteAttachment(const std::string& bytes)
{
    std::FILE* file = std::fopen(AttachmentPath.c_str(), "wb");
    if (!file || std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size())
        Fail("cannot write the attachment file");
    std::fclose(file);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    static QCoreApplication application(*argc, *argv);
    static QTemporaryDir folder;
    AttachmentPath = folder.filePath("attachment.bin").toStdString();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    TOutgoingMessage message;
    message.SetFromName(Field(input));
    message.SetFromAddress(Field(input));
    message.SetSubject(Field(input));
    message.SetDate(Field(input));
    for (int i = input.ConsumeIntegralInRange(0, 3); i > 0; --i)
        message.ToAddress().Add(Field(input));
    TMessageAssembler assembler;
    assembler.SubType = static_cast<TSubType>(input.ConsumeIntegralInRange(0, 4));
    assembler.Charset = Field(input);
    const bool attach = input.ConsumeBool();
    const std::string attachment = attach ? input.ConsumeRandomLengthString(4096) : std::string();
    while (input.remaining_bytes() > 0)
        message.Body().Add(input.ConsumeRandomLengthString(200));
    if (attach) {
        WriteAttachment(attachment);
        message.Attachments().Add(AttachmentPath);
    }

    assembler.BuildMessage(message);
    const std::string header = assembler.HeaderBlock();
    const std::string body = assembler.MessageBody().ToString();
    CheckLineBreaks(header + body);
    if (attach)
        CheckMultipart(body, assembler.Boundary(), assembler.Charset, message.Body(), attachment);
    else
        CheckBodyLines(body, message.Body());
    return 0;
}
