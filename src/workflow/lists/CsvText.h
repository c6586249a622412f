// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <string>
#include <string_view>
#include <vector>

// Comma- (or semicolon-, or tab-) separated text as RFC 4180 writes it, read and written
// on already decoded UTF-8 text. Byte decoding (BOM, UTF-16, Windows-1250) happens before.

using TCsvRecord = std::vector<std::string>;

// Reads one record after another. The reading is that of the common spreadsheet and
// scripting tools, so that any file they write or read means the same here:
// - a record ends at CR LF, a single LF or a single CR outside quotes; a line break
//   with nothing before it is an empty record (no fields at all);
// - a field that starts with a quote runs to the next lone quote; inside it "" is one
//   quote and delimiters and line breaks are text (RFC 4180 section 2, rules 5 to 7);
// - text after a closing quote is kept (a"b"c reads as the quoted text then "c"), and a
//   quote inside an unquoted field is plain text: the reader never rejects input;
// - an unclosed quote runs to the end of the text.
class TCsvReader {
public:
    TCsvReader(std::string_view text, char delimiter) : FText(text), FDelimiter(delimiter) { }

    // The next record; false at the end of the text.
    bool Next(TCsvRecord& record);

private:
    void EndField(TCsvRecord& record);
    // True when text[pos] starts a line break; moves past the whole break.
    bool SkipLineBreak();

    std::string_view FText;
    char FDelimiter;
    std::size_t FPos = 0;
    std::string FField;
};

// Every record of the text.
std::vector<TCsvRecord> ReadCsvRecords(std::string_view text, char delimiter);

// A field as written: quoted when it holds a quote, a line break or any of the three
// delimiters (comma, semicolon, tab), so that a file written with one delimiter never
// seems to be split by another; a lone empty field is written "" so that its record
// is not read back as an empty one.
std::string CsvField(const std::string& value, char delimiter, bool aloneInRecord = false);
// The record and CR LF, appended to text.
void AppendCsvRecord(std::string& text, const TCsvRecord& record, char delimiter);
// Every record followed by CR LF. ReadCsvRecords gives the records back exactly.
std::string WriteCsvRecords(const std::vector<TCsvRecord>& records, char delimiter);
