// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/Charsets.h"

#include "base/Utf8.h"

#include <algorithm>
#include <cerrno>
#include <iconv.h>

namespace {

// One iconv conversion descriptor, closed when it goes out of scope.
class TIconv {
public:
    TIconv(const std::string& from, const std::string& to)
        : FHandle(IsReadAsWritten(from) && IsReadAsWritten(to) ? iconv_open(to.c_str(), from.c_str()) : Invalid())
    {
    }
    ~TIconv()
    {
        if (Valid())
            iconv_close(FHandle);
    }
    TIconv(const TIconv&) = delete;
    TIconv& operator=(const TIconv&) = delete;

    bool Valid() const { return FHandle != Invalid(); }

    // Converts from `at` on, appending to out, until the end or the first byte that
    // cannot be converted; returns 0 at the end or the errno that stopped it.
    int Convert(std::string_view text, std::size_t& at, std::string& out)
    {
        char buffer[4096];
        while (at < text.size()) {
            char* in = const_cast<char*>(text.data() + at);
            std::size_t inLeft = text.size() - at;
            char* target = buffer;
            std::size_t targetLeft = sizeof buffer;
            const std::size_t result = iconv(FHandle, &in, &inLeft, &target, &targetLeft);
            const int error = result == static_cast<std::size_t>(-1) ? errno : 0;
            out.append(buffer, static_cast<std::size_t>(target - buffer));
            at = text.size() - inLeft;
            if (error != 0 && error != E2BIG)
                return error;
        }
        return Flush(out);
    }

private:
    static iconv_t Invalid() { return reinterpret_cast<iconv_t>(-1); }

    // True when iconv takes the name as the charset it names, and a Content-Type field
    // can carry it unquoted as a token (RFC 2045 5.1). iconv silently drops the other
    // characters ("utf 8" is UTF8, "utf-8," too), takes a name left empty for the
    // locale's charset, and reads "//TRANSLIT" as an order to approximate: a name from
    // a setting would then convert into something other than what the header declares.
    static bool IsReadAsWritten(const std::string& name)
    {
        return !name.empty() && std::all_of(name.begin(), name.end(), [](char c) {
            return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_'
                || c == '.';
        });
    }

    // Writes what a stateful character set still holds (a shift back to ASCII).
    int Flush(std::string& out)
    {
        char buffer[64];
        char* target = buffer;
        std::size_t targetLeft = sizeof buffer;
        const bool failed = iconv(FHandle, nullptr, nullptr, &target, &targetLeft) == static_cast<std::size_t>(-1);
        out.append(buffer, static_cast<std::size_t>(target - buffer));
        return failed ? errno : 0;
    }

    iconv_t FHandle;
};

} // namespace

std::optional<std::string> ConvertExactly(std::string_view text, const std::string& from, const std::string& to)
{
    TIconv converter(from, to);
    if (!converter.Valid())
        return std::nullopt;
    std::string out;
    out.reserve(text.size() + text.size() / 2);
    std::size_t at = 0;
    if (converter.Convert(text, at, out) != 0)
        return std::nullopt;
    return out;
}

std::string DecodeToUtf8(std::string_view text, const std::string& from, std::size_t unitSize, bool& lossy)
{
    lossy = false;
    TIconv converter(from, "UTF-8");
    std::string out;
    out.reserve(text.size() + text.size() / 2);
    std::size_t at = 0;
    while (converter.Valid() && converter.Convert(text, at, out) != 0) {
        out += Utf8Replacement;
        lossy = true;
        at += unitSize; // past the undefined unit, or the cut-short end
    }
    return out;
}

bool IsAsciiCompatibleCharset(const std::string& name)
{
    const std::string probe = "Az09 .=-\t\r\n";
    const auto converted = ConvertExactly(probe, "UTF-8", name);
    return converted && *converted == probe;
}
