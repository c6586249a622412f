// SPDX-License-Identifier: GPL-3.0-or-later
#include "mail/HtmlToText.h"

#include "mail/HtmlEntities.h"

#include <algorithm>
#include <cctype>
#include <string_view>
#include <vector>

namespace {

bool IsHtmlSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

std::string Lowered(std::string_view text)
{
    std::string result(text);
    std::transform(result.begin(), result.end(), result.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return result;
}

// A non-breaking space reads as a space in plain text.
std::string DecodedText(const std::string& html)
{
    std::string text = DecodeHtmlReferences(html);
    for (std::size_t at = text.find("\xC2\xA0"); at != std::string::npos; at = text.find("\xC2\xA0", at))
        text.replace(at, 2, " ");
    return text;
}

struct TTag {
    std::string Name; // lower case, without "/"
    bool Closing = false;
    std::string Href;
};

std::string AttributeValue(const std::string& tagText, const std::string& attribute)
{
    const std::string lowered = Lowered(tagText);
    std::size_t at = lowered.find(attribute + "=");
    if (at == std::string::npos)
        return {};
    at += attribute.size() + 1;
    if (at < tagText.size() && (tagText[at] == '"' || tagText[at] == '\'')) {
        const std::size_t end = tagText.find(tagText[at], at + 1);
        return tagText.substr(at + 1, end == std::string::npos ? std::string::npos : end - at - 1);
    }
    const std::size_t end = tagText.find_first_of(" \t\r\n>", at);
    return tagText.substr(at, end == std::string::npos ? std::string::npos : end - at);
}

TTag ParseTag(const std::string& tagText)
{
    TTag tag;
    std::size_t at = 0;
    if (at < tagText.size() && tagText[at] == '/') {
        tag.Closing = true;
        ++at;
    }
    const std::size_t end = tagText.find_first_of(" \t\r\n/", at);
    tag.Name = Lowered(tagText.substr(at, end == std::string::npos ? std::string::npos : end - at));
    if (tag.Name == "a" && !tag.Closing)
        tag.Href = DecodeHtmlReferences(AttributeValue(tagText, "href"));
    return tag;
}

bool IsOneOf(const std::string& name, std::initializer_list<const char*> names)
{
    return std::any_of(names.begin(), names.end(), [&](const char* n) { return name == n; });
}

class THtmlText {
public:
    void Text(const std::string& text)
    {
        for (const char c : text) {
            if (IsHtmlSpace(c) && FPreformatted == 0) {
                FPendingSpace = !FLine.empty() && FLine.back() != ' ';
                continue;
            }
            if (c == '\r')
                continue; // preformatted text keeps its line breaks, as LF
            if (c == '\n') {
                EndLine();
                continue;
            }
            if (FPendingSpace)
                FLine += ' ';
            FPendingSpace = false;
            FLine += c;
        }
    }

    void Tag(const TTag& tag)
    {
        if (tag.Name == "br") {
            EndLine();
        } else if (tag.Name == "li" && !tag.Closing) {
            Break(false);
            FLine = "- ";
        } else if (tag.Name == "a") {
            Link(tag);
        } else if (tag.Name == "pre") {
            Break(true);
            FPreformatted += tag.Closing ? (FPreformatted > 0 ? -1 : 0) : 1;
        } else if (IsOneOf(tag.Name, {"p", "h1", "h2", "h3", "h4", "h5", "h6", "blockquote", "table", "ul", "ol"})) {
            Break(true);
        } else if (IsOneOf(tag.Name,
                           {"div", "tr", "hr", "dt", "dd", "section", "article", "header", "footer", "address",
                            "center", "form", "nav", "main", "aside"})) {
            Break(false);
        } else if (IsOneOf(tag.Name, {"td", "th"})) {
            FPendingSpace = !FLine.empty() && FLine.back() != ' ';
        }
    }

    std::string Result()
    {
        EndLine();
        while (!FLines.empty() && FLines.back().empty())
            FLines.pop_back();
        std::string text;
        for (std::size_t i = 0; i < FLines.size(); ++i)
            text += FLines[i] + (i + 1 < FLines.size() ? "\n" : "");
        return text;
    }

private:
    void EndLine()
    {
        while (!FLine.empty() && FLine.back() == ' ')
            FLine.pop_back();
        if (!FLine.empty() || !FLines.empty())
            FLines.push_back(FLine);
        FLine.clear();
        FPendingSpace = false;
    }

    // Ends the current line unless it is empty; with a blank line after it for
    // paragraphs, never two blank lines in a row.
    void Break(bool blankLine)
    {
        if (!FLine.empty() && FLine != "- ")
            EndLine();
        if (blankLine && !FLines.empty() && !FLines.back().empty())
            FLines.emplace_back();
        FPendingSpace = false;
    }

    void Link(const TTag& tag)
    {
        if (!tag.Closing) {
            FHref = tag.Href;
            FLinkStart = FLine.size();
            FLinkLine = FLines.size();
            return;
        }
        const bool sameLine = FLinkLine == FLines.size() && FLinkStart <= FLine.size();
        const std::string text = sameLine ? FLine.substr(FLinkStart) : std::string();
        const std::string address = FHref.rfind("mailto:", 0) == 0 ? FHref.substr(7) : FHref;
        if (!address.empty() && address[0] != '#' && text.find(address) == std::string::npos) {
            FLine += FLine.empty() ? "<" : " <";
            FLine += address + ">";
        }
        FHref.clear();
    }

    std::vector<std::string> FLines;
    std::string FLine;
    bool FPendingSpace = false;
    int FPreformatted = 0;
    std::string FHref;
    std::size_t FLinkStart = 0;
    std::size_t FLinkLine = 0;
};

// Where the element that starts after `at` ends: past its closing tag, or the end.
std::size_t SkipElement(const std::string& lowered, std::size_t at, const std::string& name)
{
    const std::size_t end = lowered.find("</" + name, at);
    if (end == std::string::npos)
        return lowered.size();
    const std::size_t close = lowered.find('>', end);
    return close == std::string::npos ? lowered.size() : close + 1;
}

} // namespace

std::string HtmlToText(const std::string& html)
{
    const std::string lowered = Lowered(html);
    THtmlText text;
    std::string run;
    std::size_t at = 0;
    while (at < html.size()) {
        const char c = html[at];
        if (c != '<') {
            run += c;
            ++at;
            continue;
        }
        text.Text(DecodedText(run));
        run.clear();
        if (lowered.compare(at, 4, "<!--") == 0) {
            const std::size_t end = html.find("-->", at + 4);
            at = end == std::string::npos ? html.size() : end + 3;
            continue;
        }
        const std::size_t close = html.find('>', at);
        const bool startsTag = at + 1 < html.size()
            && (std::isalpha(static_cast<unsigned char>(html[at + 1])) || html[at + 1] == '/' || html[at + 1] == '!');
        if (!startsTag) {
            run += c; // "a < b" is text, as browsers read it
            ++at;
            continue;
        }
        if (close == std::string::npos) {
            run = html.substr(at); // a lone "<" is text
            break;
        }
        const TTag tag = ParseTag(html.substr(at + 1, close - at - 1));
        at = close + 1;
        if (!tag.Closing && IsOneOf(tag.Name, {"head", "script", "style", "title"}))
            at = SkipElement(lowered, at, tag.Name);
        else
            text.Tag(tag);
    }
    text.Text(DecodedText(run));
    return text.Result();
}
