// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzzes message assembly with random records: names, subject, entries, body text
// (random bytes, or random Unicode text with long lines), charset, format and an
// attachment with a random name. Reads what goes out after DATA back as a receiver
// would, with the decoders of tests/support/MailDecoding.h, and checks:
// - no bare CR or LF (RFC 5322 2.3), no line that is a single dot (RFC 5321 4.5.2),
//   no line over 998 octets once unstuffed (RFC 5322 2.1.1), a 7-bit header;
// - the subject and the sender's name decode back to what was given (RFC 2047);
// - the MIME structure splits at its boundaries into the parts it should have, the
//   text decodes (quoted-printable, then its declared charset) to the body lines, each
//   line break inside an entry made a line end, and the HTML part to the HTML given;
// - the attachment's name (RFC 2231) and bytes (base64) come back.
// Header fields never hold CR, LF or NUL here: the client refuses such fields before
// it assembles anything.
#include "../support/MailDecoding.h"
#include "base/Charsets.h"
#include "mail/MessageAssembly.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fuzzer/FuzzedDataProvider.h>
#include <map>

namespace {

using namespace MailDecoding;

QTemporaryDir* Folder = nullptr;

void Fail(const char* what)
{
    std::fprintf(stderr, "assembly fault: %s\n", what);
    std::abort();
}

// --- inputs ------------------------------------------------------------------

std::string WithoutLineBreaks(std::string text, const char* alsoRemove = "")
{
    std::erase_if(text, [&](char c) { return c == '\r' || c == '\n' || c == '\0' || std::strchr(alsoRemove, c); });
    return text;
}

// Text in UTF-8 made of characters a Slovenian message holds, and a few that
// matter to MIME; a long run of them makes a long line.
std::string UnicodeText(FuzzedDataProvider& input, int maxCharacters, bool lineBreaks)
{
    static const char* const pieces[] = {"a",  "Z", "0", " ",        " ", "\t", ".",  "=",    "?", "_", "-",
                                         "\"", ",", "<", "č",        "š", "ž",  "Č",  "Š",    "Ž", "–", "€",
                                         "„",  "“", "…", "\xC2\xA0", "😀", "=?", "?=", "\r\n", "\n"};
    const int count = input.ConsumeIntegralInRange(0, maxCharacters);
    const int last = static_cast<int>(std::size(pieces)) - (lineBreaks ? 1 : 3);
    std::string text;
    for (int i = 0; i < count && input.remaining_bytes() > 0; ++i)
        text += pieces[input.ConsumeIntegralInRange(0, last)];
    return text;
}

std::string Text(FuzzedDataProvider& input, int maxLength, const char* alsoRemove = "")
{
    if (input.ConsumeBool())
        return WithoutLineBreaks(UnicodeText(input, maxLength / 2, false), alsoRemove);
    return WithoutLineBreaks(input.ConsumeRandomLengthString(maxLength), alsoRemove);
}

std::string Ascii(FuzzedDataProvider& input, int maxLength)
{
    std::string text = WithoutLineBreaks(input.ConsumeRandomLengthString(maxLength));
    std::erase_if(text, [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
    return text;
}

std::string Charset(FuzzedDataProvider& input)
{
    static const char* const names[] = {"us-ascii", "utf-8", "iso-8859-2", "windows-1250", "utf-16"};
    const int choice = input.ConsumeIntegralInRange(0, static_cast<int>(std::size(names)));
    return choice < static_cast<int>(std::size(names)) ? names[choice] : Ascii(input, 12);
}

std::string AttachmentName(FuzzedDataProvider& input)
{
    std::string name = Text(input, 100, "/");
    if (name.empty() || name == "." || name == "..")
        name = "attachment.bin";
    return name;
}

void WriteFile(const std::string& path, const std::string& bytes)
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file || std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size())
        Fail("cannot write the attachment file");
    std::fclose(file);
}

// --- reading the message back ------------------------------------------------

std::vector<std::string> WireLines(const std::string& text)
{
    std::vector<std::string> lines;
    if (!SplitCrLf(text, lines))
        Fail("text does not end with CR LF");
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
}

// What the server keeps: every line with one leading dot less (RFC 5321 4.5.2).
std::vector<std::string> Unstuffed(const std::string& wire)
{
    std::vector<std::string> lines = WireLines(wire);
    for (std::string& line : lines) {
        if (line == ".")
            Fail("a line that is a single dot");
        if (!line.empty() && line[0] == '.')
            line.erase(0, 1);
        if (line.size() > 998)
            Fail("a line over 998 octets");
    }
    return lines;
}

// A header block's fields, unfolded, by lower-case name.
std::map<std::string, std::string> Fields(const std::vector<std::string>& lines)
{
    std::map<std::string, std::string> fields;
    std::string name;
    for (const std::string& line : lines) {
        if (!line.empty() && (line[0] == ' ' || line[0] == '\t')) {
            if (name.empty())
                Fail("a continuation line without a field");
            fields[name] += line;
            continue;
        }
        const std::size_t colon = line.find(':');
        if (colon == std::string::npos)
            Fail("a header line without a colon");
        name = line.substr(0, colon);
        std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::tolower(c); });
        fields[name] = line.substr(colon + 2 <= line.size() ? colon + 2 : line.size());
    }
    return fields;
}

std::string Parameter(const std::string& value, const std::string& name)
{
    const std::size_t at = value.find(name + "=");
    if (at == std::string::npos)
        return {};
    std::size_t start = at + name.size() + 1;
    if (start < value.size() && value[start] == '"')
        return value.substr(start + 1, value.find('"', start + 1) - start - 1);
    return value.substr(start, value.find(';', start) - start);
}

struct TPart {
    std::map<std::string, std::string> Fields;
    std::vector<std::string> Lines;
};

// The parts between "--boundary" lines, up to "--boundary--" (RFC 2046 5.1.1).
std::vector<TPart> SplitMultipart(const std::vector<std::string>& lines, const std::string& boundary)
{
    if (boundary.empty() || lines.empty() || lines.front() != "--" + boundary || lines.back() != "--" + boundary + "--")
        Fail("the multipart frame is broken");
    std::vector<TPart> parts;
    std::vector<std::string> current;
    for (std::size_t i = 1; i < lines.size(); ++i) {
        if (lines[i] != "--" + boundary && lines[i] != "--" + boundary + "--") {
            current.push_back(lines[i]);
            continue;
        }
        const auto blank = std::find(current.begin(), current.end(), std::string());
        if (blank == current.end())
            Fail("a part without the empty line after its header");
        parts.push_back({Fields({current.begin(), blank}), {blank + 1, current.end()}});
        current.clear();
    }
    return parts;
}

// The text of a part, decoded from its transfer encoding and its charset, in UTF-8.
std::vector<std::string> DecodedText(const TPart& part, const std::string& mediaType)
{
    const std::string type = part.Fields.count("content-type") ? part.Fields.at("content-type") : "";
    if (type.rfind(mediaType + "; charset=", 0) != 0)
        Fail("a text part of the wrong type");
    std::vector<std::string> lines = part.Lines;
    const auto encoding = part.Fields.find("content-transfer-encoding");
    if (encoding != part.Fields.end()) {
        if (encoding->second != "quoted-printable")
            Fail("a text part in an unknown transfer encoding");
        lines.clear();
        if (!DecodeQuotedPrintable(part.Lines, lines))
            Fail("quoted-printable that does not decode");
    } else {
        for (const std::string& line : lines)
            if (std::any_of(line.begin(), line.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; }))
                Fail("8-bit text without a transfer encoding");
    }
    std::string charset = Parameter(type, "charset");
    std::transform(charset.begin(), charset.end(), charset.begin(), [](unsigned char c) { return std::tolower(c); });
    const bool ascii = std::all_of(lines.begin(), lines.end(), [](const std::string& line) {
        return std::all_of(line.begin(), line.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    });
    if (ascii || charset == "utf-8")
        return lines; // as given, even when it was not UTF-8
    std::string joined;
    for (const std::string& line : lines)
        joined += line + "\r\n";
    const auto converted = ConvertExactly(joined, charset, "UTF-8");
    if (!converted)
        Fail("a text part that is not in its declared charset");
    return WireLines(*converted);
}

// The lines of the body entries: a line ends at CR LF, a lone CR or a lone LF.
std::vector<std::string> ExpectedLines(const TStringList& body)
{
    std::vector<std::string> lines;
    for (const std::string& entry : body.Lines()) {
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
    return lines;
}

void CheckText(const TPart& part, TSubType subType, const TStringList& body)
{
    const std::vector<std::string> expected = ExpectedLines(body);
    if (subType != mtHtml) {
        static const char* const types[] = {"text/plain", "text/enriched", "text/sgml", "text/tab-separated-values"};
        if (DecodedText(part, types[subType]) != expected)
            Fail("the body lines do not come back");
        return;
    }
    const std::string type = part.Fields.count("content-type") ? part.Fields.at("content-type") : "";
    if (type.rfind("multipart/alternative;", 0) != 0)
        Fail("an HTML text without its alternative");
    const std::vector<TPart> alternatives = SplitMultipart(part.Lines, Parameter(type, "boundary"));
    if (alternatives.size() != 2)
        Fail("the alternative does not hold two parts");
    DecodedText(alternatives[0], "text/plain");
    if (DecodedText(alternatives[1], "text/html") != expected)
        Fail("the HTML does not come back");
}

int Base64Value(char c)
{
    static const std::string alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    const std::size_t at = alphabet.find(c);
    return at == std::string::npos ? -1 : static_cast<int>(at);
}

std::string DecodeBase64(const std::vector<std::string>& lines)
{
    std::string decoded;
    std::uint32_t bits = 0;
    int count = 0;
    for (const std::string& line : lines) {
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

// filename="..." as written, or filename*= in one or more pieces (RFC 2231).
std::string FileNameOf(const std::string& disposition)
{
    const std::string plain = "attachment; filename=\"";
    if (disposition.rfind(plain, 0) == 0) {
        if (disposition.back() != '"')
            Fail("an unclosed file name");
        return disposition.substr(plain.size(), disposition.size() - plain.size() - 1);
    }
    std::string encoded;
    for (std::size_t at = disposition.find("filename*"); at != std::string::npos;
         at = disposition.find("filename*", at + 1)) {
        const std::size_t start = disposition.find('=', at) + 1;
        encoded += disposition.substr(start, disposition.find(';', start) - start);
    }
    if (encoded.rfind("UTF-8''", 0) != 0)
        Fail("an extended file name without its charset");
    return DecodedPercent(encoded.substr(7));
}

void CheckAttachment(const TPart& part, const std::string& name, const std::string& bytes)
{
    const auto disposition = part.Fields.find("content-disposition");
    if (disposition == part.Fields.end() || FileNameOf(disposition->second) != name)
        Fail("the attachment's name does not come back");
    if (part.Fields.count("content-type") == 0 || part.Fields.at("content-transfer-encoding") != "base64")
        Fail("the attachment part's header is incomplete");
    if (DecodeBase64(part.Lines) != bytes)
        Fail("the attachment does not decode to its bytes");
}

// The text of a quoted string: a backslash takes the next character as itself, but
// never the closing quote.
std::string Unquoted(const std::string& quoted)
{
    std::string text;
    for (std::size_t i = 1; i + 1 < quoted.size(); ++i)
        text += quoted[i] == '\\' && i + 2 < quoted.size() ? quoted[++i] : quoted[i];
    return text;
}

void CheckHeader(const std::map<std::string, std::string>& fields, const TOutgoingMessage& message)
{
    if (!message.Subject().empty() && DecodedEncodedWords(fields.at("subject")) != message.Subject())
        Fail("the subject does not come back");
    const std::string from = fields.at("from");
    const std::string address = "<" + message.FromAddress() + ">";
    if (from.size() < address.size() || from.compare(from.size() - address.size(), address.size(), address) != 0)
        Fail("the sender's address is not the one given");
    std::string name = from.substr(0, from.size() - address.size());
    const std::string& given = message.FromName();
    if (name == given)
        return;
    if (name.empty() || name.back() != ' ')
        Fail("a changed name without a blank before the address");
    name.pop_back();
    // A quoted name is read as a quoted string, an encoded one as encoded-words; a
    // name given in quotes comes back without them.
    const std::string decoded = name.front() == '"' ? Unquoted(name) : DecodedEncodedWords(name);
    const bool givenInQuotes = given.size() >= 2 && given.front() == '"' && given.back() == '"';
    if (decoded != given && !(givenInQuotes && decoded == Unquoted(given)))
        Fail("the sender's name does not come back");
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    static QCoreApplication application(*argc, *argv);
    static QTemporaryDir folder;
    Folder = &folder;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    TOutgoingMessage message;
    message.SetFromName(Text(input, 80));
    message.SetFromAddress(Ascii(input, 40));
    message.SetSubject(Text(input, 120));
    message.SetDate(Ascii(input, 40));
    for (int i = input.ConsumeIntegralInRange(0, 3); i > 0; --i)
        message.ToAddress().Add(input.ConsumeBool() ? Ascii(input, 40)
                                                    : Text(input, 60, "<>") + " <" + Ascii(input, 30) + ">");
    TMessageAssembler assembler;
    assembler.SubType = static_cast<TSubType>(input.ConsumeIntegralInRange(0, 4));
    assembler.Charset = Charset(input);
    const bool attach = input.ConsumeBool();
    const std::string attachmentName = attach ? AttachmentName(input) : std::string();
    const std::string attachment = attach ? input.ConsumeRandomLengthString(4096) : std::string();
    while (input.remaining_bytes() > 0)
        message.Body().Add(input.ConsumeBool() ? UnicodeText(input, 3000, input.ConsumeBool())
                                               : input.ConsumeRandomLengthString(200));
    // Byte for byte: a file name need not be UTF-8.
    const std::string path = Folder->path().toStdString() + "/" + attachmentName;
    if (attach) {
        WriteFile(path, attachment);
        message.Attachments().Add(path);
    }

    assembler.BuildMessage(message);
    const std::string header = assembler.HeaderBlock();
    const std::string body = assembler.MessageBody().ToString();
    if (attach)
        std::remove(path.c_str());
    CheckLineBreaks(header + body);
    if (std::any_of(header.begin(), header.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; }))
        Fail("an 8-bit byte in the header");

    std::vector<std::string> headerLines = Unstuffed(header);
    headerLines.resize(headerLines.size() - 2); // the empty line, and the body's first
    const auto fields = Fields(headerLines);
    CheckHeader(fields, message);
    const std::vector<std::string> bodyLines = Unstuffed(body);
    const TPart whole{fields, bodyLines};
    if (!attach) {
        CheckText(whole, assembler.SubType, message.Body());
        return 0;
    }
    const std::vector<TPart> parts = SplitMultipart(bodyLines, Parameter(fields.at("content-type"), "boundary"));
    if (parts.size() != 2)
        Fail("the message does not hold its text and its attachment");
    CheckText(parts[0], assembler.SubType, message.Body());
    CheckAttachment(parts[1], attachmentName, attachment);
    return 0;
}
