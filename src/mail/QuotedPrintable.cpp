// SPDX-License-Identifier: GPL-3.0-or-later
#include "mail/QuotedPrintable.h"

namespace {

constexpr std::size_t MaxEncodedLine = 76; // RFC 2045 6.7 rule 5, the soft break included

bool IsLiteral(unsigned char byte, bool lastOfLine)
{
    if (byte == ' ' || byte == '\t')
        return !lastOfLine; // a trailing blank would be lost to transports that strip it
    return byte >= 33 && byte <= 126 && byte != '=';
}

} // namespace

std::vector<std::string> QuotedPrintableLines(std::string_view line)
{
    static const char hex[] = "0123456789ABCDEF";
    std::vector<std::string> lines(1);
    for (std::size_t i = 0; i < line.size(); ++i) {
        const auto byte = static_cast<unsigned char>(line[i]);
        const bool last = i + 1 == line.size();
        const std::size_t width = IsLiteral(byte, last) ? 1 : 3;
        // The last piece may fill the line; any other leaves room for the soft break.
        const std::size_t room = last ? MaxEncodedLine : MaxEncodedLine - 1;
        if (lines.back().size() + width > room) {
            lines.back() += '=';
            lines.emplace_back();
        }
        std::string& current = lines.back();
        if (width == 1) {
            current += static_cast<char>(byte);
        } else {
            current += '=';
            current += hex[byte >> 4];
            current += hex[byte & 15];
        }
    }
    return lines;
}
