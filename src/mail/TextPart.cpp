// SPDX-License-Identifier: GPL-3.0-or-later
#include "mail/TextPart.h"

#include "base/Charsets.h"
#include "mail/QuotedPrintable.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <optional>

namespace {

constexpr std::size_t MaxLineOctets = 998; // RFC 5322 2.1.1, without the CR LF

// Eight bytes at a time: bodies of several megabytes are checked for every message.
bool IsAscii(std::string_view text)
{
    std::size_t at = 0;
    for (; at + 8 <= text.size(); at += 8) {
        std::uint64_t word;
        std::memcpy(&word, text.data() + at, 8);
        if (word & 0x8080808080808080u)
            return false;
    }
    for (; at < text.size(); ++at)
        if (static_cast<unsigned char>(text[at]) >= 0x80)
            return false;
    return true;
}

// Calls use(line) for every line of text, each ended by CR LF there.
template <typename Use>
void ForEachLine(std::string_view text, Use use)
{
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t end = std::min(text.find("\r\n", start), text.size());
        use(text.substr(start, end - start));
        start = end + 2;
    }
}

// 7bit data (RFC 2045 2.7) once the text is known to be ASCII: no NUL, lines of at
// most 998 octets.
bool IsSevenBitAscii(std::string_view text)
{
    if (text.find('\0') != std::string_view::npos)
        return false;
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t end = std::min(text.find("\r\n", start), text.size());
        if (end - start > MaxLineOctets)
            return false;
        start = end + 2;
    }
    return true;
}

// Appends lines ended by CR LF, with one more "." before every line that starts with
// one (RFC 5321 4.5.2).
void AppendDotStuffed(std::string_view text, std::string& out)
{
    if (!text.empty() && text.front() == '.')
        out += '.';
    std::size_t start = 0;
    for (std::size_t at; (at = text.find("\r\n.", start)) != std::string_view::npos; start = at + 2) {
        out.append(text, start, at + 2 - start);
        out += '.';
    }
    out.append(text, start);
}

} // namespace

std::vector<std::string> TTextPart::HeaderLines() const
{
    std::vector<std::string> lines{"Content-Type: " + MediaType + "; charset=" + Charset};
    if (QuotedPrintable)
        lines.push_back("Content-Transfer-Encoding: quoted-printable");
    return lines;
}

TTextPart MakeTextPart(const std::string& mediaType, const std::string& text, const std::string& charset)
{
    TTextPart part;
    part.MediaType = mediaType;
    part.Charset = charset;
    const bool ascii = IsAscii(text);
    std::optional<std::string> converted;
    if (!ascii) {
        if (IsAsciiCompatibleCharset(charset))
            converted = ConvertExactly(text, "UTF-8", charset);
        if (!converted)
            part.Charset = "utf-8";
    }
    const std::string_view wire = converted ? *converted : text;
    part.QuotedPrintable = !ascii || !IsSevenBitAscii(wire);
    if (!part.QuotedPrintable) {
        part.Content.reserve(wire.size() + wire.size() / 64);
        AppendDotStuffed(wire, part.Content);
        return part;
    }
    std::string encoded;
    encoded.reserve(wire.size() * 2);
    ForEachLine(wire, [&](std::string_view line) {
        for (const auto& piece : QuotedPrintableLines(line))
            encoded.append(piece).append("\r\n");
    });
    AppendDotStuffed(encoded, part.Content);
    return part;
}
