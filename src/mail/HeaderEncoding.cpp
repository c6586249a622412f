// SPDX-License-Identifier: GPL-3.0-or-later
#include "mail/HeaderEncoding.h"

#include "base/Utf8.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr std::size_t MaxFoldedLine = 78; // RFC 5322 2.1.1 "SHOULD"
constexpr std::size_t MaxLine = 998;      // RFC 5322 2.1.1 "MUST"
constexpr std::size_t MaxEncodedWord = 69;
constexpr std::string_view EncodedWordStart = "=?UTF-8?Q?";
constexpr std::string_view EncodedWordEnd = "?=";
const char Hex[] = "0123456789ABCDEF";

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

bool IsPrintableAscii(char c)
{
    return c >= 0x20 && c <= 0x7E;
}

bool IsAsciiLetterOrDigit(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

// Text that a reader shows as written: printable ASCII and tabs, and nothing that a
// reader could take for an encoded-word.
bool IsPlainText(std::string_view text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return IsPrintableAscii(c) || c == '\t'; })
        && text.find("=?") == std::string_view::npos;
}

// RFC 2047 5 (3): the characters an encoded-word may carry as themselves anywhere,
// phrases included.
void AppendQEncoded(std::string_view bytes, std::string& out)
{
    for (const char c : bytes) {
        if (IsAsciiLetterOrDigit(c) || std::strchr("!*+-/", c) != nullptr) {
            out += c;
        } else if (c == ' ') {
            out += '_';
        } else {
            const auto byte = static_cast<unsigned char>(c);
            out += '=';
            out += Hex[byte >> 4];
            out += Hex[byte & 15];
        }
    }
}

std::size_t LongestLine(std::string_view folded)
{
    std::size_t longest = 0;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = folded.find("\r\n", start);
        longest = std::max(longest, (end == std::string_view::npos ? folded.size() : end) - start);
        if (end == std::string_view::npos)
            return longest;
        start = end + 2;
    }
}

// RFC 5322 3.2.3: atext and blanks make a phrase of atoms.
bool IsAtomsAndBlanks(std::string_view text)
{
    return std::all_of(text.begin(), text.end(), [](char c) {
        return IsAsciiLetterOrDigit(c) || IsBlank(c) || std::strchr("!#$%&'*+-/=?^_`{|}~", c) != nullptr;
    });
}

bool IsEnclosedInQuotes(std::string_view text)
{
    return text.size() >= 2 && text.front() == '"' && text.back() == '"';
}

// RFC 5322 3.2.4: a quoted string of printable ASCII, with its inner quotes and
// backslashes escaped.
bool IsQuotedString(std::string_view text)
{
    if (!IsEnclosedInQuotes(text) || !IsPlainText(text))
        return false;
    for (std::size_t i = 1; i + 1 < text.size(); ++i) {
        if (text[i] == '"')
            return false;
        if (text[i] == '\\' && ++i + 1 >= text.size())
            return false; // the escape would take the closing quote
    }
    return true;
}

std::string Unquoted(std::string_view text)
{
    std::string result;
    for (std::size_t i = 1; i + 1 < text.size(); ++i) {
        if (text[i] == '\\' && i + 2 < text.size())
            ++i;
        result += text[i];
    }
    return result;
}

std::string Quoted(std::string_view text)
{
    std::string result = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\')
            result += '\\';
        result += c;
    }
    return result + "\"";
}

// A display name as it may stand before "<address>".
std::string PhraseFor(const std::string& name)
{
    if (IsPlainText(name) && (IsAtomsAndBlanks(name) || IsQuotedString(name)))
        return name;
    const std::string text = IsEnclosedInQuotes(name) ? Unquoted(name) : name;
    if (IsPlainText(text))
        return Quoted(text);
    return EncodedWords(text);
}

std::string Trimmed(std::string_view text)
{
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    return std::string(text.substr(first, text.find_last_not_of(" \t") - first + 1));
}

std::string Joined(const std::vector<std::string>& entries, std::string_view separator)
{
    std::string joined;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (i > 0)
            joined += separator;
        joined += entries[i];
    }
    return joined;
}

// RFC 2231 4: attribute-char as itself, every other byte as "%XX".
std::string PercentEncoded(std::string_view text)
{
    std::string result;
    for (const char c : text) {
        if (IsAsciiLetterOrDigit(c) || std::strchr("!#$&+-.^_`|~", c) != nullptr) {
            result += c;
        } else {
            const auto byte = static_cast<unsigned char>(c);
            result += '%';
            result += Hex[byte >> 4];
            result += Hex[byte & 15];
        }
    }
    return result;
}

// Content-Disposition with filename*=, in numbered pieces on lines of their own when
// one line would be too long (RFC 2231 3 and 4.1).
std::string ExtendedFileNameDisposition(const std::string& fileName)
{
    const std::string field = "Content-Disposition: attachment";
    const std::string encoded = PercentEncoded(fileName);
    const std::string single = field + "; filename*=UTF-8''" + encoded;
    if (single.size() <= MaxFoldedLine)
        return single;
    std::string result = field;
    std::size_t at = 0;
    for (int piece = 0; at < encoded.size(); ++piece) {
        const std::string start = " filename*" + std::to_string(piece) + "*=" + (piece == 0 ? "UTF-8''" : "");
        std::size_t take = std::min(MaxFoldedLine - start.size() - 1, encoded.size() - at); // 1 for ";"
        // Never cut a "%XX" in two.
        if (at + take < encoded.size()) {
            if (encoded[at + take - 1] == '%')
                take -= 1;
            else if (encoded[at + take - 2] == '%')
                take -= 2;
        }
        result += ";\r\n" + start + encoded.substr(at, take);
        at += take;
    }
    return result;
}

} // namespace

std::string FoldHeaderLine(std::string_view line)
{
    if (line.size() <= MaxFoldedLine)
        return std::string(line);
    const std::size_t colon = line.find(':');
    std::size_t i = colon == std::string_view::npos ? 0 : colon + 1;
    // A fold goes before the first blank of a run that text follows, once the value
    // has begun, so that no line holds blanks alone (RFC 5322 3.2.2).
    bool valueBegun = false;
    std::string folded;
    std::size_t lineStart = 0;  // where the current output line began, in `line`
    std::size_t pieceStart = 0; // where the piece not yet written begins
    for (; i < line.size(); ++i) {
        const bool foldPoint = valueBegun && IsBlank(line[i]) && !IsBlank(line[i - 1])
            && line.find_first_not_of(" \t", i) != std::string_view::npos;
        if (!IsBlank(line[i]))
            valueBegun = true;
        if (!foldPoint)
            continue;
        if (i - lineStart > MaxFoldedLine && pieceStart > lineStart) {
            folded += "\r\n";
            lineStart = pieceStart;
        }
        folded.append(line, pieceStart, i - pieceStart);
        pieceStart = i;
    }
    if (line.size() - lineStart > MaxFoldedLine && pieceStart > lineStart)
        folded += "\r\n";
    folded.append(line, pieceStart);
    return folded;
}

std::string EncodedWords(std::string_view text)
{
    const std::size_t room = MaxEncodedWord - EncodedWordStart.size() - EncodedWordEnd.size();
    std::vector<std::string> payloads(1);
    std::string character;
    for (std::size_t at = 0; at < text.size();) {
        // Each encoded-word holds whole characters (RFC 2047 5); a byte that starts
        // no UTF-8 sequence goes alone.
        const std::size_t length = std::max<std::size_t>(1, Utf8SequenceLength(text, at));
        character.clear();
        AppendQEncoded(text.substr(at, length), character);
        if (!payloads.back().empty() && payloads.back().size() + character.size() > room)
            payloads.emplace_back();
        payloads.back() += character;
        at += length;
    }
    std::string words;
    for (const auto& payload : payloads) {
        if (!words.empty())
            words += ' ';
        words.append(EncodedWordStart).append(payload).append(EncodedWordEnd);
    }
    return words;
}

std::string UnstructuredHeader(const std::string& name, const std::string& value)
{
    if (IsPlainText(value)) {
        std::string folded = FoldHeaderLine(name + ": " + value);
        if (LongestLine(folded) <= MaxLine)
            return folded;
    }
    return FoldHeaderLine(name + ": " + EncodedWords(value));
}

std::string FromHeader(const std::string& displayName, const std::string& address)
{
    const std::string phrase = PhraseFor(displayName);
    const char* separator = phrase == displayName ? "" : " ";
    return FoldHeaderLine("From: " + phrase + separator + "<" + address + ">");
}

std::string AddressEntryForHeader(const std::string& entry)
{
    const std::size_t bracket = entry.find('<');
    if (bracket == std::string::npos)
        return entry;
    const std::string name = Trimmed(std::string_view(entry).substr(0, bracket));
    if (name.empty())
        return entry;
    const std::string phrase = PhraseFor(name);
    if (phrase == name)
        return entry;
    return phrase + " " + entry.substr(bracket);
}

std::string AddressListHeader(const std::string& name, const std::vector<std::string>& entries)
{
    std::vector<std::string> written;
    bool changed = false;
    for (const auto& entry : entries) {
        written.push_back(AddressEntryForHeader(entry));
        changed = changed || written.back() != entry;
    }
    const std::string line = name + ": " + Joined(written, ",");
    if (!changed && line.size() <= MaxFoldedLine)
        return line;
    return FoldHeaderLine(name + ": " + Joined(written, ", "));
}

std::string AttachmentPartHeader(const std::string& fileName, const std::string& mediaType)
{
    const bool plain = std::all_of(fileName.begin(), fileName.end(), IsPrintableAscii);
    const std::string typeLine =
        "Content-Type: " + mediaType + "; name=\"" + (plain ? fileName : EncodedWords(fileName)) + "\"";
    const std::string dispositionLine = plain
        ? FoldHeaderLine("Content-Disposition: attachment; filename=\"" + fileName + "\"")
        : ExtendedFileNameDisposition(fileName);
    return FoldHeaderLine(typeLine)
        + "\r\n"
          "Content-Transfer-Encoding: base64\r\n"
        + dispositionLine + "\r\n";
}
