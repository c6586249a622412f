// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/StringList.h"

#include "base/Exception.h"
#include "base/Stream.h"

#include <algorithm>
#include <cctype>

int CompareTextNoCase(const std::string& a, const std::string& b)
{
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        const int ca = std::tolower(static_cast<unsigned char>(a[i]));
        const int cb = std::tolower(static_cast<unsigned char>(b[i]));
        if (ca != cb)
            return ca < cb ? -1 : 1;
    }
    if (a.size() == b.size())
        return 0;
    return a.size() < b.size() ? -1 : 1;
}

static void CheckIndex(int index, int count)
{
    if (index < 0 || index >= count)
        throw Exception("List index out of bounds (" + std::to_string(index) + ")");
}

const std::string& TStringList::operator[](int index) const
{
    CheckIndex(index, Count());
    return FLines[static_cast<size_t>(index)];
}

void TStringList::Put(int index, const std::string& text)
{
    CheckIndex(index, Count());
    FLines[static_cast<size_t>(index)] = text;
}

int TStringList::Add(const std::string& text)
{
    if (!FSorted) {
        FLines.push_back(text);
        return Count() - 1;
    }
    const auto at =
        std::upper_bound(FLines.begin(), FLines.end(), text,
                         [](const std::string& a, const std::string& b) { return CompareTextNoCase(a, b) < 0; });
    return static_cast<int>(FLines.insert(at, text) - FLines.begin());
}

void TStringList::Insert(int index, const std::string& text)
{
    if (index < 0 || index > Count())
        CheckIndex(index, Count());
    FLines.insert(FLines.begin() + index, text);
}

void TStringList::Delete(int index)
{
    CheckIndex(index, Count());
    FLines.erase(FLines.begin() + index);
}

int TStringList::IndexOf(const std::string& text) const
{
    for (int i = 0; i < Count(); ++i)
        if (CompareTextNoCase(FLines[static_cast<size_t>(i)], text) == 0)
            return i;
    return -1;
}

void TStringList::SetSorted(bool sorted)
{
    if (sorted && !FSorted)
        std::stable_sort(FLines.begin(), FLines.end(),
                         [](const std::string& a, const std::string& b) { return CompareTextNoCase(a, b) < 0; });
    FSorted = sorted;
}

std::string TStringList::Text() const
{
    size_t length = 0;
    for (const auto& line : FLines)
        length += line.size() + 2;
    std::string text;
    text.reserve(length);
    for (const auto& line : FLines) {
        text += line;
        text += "\r\n";
    }
    return text;
}

std::string TStringList::Joined(char separator) const
{
    std::string text;
    for (std::size_t i = 0; i < FLines.size(); ++i) {
        if (i > 0)
            text += separator;
        text += FLines[i];
    }
    return text;
}

void TStringList::SetText(const std::string& text)
{
    FLines.clear();
    const size_t end = std::min(text.find('\0'), text.size());
    size_t start = 0;
    while (start < end) {
        size_t stop = start;
        while (stop < end && text[stop] != '\r' && text[stop] != '\n')
            ++stop;
        FLines.emplace_back(text, start, stop - start);
        if (stop < end && text[stop] == '\r')
            ++stop;
        if (stop < end && text[stop] == '\n')
            ++stop;
        start = stop;
    }
    if (FSorted) {
        FSorted = false;
        SetSorted(true);
    }
}

TTextDecoding TStringList::LoadFromFile(const std::string& fileName)
{
    TDecodedText decoded = DecodeText(ReadWholeFile(fileName));
    SetText(decoded.Text);
    return decoded.Decoding;
}

void TStringList::SaveToFile(const std::string& fileName) const
{
    WriteWholeFile(fileName, Text());
}
