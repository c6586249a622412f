// SPDX-License-Identifier: GPL-3.0-or-later
#include "workflow/lists/RecipientEntry.h"

#include "mail/SmtpClient.h"

namespace {

std::string TrimBlanks(std::string_view text)
{
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return std::string();
    return std::string(text.substr(first, text.find_last_not_of(" \t") - first + 1));
}

// A quoted-string's content (RFC 5322 section 3.2.4): backslash takes the next character.
std::string Unquoted(const std::string& name)
{
    if (name.size() < 2 || name.front() != '"' || name.back() != '"')
        return name;
    std::string text;
    for (std::size_t i = 1; i + 1 < name.size(); ++i) {
        if (name[i] == '\\' && i + 2 < name.size())
            ++i;
        text += name[i];
    }
    return text;
}

std::string Quoted(const std::string& name)
{
    // The specials of RFC 5322 section 3.2.3 but ".", which every reader takes in a name.
    if (name.find_first_of("()[]:;@\\,\"") == std::string::npos)
        return name;
    std::string text = "\"";
    for (const char c : name) {
        if (c == '\\' || c == '"')
            text += '\\';
        text += c;
    }
    return text + '"';
}

// Angle brackets would mislead ExtractMailbox, and no address or name needs them.
std::string WithoutAngleBrackets(const std::string& text)
{
    std::string kept = OneLine(text);
    std::erase_if(kept, [](char c) { return c == '<' || c == '>'; });
    return OneLine(kept);
}

} // namespace

std::string OneLine(std::string_view text)
{
    std::string line;
    for (const char c : text) {
        const bool blank = c == ' ' || static_cast<unsigned char>(c) < 0x20 || c == 0x7f;
        if (!blank)
            line += c;
        else if (!line.empty() && line.back() != ' ')
            line += ' ';
    }
    if (!line.empty() && line.back() == ' ')
        line.pop_back();
    return line;
}

TEntryParts SplitEntry(const std::string& entry)
{
    TEntryParts parts;
    const std::size_t open = entry.find('<');
    if (open != std::string::npos)
        parts.DisplayName = Unquoted(TrimBlanks(std::string_view(entry).substr(0, open)));
    parts.Address = TrimBlanks(ExtractMailbox(entry));
    return parts;
}

std::string MakeEntry(const std::string& displayName, const std::string& address)
{
    const std::string name = WithoutAngleBrackets(displayName);
    const std::string box = WithoutAngleBrackets(address);
    if (name.empty())
        return box.find(':') == std::string::npos ? box : "<" + box + ">"; // not "prefix:box"
    return Quoted(name) + " <" + box + ">";
}
