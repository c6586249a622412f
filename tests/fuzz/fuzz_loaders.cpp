// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzzes the recipient and message file loaders with the input as the file's bytes,
// and the number check with every line of it, each against a reference written
// apart from the code:
// - decoding: UTF-8 out, and a decoding said to be whole encodes back to the bytes;
// - recipients, on the decoded text: text up to the first NUL, lines ending at CR LF, CR or LF, no empty
//   entry for a final line end, one label per entry;
// - message: the same text with every line break made CR LF;
// - numbers: leading blanks, an optional sign, then decimal digits within the 32-bit
//   signed range or one to eight hexadecimal digits after "$", "x" or "0x" (either
//   case) taken as a 32-bit pattern; plain decimal for the stored settings.
#include "base/Charsets.h"
#include "base/StringList.h"
#include "base/TextDecoding.h"
#include "base/Utf8.h"
#include "workflow/compose/MessageText.h"
#include "workflow/lists/AddressBook.h"
#include "workflow/lists/ListColumn.h"
#include "workflow/lists/RecipientList.h"
#include "workflow/lists/RowsColumn.h"
#include "workflow/settings/IntegerText.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <regex>

namespace {

std::string InputPath;

void Fail(const std::string& what)
{
    std::fprintf(stderr, "loader fault: %s\n", what.c_str());
    std::abort();
}

std::string UpToNul(const std::string& bytes)
{
    return bytes.substr(0, bytes.find('\0'));
}

std::vector<std::string> ReferenceLines(const std::string& bytes)
{
    const std::string text = UpToNul(bytes);
    std::vector<std::string> lines;
    std::string line;
    bool open = false; // a line has begun that no line break has ended yet
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' || text[i] == '\n') {
            lines.push_back(line);
            line.clear();
            open = false;
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
        } else {
            line += text[i];
            open = true;
        }
    }
    if (open)
        lines.push_back(line);
    return lines;
}

std::string ReferenceMessage(const std::string& bytes)
{
    const std::string text = UpToNul(bytes);
    std::string result;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            continue; // the LF that follows makes the line end
        result += text[i] == '\r' || text[i] == '\n' ? std::string("\r\n") : std::string(1, text[i]);
    }
    return result;
}

// The value of a run of decimal digits with its sign, when it fits 32 bits.
std::optional<std::int32_t> DecimalValue(bool negative, std::string digits)
{
    digits.erase(0, std::min(digits.find_first_not_of('0'), digits.size()));
    if (digits.size() > 10)
        return std::nullopt;
    const long long magnitude = digits.empty() ? 0 : std::stoll(digits);
    const long long value = negative ? -magnitude : magnitude;
    if (value < INT32_MIN || value > INT32_MAX)
        return std::nullopt;
    return static_cast<std::int32_t>(value);
}

std::optional<std::int32_t> ReferenceStrToInt(const std::string& text)
{
    static const std::regex decimal("^ *([+-]?)([0-9]+)$");
    static const std::regex hexadecimal("^ *([+-]?)(?:\\$|x|X|0x|0X)([0-9a-fA-F]{1,8})$");
    std::smatch match;
    if (std::regex_match(text, match, decimal))
        return DecimalValue(match[1] == "-", match[2]);
    if (!std::regex_match(text, match, hexadecimal))
        return std::nullopt;
    std::uint32_t pattern = static_cast<std::uint32_t>(std::stoul(match[2], nullptr, 16));
    if (match[1] == "-")
        pattern = ~pattern + 1u;
    return static_cast<std::int32_t>(pattern);
}

std::optional<std::int32_t> ReferenceDecimal(const std::string& text)
{
    static const std::regex decimal("^(-?)([0-9]+)$");
    std::smatch match;
    if (!std::regex_match(text, match, decimal))
        return std::nullopt;
    return DecimalValue(match[1] == "-", match[2]);
}

void CheckNumber(const std::string& text)
{
    if (TryStrToInt(text) != ReferenceStrToInt(text))
        Fail("the number check disagrees on '" + text + "'");
    if (TryDecimalToInt(text) != ReferenceDecimal(text))
        Fail("the settings number disagrees on '" + text + "'");
}

// The decoded text is UTF-8, and a decoding that says it lost nothing gives the
// file's bytes back when the text is encoded the same way again.
void CheckDecoding(const std::string& bytes, const TDecodedText& decoded)
{
    if (!IsValidUtf8(decoded.Text))
        Fail("the decoded text is not UTF-8");
    if (decoded.Decoding.Lossy)
        return;
    static const std::map<TTextEncoding, std::pair<std::string, std::string>> marksAndCharsets = {
        {TTextEncoding::Utf8, {"", "UTF-8"}},
        {TTextEncoding::Utf8WithBom, {"\xEF\xBB\xBF", "UTF-8"}},
        {TTextEncoding::Utf16LittleEndian, {"\xFF\xFE", "UTF-16LE"}},
        {TTextEncoding::Utf16BigEndian, {"\xFE\xFF", "UTF-16BE"}},
        {TTextEncoding::Windows1250, {"", "WINDOWS-1250"}}};
    const auto& [mark, charset] = marksAndCharsets.at(decoded.Decoding.Encoding);
    const auto encoded = ConvertExactly(decoded.Text, "UTF-8", charset);
    if (!encoded || mark + *encoded != bytes)
        Fail("a decoding said to be whole does not give the bytes back");
}

void WriteInput(const std::string& bytes)
{
    std::FILE* file = std::fopen(InputPath.c_str(), "wb");
    if (!file || std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size())
        Fail("cannot write the input file");
    std::fclose(file);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    static QCoreApplication application(*argc, *argv);
    static QTemporaryDir folder;
    InputPath = folder.filePath("input.txt").toStdString();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    WriteInput(bytes);

    const TDecodedText decoded = DecodeText(bytes);
    CheckDecoding(bytes, decoded);

    TRowsColumn entries;
    TRowsColumn labels;
    TRecipientList(entries, labels).LoadFromFile(InputPath, "To:");
    // A file whose first line is a header with an e-mail column is an address book: an
    // entry per row with an address; any other file is an entry per line.
    const std::vector<std::string> lines = ReferenceLines(decoded.Text);
    std::vector<std::string> expected;
    if (const std::optional<TRecipientTable> table = ReadAddressBook(decoded.Text)) {
        for (const TTableRow& row : table->Rows) {
            if (row.Entry.find_first_of("\r\n") != std::string::npos)
                Fail("an address book's entry spans lines");
            expected.push_back(row.Entry);
        }
    } else {
        expected = lines;
    }
    if (entries.Rows != expected)
        Fail("the recipient entries differ from the file's lines or rows");
    if (labels.Rows != std::vector<std::string>(expected.size(), "To:"))
        Fail("the labels do not match the entries");

    if (LoadMessageFile(InputPath).Text != ReferenceMessage(decoded.Text))
        Fail("the message text differs from the file");

    for (const std::string& line : lines)
        if (line.size() <= 40)
            CheckNumber(line);
    return 0;
}
