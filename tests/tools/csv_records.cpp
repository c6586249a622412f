// SPDX-License-Identifier: GPL-3.0-or-later
// Reads cases from standard input and prints, for each, one line of JSON with what the CSV
// reader, the writer and the address-book reader make of it, for a script to compare with
// a reference. A case is the delimiter character, the text's length in bytes in decimal,
// a line feed and the text (UTF-8).
#include "workflow/lists/AddressBook.h"
#include "workflow/lists/CsvText.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringDecoder>
#include <iostream>
#include <iterator>
#include <string>

namespace {

// As the bytes say, a leading byte-order mark included (QString::fromUtf8 drops it).
QString Text(const std::string& text)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
    return decoder(QByteArrayView(text.data(), static_cast<qsizetype>(text.size())));
}

QJsonArray Array(const std::vector<std::string>& values)
{
    QJsonArray array;
    for (const std::string& value : values)
        array.append(Text(value));
    return array;
}

QJsonArray Records(const std::vector<TCsvRecord>& records)
{
    QJsonArray array;
    for (const TCsvRecord& record : records)
        array.append(Array(record));
    return array;
}

QJsonValue Table(const std::string& text)
{
    const std::optional<TRecipientTable> table = ReadAddressBook(text);
    if (!table)
        return QJsonValue::Null;
    QJsonArray rows;
    for (const TTableRow& row : table->Rows)
        rows.append(Array(row.Values));
    return QJsonObject{{"delimiter", QString(QChar(table->Delimiter))},
                       {"columns", Array(table->Columns)},
                       {"values", rows},
                       {"skipped", table->SkippedWithoutAddress}};
}

} // namespace

int main()
{
    std::string input(std::istreambuf_iterator<char>(std::cin), {});
    std::size_t pos = 0;
    while (pos < input.size()) {
        const char delimiter = input[pos];
        const std::size_t lineEnd = input.find('\n', pos);
        const std::size_t length = std::stoul(input.substr(pos + 1, lineEnd - pos - 1));
        const std::string text = input.substr(lineEnd + 1, length);
        pos = lineEnd + 1 + length;

        const std::vector<TCsvRecord> records = ReadCsvRecords(text, delimiter);
        const QJsonObject result{{"records", Records(records)},
                                 {"written", Text(WriteCsvRecords(records, delimiter))},
                                 {"table", Table(text)}};
        std::cout << QJsonDocument(result).toJson(QJsonDocument::Compact).toStdString() << '\n';
    }
    return 0;
}
