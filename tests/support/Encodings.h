// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QString>
#include <string>

// Test inputs in the encodings files reach the program in, built from UTF-8 text.

// UTF-16 little-endian with its byte-order mark, as Windows tools save "Unicode" text.
inline std::string Utf16LittleEndianWithBom(const std::string& utf8)
{
    std::string bytes = "\xFF\xFE";
    for (const QChar c : QString::fromStdString(utf8)) {
        bytes += static_cast<char>(c.unicode() & 0xFF);
        bytes += static_cast<char>(c.unicode() >> 8);
    }
    return bytes;
}

// Windows-1250 for ASCII text with the Slovenian letters č š ž Č Š Ž.
inline std::string Windows1250(const std::string& utf8)
{
    std::string bytes;
    for (const QChar c : QString::fromStdString(utf8)) {
        switch (c.unicode()) {
        case u'č': bytes += '\xE8'; break;
        case u'š': bytes += '\x9A'; break;
        case u'ž': bytes += '\x9E'; break;
        case u'Č': bytes += '\xC8'; break;
        case u'Š': bytes += '\x8A'; break;
        case u'Ž': bytes += '\x8E'; break;
        default: bytes += static_cast<char>(c.unicode() < 0x80 ? c.unicode() : '?');
        }
    }
    return bytes;
}
