// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/MessageReading.h"

#include "mail/HtmlToText.h"
#include "workflow/program/ProgramState.h"

#include <QByteArray>
#include <QStringDecoder>

#include <cctype>
#include <cstdlib>
#include <map>
#include <vector>

namespace {

struct THeaderField {
    std::string Name; // lower case
    std::string Value;
};

struct TEntity {
    std::vector<THeaderField> Header;
    std::string Body;
};

struct TReading {
    std::string Text;
    bool TextIsPlain = false;
    std::vector<std::string> Attachments;
};

std::string Lowered(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::string Trimmed(const std::string& text)
{
    const std::size_t first = text.find_first_not_of(" \t");
    const std::size_t last = text.find_last_not_of(" \t");
    return first == std::string::npos ? std::string() : text.substr(first, last - first + 1);
}

std::string InCharset(const QByteArray& bytes, const std::string& charset)
{
    QStringDecoder decoder(charset.empty() ? "us-ascii" : charset.c_str());
    if (!decoder.isValid())
        return bytes.toStdString();
    return QString(decoder.decode(bytes)).toStdString();
}

// The header (unfolded, RFC 5322 2.2.3) and the body after the first empty line.
TEntity ParseEntity(const std::string& text)
{
    TEntity entity;
    std::size_t end = text.find("\r\n\r\n");
    const std::string header = text.substr(0, end == std::string::npos ? text.size() : end + 2);
    entity.Body = end == std::string::npos ? std::string() : text.substr(end + 4);
    std::size_t at = 0;
    while (at < header.size()) {
        std::size_t lineEnd = header.find("\r\n", at);
        if (lineEnd == std::string::npos)
            lineEnd = header.size();
        const std::string line = header.substr(at, lineEnd - at);
        at = lineEnd + 2;
        if (!line.empty() && (line[0] == ' ' || line[0] == '\t') && !entity.Header.empty()) {
            entity.Header.back().Value += line;
            continue;
        }
        const std::size_t colon = line.find(':');
        if (colon != std::string::npos)
            entity.Header.push_back({Lowered(line.substr(0, colon)), Trimmed(line.substr(colon + 1))});
    }
    return entity;
}

std::string Field(const TEntity& entity, const std::string& name)
{
    for (const THeaderField& field : entity.Header)
        if (field.Name == name)
            return field.Value;
    return {};
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    c = static_cast<char>(c | 0x20);
    return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

// "=XX" and, for encoded-words, "_" as a blank (RFC 2047 4.2); soft line breaks go.
QByteArray FromQuotedPrintable(const std::string& text, bool encodedWord)
{
    QByteArray bytes;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '=' && text.compare(i + 1, 2, "\r\n") == 0) {
            i += 2;
        } else if (c == '=' && i + 2 < text.size() && HexDigit(text[i + 1]) >= 0 && HexDigit(text[i + 2]) >= 0) {
            bytes += static_cast<char>(HexDigit(text[i + 1]) * 16 + HexDigit(text[i + 2]));
            i += 2;
        } else {
            bytes += encodedWord && c == '_' ? ' ' : c;
        }
    }
    return bytes;
}

// RFC 2047: "=?charset?Q?...?=" and "=?charset?B?...?="; the blanks between two
// encoded-words are not part of the text.
std::string DecodedHeader(const std::string& value)
{
    std::string text;
    std::size_t at = 0;
    bool afterWord = false;
    while (at < value.size()) {
        const std::size_t start = value.find("=?", at);
        const std::size_t q1 = start == std::string::npos ? start : value.find('?', start + 2);
        const std::size_t q2 = q1 == std::string::npos ? q1 : value.find('?', q1 + 1);
        const std::size_t end = q2 == std::string::npos ? q2 : value.find("?=", q2 + 1);
        if (end == std::string::npos) {
            text += value.substr(at);
            break;
        }
        const std::string between = value.substr(at, start - at);
        if (!(afterWord && Trimmed(between).empty()))
            text += between;
        const std::string charset = value.substr(start + 2, q1 - start - 2);
        const char encoding = static_cast<char>(std::toupper(static_cast<unsigned char>(value[q1 + 1])));
        const std::string payload = value.substr(q2 + 1, end - q2 - 1);
        const QByteArray bytes = encoding == 'B' ? QByteArray::fromBase64(QByteArray::fromStdString(payload))
                                                 : FromQuotedPrintable(payload, true);
        text += InCharset(bytes, charset);
        at = end + 2;
        afterWord = true;
    }
    return text;
}

// The parameters of a Content-Type or Content-Disposition value, names in lower case,
// RFC 2231 continuations ("name*0*=") joined and their %XX decoded in their charset.
std::map<std::string, std::string> Parameters(const std::string& value)
{
    std::map<std::string, std::string> plain;
    std::map<std::string, std::map<int, std::string>> extended;
    std::map<std::string, std::string> charsets;
    std::size_t at = value.find(';');
    while (at != std::string::npos && at < value.size()) {
        const std::size_t equals = value.find('=', at);
        if (equals == std::string::npos)
            break;
        std::string name = Lowered(Trimmed(value.substr(at + 1, equals - at - 1)));
        std::size_t end = equals + 1;
        std::string parameter;
        if (end < value.size() && value[end] == '"') {
            const std::size_t close = value.find('"', end + 1);
            parameter = value.substr(end + 1, close == std::string::npos ? std::string::npos : close - end - 1);
            end = close == std::string::npos ? value.size() : close + 1;
        } else {
            const std::size_t semicolon = value.find(';', end);
            parameter =
                Trimmed(value.substr(end, semicolon == std::string::npos ? std::string::npos : semicolon - end));
            end = semicolon == std::string::npos ? value.size() : semicolon;
        }
        at = value.find(';', end);
        const std::size_t star = name.find('*');
        if (star == std::string::npos) {
            plain[name] = parameter;
            continue;
        }
        const std::string base = name.substr(0, star);
        const std::string section = name.substr(star + 1);
        const bool encoded = !section.empty() && section.back() == '*';
        const int number = section.empty() || section == "*" ? 0 : std::atoi(section.c_str());
        if (encoded && number == 0) {
            // charset'language'text
            const std::size_t first = parameter.find('\'');
            const std::size_t second = first == std::string::npos ? first : parameter.find('\'', first + 1);
            if (second != std::string::npos) {
                charsets[base] = parameter.substr(0, first);
                parameter = parameter.substr(second + 1);
            }
        }
        extended[base][number] =
            encoded ? QByteArray::fromPercentEncoding(QByteArray::fromStdString(parameter)).toStdString() : parameter;
    }
    for (const auto& [name, sections] : extended) {
        std::string joined;
        for (const auto& [number, text] : sections)
            joined += text;
        plain[name] = InCharset(QByteArray::fromStdString(joined), charsets[name].empty() ? "utf-8" : charsets[name]);
    }
    return plain;
}

std::string MediaType(const std::string& contentType)
{
    return Lowered(Trimmed(contentType.substr(0, contentType.find(';'))));
}

std::vector<std::string> Parts(const std::string& body, const std::string& boundary)
{
    std::vector<std::string> parts;
    const std::string delimiter = "--" + boundary;
    std::size_t at = body.find(delimiter);
    while (at != std::string::npos) {
        at += delimiter.size();
        if (body.compare(at, 2, "--") == 0)
            break;
        const std::size_t start = body.find("\r\n", at);
        if (start == std::string::npos)
            break;
        const std::size_t next = body.find("\r\n" + delimiter, start);
        parts.push_back(body.substr(start + 2, next == std::string::npos ? std::string::npos : next - start - 2));
        at = next == std::string::npos ? next : next + 2;
    }
    return parts;
}

QByteArray DecodedBody(const TEntity& entity)
{
    const std::string encoding = Lowered(Field(entity, "content-transfer-encoding"));
    if (encoding == "base64")
        return QByteArray::fromBase64(QByteArray::fromStdString(entity.Body));
    if (encoding == "quoted-printable")
        return FromQuotedPrintable(entity.Body, false);
    return QByteArray::fromStdString(entity.Body);
}

std::string WithLf(std::string text)
{
    for (std::size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at))
        text.erase(at, 1);
    return text;
}

void Read(const TEntity& entity, TReading& reading)
{
    const std::string contentType = Field(entity, "content-type");
    const std::string type = contentType.empty() ? "text/plain" : MediaType(contentType);
    const std::map<std::string, std::string> typeParameters = Parameters(contentType);
    if (type.rfind("multipart/", 0) == 0) {
        const auto boundary = typeParameters.find("boundary");
        if (boundary != typeParameters.end())
            for (const std::string& part : Parts(entity.Body, boundary->second))
                Read(ParseEntity(part), reading);
        return;
    }
    const std::string disposition = Field(entity, "content-disposition");
    const std::map<std::string, std::string> dispositionParameters = Parameters(disposition);
    std::string name;
    if (const auto found = dispositionParameters.find("filename"); found != dispositionParameters.end())
        name = found->second;
    else if (const auto named = typeParameters.find("name"); named != typeParameters.end())
        name = DecodedHeader(named->second);
    const bool attachment = Lowered(MediaType(disposition)) == "attachment" || !name.empty();
    if (attachment) {
        reading.Attachments.push_back(name);
        return;
    }
    const auto charset = typeParameters.find("charset");
    const std::string text =
        InCharset(DecodedBody(entity), charset == typeParameters.end() ? "us-ascii" : charset->second);
    if (type == "text/plain" && !reading.TextIsPlain) {
        reading.Text = WithLf(text);
        reading.TextIsPlain = true;
    } else if (type == "text/html" && reading.Text.empty()) {
        reading.Text = HtmlToText(text);
    }
}

} // namespace

std::string ReadableMessage(const std::string& message)
{
    const TEntity entity = ParseEntity(message);
    std::string reading;
    for (const char* name : {"From", "To", "Cc", "Reply-To", "Subject", "Date"}) {
        const std::string value = Field(entity, Lowered(name));
        if (!value.empty())
            reading += std::string(name) + ": " + DecodedHeader(value) + "\n";
    }
    TReading content;
    Read(entity, content);
    reading += "\n" + content.Text;
    if (!reading.empty() && reading.back() != '\n')
        reading += '\n';
    for (const std::string& name : content.Attachments)
        reading += std::string("\n") + Lang("Priloga: ", "Attachment: ") + name;
    if (!content.Attachments.empty())
        reading += '\n';
    return reading;
}
