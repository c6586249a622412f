// SPDX-License-Identifier: GPL-3.0-or-later
#include "mail/TextPart.h"
#include "mail/QuotedPrintable.h"
#include "support/CrLfLines.h"
#include "support/MailDecoding.h"

#include <gtest/gtest.h>

namespace {

struct QpCase {
    const char* name;
    std::string line;
    std::vector<std::string> encoded;
};

void PrintTo(const QpCase& c, std::ostream* os)
{
    *os << c.name;
}

class QuotedPrintable : public ::testing::TestWithParam<QpCase> { };

TEST_P(QuotedPrintable, EncodesOneLineIntoTheseLines)
{
    const auto encoded = QuotedPrintableLines(GetParam().line);
    EXPECT_EQ(encoded, GetParam().encoded);
    std::vector<std::string> decoded;
    ASSERT_TRUE(MailDecoding::DecodeQuotedPrintable(encoded, decoded));
    EXPECT_EQ(decoded, std::vector<std::string>{GetParam().line});
}

const std::string X75(75, 'x');

INSTANTIATE_TEST_SUITE_P(
    Lines, QuotedPrintable,
    ::testing::Values(
        QpCase{"Empty", "", {""}}, QpCase{"PrintableAsIs", "Hello, Bob! (a+b)", {"Hello, Bob! (a+b)"}},
        QpCase{"EqualsSign", "a=b", {"a=3Db"}}, QpCase{"EightBitBytes", "čšž", {"=C4=8D=C5=A1=C5=BE"}},
        QpCase{"ControlBytes", std::string("a\0b\x7f", 4), {"a=00b=7F"}},
        QpCase{"BlanksInsideStay", "a b\tc", {"a b\tc"}}, QpCase{"TrailingBlankEncoded", "end ", {"end=20"}},
        QpCase{"TrailingTabEncoded", "end\t", {"end=09"}}, QpCase{"SeventySixFitOneLine", X75 + "y", {X75 + "y"}},
        QpCase{"SeventySevenBreakSoftly", X75 + "yz", {X75 + "=", "yz"}},
        QpCase{"EscapeNeverCut", std::string(73, 'x') + "č", {std::string(73, 'x') + "=", "=C4=8D"}},
        QpCase{"EscapeFillsTheLastLine", std::string(70, 'x') + "č", {std::string(70, 'x') + "=C4=8D"}},
        QpCase{"BlankBeforeASoftBreakStays", std::string(74, 'x') + " yy", {std::string(74, 'x') + " =", "yy"}},
        QpCase{"LongLine",
               std::string(200, 'a'),
               {std::string(75, 'a') + "=", std::string(75, 'a') + "=", std::string(50, 'a')}}),
    [](const auto& info) { return info.param.name; });

struct PartCase {
    const char* name;
    std::vector<std::string> lines;
    std::string charset;
    std::string declared;
    bool quotedPrintable;
    std::string content;
};

void PrintTo(const PartCase& c, std::ostream* os)
{
    *os << c.name;
}

class TextPart : public ::testing::TestWithParam<PartCase> { };

TEST_P(TextPart, ChoosesCharsetAndEncoding)
{
    std::string text;
    for (const auto& line : GetParam().lines)
        text += line + "\r\n";
    const TTextPart part = MakeTextPart("text/plain", text, GetParam().charset);
    EXPECT_EQ(part.Charset, GetParam().declared);
    EXPECT_EQ(part.QuotedPrintable, GetParam().quotedPrintable);
    EXPECT_EQ(part.Content, GetParam().content);
}

const std::string Line998(998, 'a');

INSTANTIATE_TEST_SUITE_P(
    Cases, TextPart,
    ::testing::Values(
        PartCase{"AsciiGoesAsWritten",
                 {"Hello", ".", ".x"},
                 "us-ascii",
                 "us-ascii",
                 false,
                 CrLfLines({"Hello", "..", "..x"})},
        PartCase{"AsciiKeepsAnyCharsetName", {"Hi"}, "x-anything", "x-anything", false, "Hi\r\n"},
        PartCase{
            "Utf8", {"Pozdravljeni – čšž"}, "utf-8", "utf-8", true, "Pozdravljeni =E2=80=93 =C4=8D=C5=A1=C5=BE\r\n"},
        PartCase{"UsAsciiCannotHoldItSoUtf8", {"čšž"}, "us-ascii", "utf-8", true, "=C4=8D=C5=A1=C5=BE\r\n"},
        PartCase{"Latin2", {"čšž ČŠŽ"}, "iso-8859-2", "iso-8859-2", true, "=E8=B9=BE =C8=A9=AE\r\n"},
        PartCase{"Latin2HasNoEnDash", {"čšž –"}, "iso-8859-2", "utf-8", true, "=C4=8D=C5=A1=C5=BE =E2=80=93\r\n"},
        PartCase{
            "Windows1250", {"čšž –", "„da“"}, "windows-1250", "windows-1250", true, "=E8=9A=9E =96\r\n=84da=93\r\n"},
        PartCase{"Utf16IsNoMailCharset", {"č"}, "utf-16", "utf-8", true, "=C4=8D\r\n"},
        PartCase{"UnknownCharset", {"č"}, "x-unknown", "utf-8", true, "=C4=8D\r\n"},
        PartCase{"NoCharsetName", {"č"}, "", "utf-8", true, "=C4=8D\r\n"},
        // iconv drops what it does not read in a name and takes an empty one for the
        // locale's charset; the header would declare the name as typed.
        PartCase{"QuotesAreNoCharsetName", {"“č”"}, "\"\"\"\"\"\"", "utf-8", true, "=E2=80=9C=C4=8D=E2=80=9D\r\n"},
        PartCase{"BlankInCharsetName", {"č"}, "utf 8", "utf-8", true, "=C4=8D\r\n"},
        PartCase{"CommaAfterCharsetName", {"č"}, "iso-8859-2,", "utf-8", true, "=C4=8D\r\n"},
        PartCase{"EightBitInCharsetName", {"č"}, "iso-8859-2č", "utf-8", true, "=C4=8D\r\n"},
        PartCase{"AsciiLineOf998", {Line998}, "us-ascii", "us-ascii", false, Line998 + "\r\n"},
        PartCase{"AsciiLineOf999",
                 {Line998 + "b"},
                 "us-ascii",
                 "us-ascii",
                 true,
                 [] {
                     std::string s;
                     for (int i = 0; i < 13; ++i)
                         s += std::string(75, 'a') + "=\r\n";
                     return s + std::string(23, 'a') + "b\r\n";
                 }()},
        PartCase{"NulIsNotSevenBitText", {std::string("a\0b", 3)}, "us-ascii", "us-ascii", true, "a=00b\r\n"},
        PartCase{"DotStuffedAfterEncoding", {X75 + ".yz č"}, "utf-8", "utf-8", true, X75 + "=\r\n..yz =C4=8D\r\n"},
        PartCase{"EmptyLinesStay", {"", "č", ""}, "utf-8", "utf-8", true, "\r\n=C4=8D\r\n\r\n"},
        PartCase{"NoLines", {}, "us-ascii", "us-ascii", false, ""}),
    [](const auto& info) { return info.param.name; });

TEST(TextPart, HeaderLinesDeclareTypeCharsetAndEncoding)
{
    EXPECT_EQ(MakeTextPart("text/html", "a\r\n", "us-ascii").HeaderLines(),
              std::vector<std::string>{"Content-Type: text/html; charset=us-ascii"});
    EXPECT_EQ(MakeTextPart("text/html", "č\r\n", "windows-1250").HeaderLines(),
              (std::vector<std::string>{"Content-Type: text/html; charset=windows-1250",
                                        "Content-Transfer-Encoding: quoted-printable"}));
}

} // namespace
