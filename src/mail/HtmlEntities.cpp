// SPDX-License-Identifier: GPL-3.0-or-later
#include "mail/HtmlEntities.h"

#include <QString>

#include <algorithm>
#include <iterator>

namespace {

struct THtmlEntity {
    const char* Name;
    const char* Text;
};

struct THtmlNumericReplacement {
    char32_t Number;
    const char* Text;
};

#include "mail/HtmlEntityTable.inc"

constexpr std::size_t LongestName = 32;

bool IsDigit(char c, bool hex)
{
    return (c >= '0' && c <= '9') || (hex && ((c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F')));
}

// Characters that end a reference's name.
bool EndsName(char c)
{
    return c == '\t' || c == '\n' || c == '\f' || c == ' ' || c == '<' || c == '&' || c == '#' || c == ';';
}

const char* NamedText(std::string_view name)
{
    const auto found =
        std::lower_bound(std::begin(HtmlEntities), std::end(HtmlEntities), name,
                         [](const THtmlEntity& entity, std::string_view key) { return entity.Name < key; });
    return found != std::end(HtmlEntities) && found->Name == name ? found->Text : nullptr;
}

std::string Utf8Of(char32_t codePoint)
{
    return QString::fromUcs4(&codePoint, 1).toStdString();
}

std::string NumericText(char32_t number)
{
    for (const auto& replacement : HtmlNumericReplacements)
        if (replacement.Number == number)
            return replacement.Text;
    if ((number >= 0xD800 && number <= 0xDFFF) || number > 0x10FFFF)
        return Utf8Of(0xFFFD);
    if (std::binary_search(std::begin(HtmlDroppedCodePoints), std::end(HtmlDroppedCodePoints), number))
        return {};
    return Utf8Of(number);
}

// A numeric reference at text[at] == '#'; moves at past it. Nothing when no digit follows.
bool NumericReference(std::string_view text, std::size_t& at, std::string& decoded)
{
    std::size_t end = at + 1;
    const bool hex = end < text.size() && (text[end] == 'x' || text[end] == 'X');
    if (hex)
        ++end;
    const std::size_t digits = end;
    char32_t number = 0;
    for (; end < text.size() && IsDigit(text[end], hex); ++end) {
        const char c = text[end];
        const int digit = c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10;
        // Past the last code point every value reads the same.
        number = std::min<char32_t>(number * (hex ? 16 : 10) + static_cast<char32_t>(digit), 0x110000);
    }
    if (end == digits)
        return false;
    if (end < text.size() && text[end] == ';')
        ++end;
    decoded += NumericText(number);
    at = end;
    return true;
}

// A named reference at text[at], the character after '&'; moves at past it.
bool NamedReference(std::string_view text, std::size_t& at, std::string& decoded)
{
    std::size_t end = at;
    while (end < text.size() && end - at < LongestName && !EndsName(text[end]))
        ++end;
    if (end == at)
        return false;
    if (end < text.size() && text[end] == ';')
        ++end;
    const std::string_view name = text.substr(at, end - at);
    at = end;
    if (const char* whole = NamedText(name)) {
        decoded += whole;
        return true;
    }
    for (std::size_t length = name.size() - 1; length > 1; --length)
        if (const char* start = NamedText(name.substr(0, length))) {
            decoded.append(start).append(name.substr(length));
            return true;
        }
    decoded.append("&").append(name);
    return true;
}

} // namespace

std::string DecodeHtmlReferences(std::string_view text)
{
    std::string decoded;
    decoded.reserve(text.size());
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t amp = text.find('&', at);
        decoded.append(text.substr(at, amp == std::string_view::npos ? std::string_view::npos : amp - at));
        if (amp == std::string_view::npos)
            break;
        at = amp + 1;
        const bool numeric = at < text.size() && text[at] == '#';
        if (!(numeric ? NumericReference(text, at, decoded) : NamedReference(text, at, decoded)))
            decoded += '&';
    }
    return decoded;
}
