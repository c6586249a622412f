// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Readers for what the message assembly writes, kept apart from its code so that a
// test that decodes the output checks it rather than repeats it. Header only: the
// fuzz targets use it too.
#include <string>
#include <vector>

namespace MailDecoding {

inline int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1; // lower case is not what we write (RFC 2045 6.7 (1))
}

// RFC 5322 2.2.3: a CR LF followed by a blank or tab is removed.
inline std::string Unfolded(const std::string& header)
{
    std::string result;
    for (std::size_t i = 0; i < header.size(); ++i) {
        if (header.compare(i, 2, "\r\n") == 0 && i + 2 < header.size()
            && (header[i + 2] == ' ' || header[i + 2] == '\t')) {
            ++i;
            continue;
        }
        result += header[i];
    }
    return result;
}

// The lines of a text, each ended by CR LF; false when a line end is missing.
inline bool SplitCrLf(const std::string& text, std::vector<std::string>& lines)
{
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find("\r\n", start);
        if (end == std::string::npos)
            return false;
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return true;
}

// Quoted-printable lines (without their CR LF) back to the lines they encode; false
// on anything RFC 2045 6.7 does not allow as we write it.
inline bool DecodeQuotedPrintable(const std::vector<std::string>& encoded, std::vector<std::string>& lines)
{
    std::string line;
    for (const std::string& piece : encoded) {
        if (piece.size() > 76)
            return false;
        const bool soft = !piece.empty() && piece.back() == '=';
        const std::size_t end = soft ? piece.size() - 1 : piece.size();
        if (!soft && end > 0 && (piece[end - 1] == ' ' || piece[end - 1] == '\t'))
            return false;
        for (std::size_t i = 0; i < end; ++i) {
            const unsigned char c = static_cast<unsigned char>(piece[i]);
            if (c == '=') {
                if (i + 2 >= end)
                    return false;
                const int high = HexValue(piece[i + 1]);
                const int low = HexValue(piece[i + 2]);
                if (high < 0 || low < 0)
                    return false;
                line += static_cast<char>(high * 16 + low);
                i += 2;
            } else if ((c >= 33 && c <= 126) || c == ' ' || c == '\t') {
                line += static_cast<char>(c);
            } else {
                return false;
            }
        }
        if (!soft) {
            lines.push_back(line);
            line.clear();
        }
    }
    return line.empty();
}

// RFC 2047: "=?UTF-8?Q?...?=" words decoded, the blanks between two of them dropped;
// other text as it stands.
inline std::string DecodedEncodedWords(const std::string& value)
{
    static const std::string start = "=?UTF-8?Q?";
    std::string result;
    std::string pendingBlanks;
    bool afterWord = false;
    for (std::size_t i = 0; i < value.size();) {
        if (value.compare(i, start.size(), start) == 0) {
            const std::size_t end = value.find("?=", i + start.size());
            if (end != std::string::npos) {
                if (!afterWord)
                    result += pendingBlanks;
                pendingBlanks.clear();
                for (std::size_t j = i + start.size(); j < end; ++j) {
                    if (value[j] == '_') {
                        result += ' ';
                    } else if (value[j] == '=' && j + 2 < end) {
                        result += static_cast<char>(HexValue(value[j + 1]) * 16 + HexValue(value[j + 2]));
                        j += 2;
                    } else {
                        result += value[j];
                    }
                }
                i = end + 2;
                afterWord = true;
                continue;
            }
        }
        if (value[i] == ' ' || value[i] == '\t') {
            pendingBlanks += value[i++];
            continue;
        }
        result += pendingBlanks;
        pendingBlanks.clear();
        afterWord = false;
        result += value[i++];
    }
    return result + pendingBlanks;
}

// RFC 2231 "%XX" escapes decoded.
inline std::string DecodedPercent(const std::string& text)
{
    std::string result;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size()) {
            result += static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
            i += 2;
        } else {
            result += text[i];
        }
    }
    return result;
}

} // namespace MailDecoding
