// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/TextDecoding.h"

#include "base/Charsets.h"
#include "base/Utf8.h"

namespace {

bool StartsWith(std::string_view bytes, std::string_view mark)
{
    return bytes.substr(0, mark.size()) == mark;
}

TDecodedText Decoded(std::string text, TTextEncoding encoding, bool lossy)
{
    return TDecodedText{std::move(text), TTextDecoding{encoding, lossy}};
}

} // namespace

TDecodedText DecodeText(std::string_view bytes)
{
    bool lossy = false;
    if (StartsWith(bytes, "\xEF\xBB\xBF")) {
        std::string text = ReplaceInvalidUtf8(bytes.substr(3), lossy);
        return Decoded(std::move(text), TTextEncoding::Utf8WithBom, lossy);
    }
    if (StartsWith(bytes, "\xFF\xFE")) {
        std::string text = DecodeToUtf8(bytes.substr(2), "UTF-16LE", 2, lossy);
        return Decoded(std::move(text), TTextEncoding::Utf16LittleEndian, lossy);
    }
    if (StartsWith(bytes, "\xFE\xFF")) {
        std::string text = DecodeToUtf8(bytes.substr(2), "UTF-16BE", 2, lossy);
        return Decoded(std::move(text), TTextEncoding::Utf16BigEndian, lossy);
    }
    if (IsValidUtf8(bytes))
        return Decoded(std::string(bytes), TTextEncoding::Utf8, false);
    std::string text = DecodeToUtf8(bytes, "WINDOWS-1250", 1, lossy);
    return Decoded(std::move(text), TTextEncoding::Windows1250, lossy);
}

const char* EncodingName(TTextEncoding encoding)
{
    switch (encoding) {
    case TTextEncoding::Utf8WithBom: return "UTF-8 with byte-order mark";
    case TTextEncoding::Utf16LittleEndian: return "UTF-16 LE";
    case TTextEncoding::Utf16BigEndian: return "UTF-16 BE";
    case TTextEncoding::Windows1250: return "Windows-1250";
    default: return "UTF-8";
    }
}
