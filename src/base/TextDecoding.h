// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QByteArray>
#include <string>
#include <string_view>

// How the bytes of a text file were read.
enum class TTextEncoding { Utf8, Utf8WithBom, Utf16LittleEndian, Utf16BigEndian, Windows1250 };

struct TTextDecoding {
    TTextEncoding Encoding = TTextEncoding::Utf8;
    // Some bytes meant nothing in that encoding and became U+FFFD: saving the text
    // would not give the file back.
    bool Lossy = false;
};

struct TDecodedText {
    std::string Text; // UTF-8, without the byte-order mark
    TTextDecoding Decoding;
};

// Reads a text file's bytes the way files reach this program: a byte-order mark
// (UTF-8, UTF-16 LE or BE) decides; otherwise UTF-8 when the bytes are valid UTF-8,
// else Windows-1250, the code page of Central European Windows systems. Never fails:
// what cannot be decoded becomes U+FFFD and is reported as lossy. Files are written
// back as UTF-8.
TDecodedText DecodeText(std::string_view bytes);
inline TDecodedText DecodeText(const QByteArray& bytes)
{
    return DecodeText(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
}

// The encoding's usual name, as "UTF-8" or "Windows-1250".
const char* EncodingName(TTextEncoding encoding);
