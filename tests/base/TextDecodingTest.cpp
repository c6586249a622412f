// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/TextDecoding.h"
#include "base/Charsets.h"
#include "base/Utf8.h"

#include <gtest/gtest.h>

namespace {

const std::string Fffd = "\xEF\xBF\xBD";
const std::string Slovenian =
    "Pozdravljeni \xE2\x80\x93 \xC4\x8D\xC5\xA1\xC5\xBE \xC4\x8C\xC5\xA0\xC5\xBD"; // "– čšž ČŠŽ"

struct DecodingCase {
    const char* name;
    std::string bytes;
    std::string text;
    TTextEncoding encoding;
    bool lossy;
};

void PrintTo(const DecodingCase& c, std::ostream* os)
{
    *os << c.name;
}

class Decoding : public ::testing::TestWithParam<DecodingCase> { };

TEST_P(Decoding, ReadsTheTextAndSaysHowAndWhetherSomethingWasLost)
{
    const TDecodedText decoded = DecodeText(GetParam().bytes);
    EXPECT_EQ(decoded.Text, GetParam().text);
    EXPECT_EQ(decoded.Decoding.Encoding, GetParam().encoding);
    EXPECT_EQ(decoded.Decoding.Lossy, GetParam().lossy);
    EXPECT_TRUE(IsValidUtf8(decoded.Text));
}

INSTANTIATE_TEST_SUITE_P(
    Files, Decoding,
    ::testing::Values(
        DecodingCase{"Empty", "", "", TTextEncoding::Utf8, false},
        DecodingCase{"Ascii", "a@x.org\r\n", "a@x.org\r\n", TTextEncoding::Utf8, false},
        DecodingCase{"Utf8", Slovenian, Slovenian, TTextEncoding::Utf8, false},
        DecodingCase{"Utf8WithBom", "\xEF\xBB\xBF" + Slovenian, Slovenian, TTextEncoding::Utf8WithBom, false},
        DecodingCase{"OnlyTheBom", "\xEF\xBB\xBF", "", TTextEncoding::Utf8WithBom, false},
        DecodingCase{"Utf8WithBomAndABadByte",
                     "\xEF\xBB\xBF"
                     "a\xE8z",
                     "a" + Fffd + "z", TTextEncoding::Utf8WithBom, true},
        DecodingCase{"Utf16LittleEndian",
                     std::string("\xFF\xFE"
                                 "a\0\x0D\x01\n\0",
                                 8),
                     "a\xC4\x8D\n", TTextEncoding::Utf16LittleEndian, false},
        DecodingCase{"Utf16BigEndian", std::string("\xFE\xFF\0a\x01\x0D\0\n", 8), "a\xC4\x8D\n",
                     TTextEncoding::Utf16BigEndian, false},
        DecodingCase{"Utf16SurrogatePair", std::string("\xFF\xFE\x3D\xD8\x00\xDE", 6), "\xF0\x9F\x98\x80",
                     TTextEncoding::Utf16LittleEndian, false},
        DecodingCase{"Utf16LoneSurrogate",
                     std::string("\xFF\xFE"
                                 "a\0\x00\xD8"
                                 "b\0",
                                 8),
                     "a" + Fffd + "b", TTextEncoding::Utf16LittleEndian, true},
        DecodingCase{"Utf16OddLength",
                     std::string("\xFF\xFE"
                                 "a\0b",
                                 5),
                     "a" + Fffd, TTextEncoding::Utf16LittleEndian, true},
        // "Pozdravljeni – čšž ČŠŽ" as a Slovenian Windows system writes it.
        DecodingCase{"Windows1250", "Pozdravljeni \x96 \xE8\x9A\x9E \xC8\x8A\x8E", Slovenian,
                     TTextEncoding::Windows1250, false},
        DecodingCase{"Windows1250Quotes",
                     "\x84"
                     "da\x93 \x80",
                     "\xE2\x80\x9E"
                     "da\xE2\x80\x9C \xE2\x82\xAC",
                     TTextEncoding::Windows1250, false},
        // Windows-1250 leaves 81, 83, 88, 90 and 98 undefined.
        DecodingCase{"Windows1250UndefinedBytes", "\xE8\x81\x83\x88\x90\x98z",
                     "\xC4\x8D" + Fffd + Fffd + Fffd + Fffd + Fffd + "z", TTextEncoding::Windows1250, true},
        // Mostly UTF-8 with one stray byte: not UTF-8, so every byte is read as Windows-1250.
        DecodingCase{"MixedUtf8AndAStrayByte", "\xC4\x8D\xE8", "\xC3\x84\xC5\xA4\xC4\x8D", TTextEncoding::Windows1250,
                     false},
        DecodingCase{"MixedWithUndefinedByte", "\xC4\x8D\x81", "\xC3\x84\xC5\xA4" + Fffd, TTextEncoding::Windows1250,
                     true},
        // Well-formed in shape but not UTF-8: an overlong "/", a surrogate, beyond U+10FFFF.
        DecodingCase{"OverlongIsNotUtf8", "\xC0\xAF", "\xC5\x94\xC5\xBB", TTextEncoding::Windows1250, false},
        DecodingCase{"SurrogateIsNotUtf8", "\xED\xA0\x80", "\xC3\xAD\xC2\xA0\xE2\x82\xAC", TTextEncoding::Windows1250,
                     false},
        DecodingCase{"BeyondUnicodeIsNotUtf8", "\xF4\x90\x80\x80", "\xC3\xB4" + Fffd + "\xE2\x82\xAC\xE2\x82\xAC",
                     TTextEncoding::Windows1250, true}),
    [](const auto& info) { return info.param.name; });

struct ConversionCase {
    const char* name;
    std::string text; // UTF-8
    std::string charset;
    std::optional<std::string> converted;
};

void PrintTo(const ConversionCase& c, std::ostream* os)
{
    *os << c.name;
}

class Conversion : public ::testing::TestWithParam<ConversionCase> { };

TEST_P(Conversion, ConvertsExactlyOrNotAtAll)
{
    EXPECT_EQ(ConvertExactly(GetParam().text, "UTF-8", GetParam().charset), GetParam().converted);
}

INSTANTIATE_TEST_SUITE_P(
    Charsets, Conversion,
    ::testing::Values(ConversionCase{"Latin2", "\xC4\x8D\xC5\xA1\xC5\xBE", "iso-8859-2", "\xE8\xB9\xBE"},
                      ConversionCase{"Latin2HasNoEnDash", "\xE2\x80\x93", "iso-8859-2", std::nullopt},
                      ConversionCase{"Windows1250HasTheEnDash", "\xC4\x8D\xE2\x80\x93", "windows-1250", "\xE8\x96"},
                      ConversionCase{"NamesIgnoreCase", "\xC5\xBE", "WINDOWS-1250", "\x9E"},
                      ConversionCase{"AsciiHoldsOnlyAscii", "\xC4\x8D", "us-ascii", std::nullopt},
                      ConversionCase{"Utf8StaysUtf8", "\xC4\x8D", "utf-8", "\xC4\x8D"},
                      ConversionCase{"UnknownCharset", "a", "no-such-charset", std::nullopt},
                      ConversionCase{"NoApproximation", "\xC4\x8D", "us-ascii//TRANSLIT", std::nullopt},
                      ConversionCase{"EmptyName", "a", "", std::nullopt},
                      ConversionCase{"NameOfQuotesOnly", "a", "\"\"", std::nullopt},
                      ConversionCase{"NameWithABlank", "a", "utf 8", std::nullopt},
                      ConversionCase{"NameWithAComma", "a", "utf-8,", std::nullopt},
                      ConversionCase{"NameWithAColon", "a", "iso_8859-2:1987", std::nullopt},
                      ConversionCase{"DotInName", "a", "ansi_x3.4-1968", "a"}),
    [](const auto& info) { return info.param.name; });

TEST(Charsets, OnlyCharsetsThatKeepAsciiSuitAMailText)
{
    for (const char* name : {"utf-8", "us-ascii", "iso-8859-2", "windows-1250", "ISO-8859-15", "koi8-r"})
        EXPECT_TRUE(IsAsciiCompatibleCharset(name)) << name;
    for (const char* name : {"utf-16", "UTF-16LE", "utf-32", "ucs-2", "ibm037", "no-such-charset", "", "\"\"", "utf 8"})
        EXPECT_FALSE(IsAsciiCompatibleCharset(name)) << name;
}

TEST(Utf8, SequenceLengthsFollowTheStandard)
{
    const std::pair<std::string, std::size_t> cases[] = {{"a", 1},
                                                         {"\xC4\x8D", 2},
                                                         {"\xE2\x80\x93", 3},
                                                         {"\xF0\x9F\x98\x80", 4},
                                                         {"\xC1\xBF", 0},         // overlong two-byte form
                                                         {"\xE0\x9F\xBF", 0},     // overlong three-byte form
                                                         {"\xED\xA0\x80", 0},     // surrogate
                                                         {"\xF4\x90\x80\x80", 0}, // above U+10FFFF
                                                         {"\xC4", 0},
                                                         {"\xE2\x80", 0}, // cut short
                                                         {"\x80", 0},
                                                         {"\xFF", 0},
                                                         {"\xE2\x28\xA1", 0}};
    for (const auto& [bytes, length] : cases)
        EXPECT_EQ(Utf8SequenceLength(bytes, 0), length) << ::testing::PrintToString(bytes);
}

} // namespace
