// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzzes the CSV reader and writer, the address-book reader and the field merge with the
// input as decoded text. Python's csv module is the reference for the records (see
// tests/e2e/test_csv_reference.py); here the invariants hold for any bytes:
// - for every delimiter, the written records read back as the same records;
// - a table read from the input, written and read again, is the same table, and each of its
//   entries is one line whose address is that of its row;
// - merging the input as subject and body against the table's rows (or a plain entry)
//   never puts a line break into the subject or a body line, and a text without "{{"
//   comes back unchanged.
#include "base/StringList.h"
#include "workflow/compose/MessageMerge.h"
#include "workflow/lists/AddressBook.h"
#include "workflow/lists/CsvText.h"
#include "workflow/lists/RecipientEntry.h"

#include <QCoreApplication>
#include <cstdio>
#include <cstdlib>

namespace {

void Fail(const std::string& what)
{
    std::fprintf(stderr, "csv fault: %s\n", what.c_str());
    std::abort();
}

void CheckRecordsRoundTrip(const std::string& text)
{
    for (const char delimiter : {',', ';', '\t'}) {
        const std::vector<TCsvRecord> records = ReadCsvRecords(text, delimiter);
        if (ReadCsvRecords(WriteCsvRecords(records, delimiter), delimiter) != records)
            Fail(std::string("written records read back differently with delimiter ") + delimiter);
    }
}

void CheckTable(const TRecipientTable& table)
{
    TRecipientTable again = table;
    again.SkippedWithoutAddress = 0;
    if (ReadAddressBook(WriteAddressBook(again)) != again)
        Fail("a written table reads back differently");
    for (const TTableRow& row : table.Rows) {
        if (row.Values.size() != table.Columns.size())
            Fail("a row's values do not match the columns");
        if (row.Entry.find_first_of("\r\n") != std::string::npos || SplitEntry(row.Entry).Address.empty())
            Fail("an entry is not one line with an address: " + row.Entry);
    }
}

bool OneLineEach(const TStringList& lines)
{
    for (const std::string& line : lines.Lines())
        if (line.find_first_of("\r\n") != std::string::npos)
            return false;
    return true;
}

void CheckMerge(const std::string& text, const std::optional<TRecipientTable>& table)
{
    TStringList body;
    body.SetText(text);
    const std::string subject = body.Empty() ? std::string() : body[0];
    const std::vector<std::string> columns = table ? table->Columns : std::vector<std::string>{"City"};
    for (const bool html : {false, true}) {
        const TMessageMerge merge(subject, body, html, columns);
        std::vector<TMergeRecipient> recipients = {{"Ana Novak <ana@x.org>"}};
        for (std::size_t i = 0; table && i < std::min<std::size_t>(table->Rows.size(), 3); ++i)
            recipients.push_back({table->Rows[i].Entry, &table->Rows[i].Values});
        for (const TMergeRecipient& recipient : recipients) {
            const std::string merged = merge.Subject(recipient);
            if (merged.find_first_of("\r\n") != std::string::npos)
                Fail("a line break in the merged subject");
            const TStringList mergedBody = merge.Body(recipient);
            if (!OneLineEach(mergedBody))
                Fail("a line break inside a merged body line");
            if (!merge.HasFields() && (merged != subject || !(mergedBody == body)))
                Fail("a message without fields changed");
        }
        if (!merge.Problems().empty() && FieldProblemsMessage(merge.Problems()).empty())
            Fail("problems without a message");
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    static QCoreApplication application(*argc, *argv); // the field keys use Qt's case folding
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    CheckRecordsRoundTrip(text);
    const std::optional<TRecipientTable> table = ReadAddressBook(text);
    if (table)
        CheckTable(*table);
    CheckMerge(text, table);
    return 0;
}
