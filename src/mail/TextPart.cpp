#include "mail/TextPart.h"

#include "base/Charsets.h"
#include "mail/QuotedPrintable.h"

#include <algorithm>

namespace {

constexpr std::size_t MaxLineOctets = 998; // RFC 5322 2.1.1, without the CR LF

bool IsAscii(const std::string& text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// 7bit data (RFC 2045 2.7): no 8-bit byte, no NUL, short lines.
bool IsSevenBitData(const std::vector<std::string>& lines)
{
    return std::all_of(lines.begin(), lines.end(), [](const std::string& line) {
        return line.size() <= MaxLineOctets && IsAscii(line) && line.find('\0') == std::string::npos;
    });
}

std::string JoinLines(const std::vector<std::string>& lines)
{
    std::string text;
    for (const auto& line : lines) {
        text += line;
        text += "\r\n";
    }
    return text;
}

std::vector<std::string> SplitCrLfLines(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find("\r\n", start);
        lines.push_back(text.substr(start, end - start));
        start = end == std::string::npos ? text.size() : end + 2;
    }
    return lines;
}

// The lines in the character set they go out in, and that set's name.
std::vector<std::string> InCharset(const std::vector<std::string>& lines, const std::string& charset,
                                   std::string& declared)
{
    declared = charset;
    if (std::all_of(lines.begin(), lines.end(), [](const std::string& line) { return IsAscii(line); }))
        return lines;
    if (IsAsciiCompatibleCharset(charset))
        if (const auto converted = ConvertExactly(JoinLines(lines), "UTF-8", charset))
            return SplitCrLfLines(*converted);
    declared = "utf-8";
    return lines;
}

void AppendDotStuffedLine(const std::string& line, std::string& out)
{
    if (!line.empty() && line.front() == '.')
        out += '.';
    out += line;
    out += "\r\n";
}

} // namespace

std::vector<std::string> TTextPart::HeaderLines() const
{
    std::vector<std::string> lines{"Content-Type: " + MediaType + "; charset=" + Charset};
    if (QuotedPrintable)
        lines.push_back("Content-Transfer-Encoding: quoted-printable");
    return lines;
}

TTextPart MakeTextPart(const std::string& mediaType, const std::vector<std::string>& lines, const std::string& charset)
{
    TTextPart part;
    part.MediaType = mediaType;
    const std::vector<std::string> wireLines = InCharset(lines, charset, part.Charset);
    part.QuotedPrintable = !IsSevenBitData(wireLines);
    for (const auto& line : wireLines) {
        if (!part.QuotedPrintable) {
            AppendDotStuffedLine(line, part.Content);
            continue;
        }
        for (const auto& encoded : QuotedPrintableLines(line))
            AppendDotStuffedLine(encoded, part.Content);
    }
    return part;
}
