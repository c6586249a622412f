// SPDX-License-Identifier: GPL-3.0-or-later
#include "workflow/lists/CsvText.h"

namespace {

bool IsLineBreak(char c)
{
    return c == '\r' || c == '\n';
}

} // namespace

bool TCsvReader::SkipLineBreak()
{
    if (FPos >= FText.size() || !IsLineBreak(FText[FPos]))
        return false;
    const bool crLf = FText[FPos] == '\r' && FPos + 1 < FText.size() && FText[FPos + 1] == '\n';
    FPos += crLf ? 2 : 1;
    return true;
}

void TCsvReader::EndField(TCsvRecord& record)
{
    record.push_back(std::move(FField));
    FField.clear();
}

bool TCsvReader::Next(TCsvRecord& record)
{
    record.clear();
    if (FPos >= FText.size())
        return false;
    if (SkipLineBreak())
        return true; // an empty line
    enum { FieldStart, Unquoted, Quoted, QuoteInQuoted } state = FieldStart;
    while (FPos < FText.size()) {
        const char c = FText[FPos];
        if (state == Quoted) {
            ++FPos;
            if (c == '"')
                state = QuoteInQuoted;
            else
                FField += c;
            continue;
        }
        if (SkipLineBreak()) {
            EndField(record);
            return true;
        }
        ++FPos;
        if (c == FDelimiter) {
            EndField(record);
            state = FieldStart;
        } else if (c == '"' && state != Unquoted) {
            if (state == QuoteInQuoted)
                FField += '"'; // "" inside quotes
            state = Quoted;
        } else {
            FField += c;
            state = Unquoted;
        }
    }
    EndField(record); // the text ended inside the record's last field
    return true;
}

std::vector<TCsvRecord> ReadCsvRecords(std::string_view text, char delimiter)
{
    std::vector<TCsvRecord> records;
    TCsvReader reader(text, delimiter);
    TCsvRecord record;
    while (reader.Next(record))
        records.push_back(std::move(record));
    return records;
}

std::string CsvField(const std::string& value, char delimiter, bool aloneInRecord)
{
    const bool quote = (aloneInRecord && value.empty()) || value.find_first_of("\"\r\n,;\t") != std::string::npos
        || value.find(delimiter) != std::string::npos;
    if (!quote)
        return value;
    std::string field = "\"";
    for (const char c : value) {
        if (c == '"')
            field += '"';
        field += c;
    }
    return field + '"';
}

void AppendCsvRecord(std::string& text, const TCsvRecord& record, char delimiter)
{
    for (std::size_t i = 0; i < record.size(); ++i) {
        if (i > 0)
            text += delimiter;
        text += CsvField(record[i], delimiter, record.size() == 1);
    }
    text += "\r\n";
}

std::string WriteCsvRecords(const std::vector<TCsvRecord>& records, char delimiter)
{
    std::string text;
    for (const TCsvRecord& record : records)
        AppendCsvRecord(text, record, delimiter);
    return text;
}
