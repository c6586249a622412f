// SPDX-License-Identifier: GPL-3.0-or-later
#include "workflow/lists/CsvText.h"

#include <gtest/gtest.h>

namespace {

using TRecords = std::vector<TCsvRecord>;

struct ReadCase {
    const char* name;
    std::string text;
    char delimiter;
    TRecords records;
};

void PrintTo(const ReadCase& c, std::ostream* os)
{
    *os << c.name;
}

class CsvRead : public ::testing::TestWithParam<ReadCase> { };

TEST_P(CsvRead, GivesTheRecords)
{
    EXPECT_EQ(ReadCsvRecords(GetParam().text, GetParam().delimiter), GetParam().records);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, CsvRead,
    ::testing::Values(ReadCase{"CrLf", "a,b\r\nc,d\r\n", ',', {{"a", "b"}, {"c", "d"}}},
                      ReadCase{"LfAndCr", "a,b\nc\rd", ',', {{"a", "b"}, {"c"}, {"d"}}},
                      ReadCase{"QuotedComma", "\"Novak, Ana\",ana@x.org", ',', {{"Novak, Ana", "ana@x.org"}}},
                      ReadCase{"DoubledQuotes", "\"say \"\"hi\"\"\",\"\"\"\"", ',', {{"say \"hi\"", "\""}}},
                      ReadCase{"QuotedLineBreaksKept",
                               "\"1 Main St\r\nLjubljana\",\"a\nb\rc\"\r\nx",
                               ',',
                               {{"1 Main St\r\nLjubljana", "a\nb\rc"}, {"x"}}},
                      ReadCase{"EmptyLinesAreEmptyRecords", "a\r\n\r\n\nb\r\n", ',', {{"a"}, {}, {}, {"b"}}},
                      ReadCase{"EmptyFields", ",a,,\r\n\"\"", ',', {{"", "a", "", ""}, {""}}},
                      ReadCase{"TextAfterClosingQuoteKept", "\"ab\"c\"d,e", ',', {{"abc\"d", "e"}}},
                      ReadCase{"QuoteInsideUnquotedFieldIsText", "a\"b,c\"", ',', {{"a\"b", "c\""}}},
                      ReadCase{"UnclosedQuoteRunsToTheEnd", "a,\"b\r\nc,d", ',', {{"a", "b\r\nc,d"}}},
                      ReadCase{"Semicolon", "a;\"b;c\";d,e\r\n", ';', {{"a", "b;c", "d,e"}}},
                      ReadCase{"Tab", "a\t\"b\tc\"\t d ", '\t', {{"a", "b\tc", " d "}}},
                      ReadCase{"NulIsText", std::string("a\0b,c", 5), ',', {{std::string("a\0b", 3), "c"}}},
                      ReadCase{"Empty", "", ',', {}}),
    [](const auto& info) { return info.param.name; });

TEST(CsvWrite, QuotesOnlyWhatNeedsIt)
{
    const TRecords records = {{"a", "b,c", "d;e", "f\tg"}, {"say \"hi\""}, {"x\r\ny", ""}, {""}, {}};
    EXPECT_EQ(WriteCsvRecords(records, ','),
              "a,\"b,c\",\"d;e\",\"f\tg\"\r\n\"say \"\"hi\"\"\"\r\n\"x\r\ny\",\r\n\"\"\r\n\r\n");
}

TEST(CsvWrite, ReadsBackExactlyWithEveryDelimiter)
{
    const TRecords records = {{"Name", "E-mail Address", "Notes"},
                              {"Novak, Ana", "ana@x.org", "line 1\r\nline 2\rline 3\n"},
                              {"\"Bob\"", "", " blanks kept "},
                              {"", ""},
                              {""},
                              {},
                              {"č;š\tž"}};
    for (const char delimiter : {',', ';', '\t'})
        EXPECT_EQ(ReadCsvRecords(WriteCsvRecords(records, delimiter), delimiter), records) << delimiter;
}

TEST(CsvReader, GivesOneRecordAtATime)
{
    TCsvReader reader("a,b\r\n\"c\r\nd\"", ',');
    TCsvRecord record;
    ASSERT_TRUE(reader.Next(record));
    EXPECT_EQ(record, (TCsvRecord{"a", "b"}));
    ASSERT_TRUE(reader.Next(record));
    EXPECT_EQ(record, TCsvRecord{"c\r\nd"});
    EXPECT_FALSE(reader.Next(record));
    EXPECT_TRUE(record.empty());
}

} // namespace
