// SPDX-License-Identifier: GPL-3.0-or-later
#include "workflow/settings/IntegerText.h"

#include "base/Exception.h"

#include <cctype>
#include <limits>

namespace {

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    const int lower = std::tolower(static_cast<unsigned char>(c));
    return lower >= 'a' && lower <= 'f' ? lower - 'a' + 10 : -1;
}

std::optional<std::uint32_t> ParseHex(const std::string& text, size_t at)
{
    if (at >= text.size() || text.size() - at > 8)
        return std::nullopt;
    std::uint32_t value = 0;
    for (; at < text.size(); ++at) {
        const int digit = HexDigit(text[at]);
        if (digit < 0)
            return std::nullopt;
        value = value * 16 + static_cast<std::uint32_t>(digit);
    }
    return value;
}

std::optional<std::int32_t> ParseDecimal(const std::string& text, size_t at, bool negative)
{
    if (at >= text.size())
        return std::nullopt;
    const std::int64_t limit =
        negative ? -std::int64_t(std::numeric_limits<std::int32_t>::min()) : std::numeric_limits<std::int32_t>::max();
    std::int64_t value = 0;
    for (; at < text.size(); ++at) {
        if (!std::isdigit(static_cast<unsigned char>(text[at])))
            return std::nullopt;
        value = value * 10 + (text[at] - '0');
        if (value > limit)
            return std::nullopt;
    }
    return static_cast<std::int32_t>(negative ? -value : value);
}

}

std::optional<std::int32_t> TryStrToInt(const std::string& text)
{
    size_t at = 0;
    while (at < text.size() && text[at] == ' ')
        ++at;
    bool negative = false;
    if (at < text.size() && (text[at] == '+' || text[at] == '-'))
        negative = text[at++] == '-';
    size_t hexStart = std::string::npos;
    if (at < text.size() && (text[at] == '$' || text[at] == 'x' || text[at] == 'X'))
        hexStart = at + 1;
    else if (at + 1 < text.size() && text[at] == '0' && (text[at + 1] == 'x' || text[at + 1] == 'X'))
        hexStart = at + 2;
    if (hexStart == std::string::npos)
        return ParseDecimal(text, at, negative);
    const auto pattern = ParseHex(text, hexStart);
    if (!pattern)
        return std::nullopt;
    const std::uint32_t bits = negative ? 0u - *pattern : *pattern;
    return static_cast<std::int32_t>(bits);
}

std::int32_t StrToInt(const std::string& text)
{
    if (const auto value = TryStrToInt(text))
        return *value;
    throw Exception("'" + text + "' is not a valid integer value");
}

std::optional<std::int32_t> TryDecimalToInt(const std::string& text)
{
    const bool negative = !text.empty() && text[0] == '-';
    return ParseDecimal(text, negative ? 1 : 0, negative);
}
