// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "base/TextDecoding.h"

#include <string>
#include <vector>

// An ordered list of 8-bit strings (UTF-8 bytes here).
class TStringList {
public:
    TStringList() = default;
    TStringList(std::initializer_list<std::string> lines) : FLines(lines) { }
    virtual ~TStringList() = default;

    int Count() const { return static_cast<int>(FLines.size()); }
    bool Empty() const { return FLines.empty(); }
    const std::string& operator[](int index) const;
    const std::string& Strings(int index) const { return (*this)[index]; }
    void Put(int index, const std::string& text);

    // With Sorted set, Add keeps the list in case-insensitive order.
    int Add(const std::string& text);
    void Insert(int index, const std::string& text);
    void Delete(int index);
    void Clear() { FLines.clear(); }
    void Assign(const TStringList& other) { FLines = other.FLines; }
    int IndexOf(const std::string& text) const;

    bool Sorted() const { return FSorted; }
    void SetSorted(bool sorted);

    // Every line followed by CR LF.
    std::string Text() const;
    // The lines with the separator between them (none after the last).
    std::string Joined(char separator) const;
    // Splits at CR LF, LF or CR; a NUL ends the text; a final line end adds no empty line.
    void SetText(const std::string& text);
    // Decodes the file (see DecodeText) and splits it as SetText does.
    TTextDecoding LoadFromFile(const std::string& fileName);
    void SaveToFile(const std::string& fileName) const;

    const std::vector<std::string>& Lines() const { return FLines; }
    bool operator==(const TStringList& other) const { return FLines == other.FLines; }

private:
    std::vector<std::string> FLines;
    bool FSorted = false;
};

// Case-insensitive comparison of 8-bit text, as the lists and header names use it.
int CompareTextNoCase(const std::string& a, const std::string& b);
