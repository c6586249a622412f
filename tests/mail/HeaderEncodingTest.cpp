// SPDX-License-Identifier: GPL-3.0-or-later
#include "mail/HeaderEncoding.h"
#include "support/CrLfLines.h"
#include "support/MailDecoding.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using MailDecoding::DecodedEncodedWords;
using MailDecoding::Unfolded;

std::vector<std::string> LinesOf(const std::string& folded)
{
    std::vector<std::string> lines;
    MailDecoding::SplitCrLf(folded + "\r\n", lines);
    return lines;
}

// What every header line we write must be: 7-bit, folded only before a blank, and
// within 78 characters.
void ExpectWellFormed(const std::string& header)
{
    EXPECT_TRUE(std::all_of(header.begin(), header.end(), [](char c) { return static_cast<unsigned char>(c) < 128; }))
        << header;
    const auto lines = LinesOf(header);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        EXPECT_LE(lines[i].size(), 78u) << lines[i];
        if (i > 0) {
            ASSERT_FALSE(lines[i].empty());
            EXPECT_EQ(lines[i][0], ' ') << "a fold goes before a blank";
            EXPECT_NE(lines[i - 1].back(), ' ') << "the blanks go with the text that follows";
            EXPECT_NE(lines[i].find_first_not_of(' '), std::string::npos) << "no line of blanks alone";
        }
    }
}

std::string Repeated(const std::string& text, int times)
{
    std::string result;
    for (int i = 0; i < times; ++i)
        result += text;
    return result;
}

struct SubjectCase {
    const char* name;
    std::string subject;
    std::vector<std::string> lines; // empty: only checked by decoding
};

void PrintTo(const SubjectCase& c, std::ostream* os)
{
    *os << c.name;
}

class Subject : public ::testing::TestWithParam<SubjectCase> { };

TEST_P(Subject, IsWrittenFoldedAndReadsBackAsGiven)
{
    const std::string header = UnstructuredHeader("Subject", GetParam().subject);
    if (!GetParam().lines.empty()) {
        EXPECT_EQ(LinesOf(header), GetParam().lines);
    }
    ExpectWellFormed(header);
    EXPECT_EQ(DecodedEncodedWords(Unfolded(header)), "Subject: " + GetParam().subject);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Subject,
    ::testing::Values(
        SubjectCase{"PlainAscii", "Report", {"Subject: Report"}},
        SubjectCase{
            "Slovenian", "Pozdravljeni – čšž", {"Subject: =?UTF-8?Q?Pozdravljeni_=E2=80=93_=C4=8D=C5=A1=C5=BE?="}},
        SubjectCase{"LongSlovenianFoldsBetweenWords",
                    "Vabilo na srečanje – četrtek, 12. junija, ob 18.00 v dvorani Šolskega centra",
                    {"Subject: =?UTF-8?Q?Vabilo_na_sre=C4=8Danje_=E2=80=93_=C4=8Detrtek=2C_12=2E_j?=",
                     " =?UTF-8?Q?unija=2C_ob_18=2E00_v_dvorani_=C5=A0olskega_centra?="}},
        SubjectCase{
            "LongAsciiFoldsAtBlanks",
            "Minutes of the meeting of the board of the society held on the first Monday of June",
            {"Subject: Minutes of the meeting of the board of the society held on the first", " Monday of June"}},
        SubjectCase{"RunOfBlanksKeepsItsBlanks",
                    std::string(60, 'a') + "     " + std::string(10, 'b'),
                    {"Subject: " + std::string(60, 'a'), "     " + std::string(10, 'b')}},
        SubjectCase{
            "AsciiThatLooksEncodedIsEncoded", "=?UTF-8?Q?x?=", {"Subject: =?UTF-8?Q?=3D=3FUTF-8=3FQ=3Fx=3F=3D?="}},
        SubjectCase{"TabsAndUnderscores", "a\tb_c d", {"Subject: a\tb_c d"}},
        SubjectCase{"AsciiWordTooLongForAnyLineIsEncoded", std::string(1200, 'x'), {}},
        SubjectCase{"LettersNeverSplitAcrossWords", Repeated("ž", 61) + " – ✓ 😀 end", {}},
        SubjectCase{"LeadingAndTrailingBlanksOfEncodedText", "  č  ", {"Subject: =?UTF-8?Q?__=C4=8D__?="}}),
    [](const auto& info) { return info.param.name; });

TEST(Subject, EncodedWordsHoldWholeCharactersAndFitTheirLength)
{
    const std::string words = EncodedWords(std::string(40, 'x') + "žžžžžžžž");
    for (std::size_t start = 0; start < words.size();) {
        const std::size_t end = std::min(words.find(' ', start), words.size());
        const std::string word = words.substr(start, end - start);
        EXPECT_LE(word.size(), 69u);
        EXPECT_EQ(word.substr(0, 10), "=?UTF-8?Q?");
        EXPECT_EQ(word.substr(word.size() - 2), "?=");
        EXPECT_EQ(word.find("=C5?="), std::string::npos) << "a letter cut in two: " << word;
        start = end + 1;
    }
}

struct NameCase {
    const char* name;
    std::string displayName;
    std::string line;
    std::string readBack; // the display name a reader shows
};

void PrintTo(const NameCase& c, std::ostream* os)
{
    *os << c.name;
}

class FromLine : public ::testing::TestWithParam<NameCase> { };

TEST_P(FromLine, CarriesTheNameBeforeTheUnchangedAddress)
{
    const std::string header = FromHeader(GetParam().displayName, "ana@example.org");
    EXPECT_EQ(header, GetParam().line);
    ExpectWellFormed(header);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FromLine,
    ::testing::Values(NameCase{"Ascii", "Ana Novak", "From: Ana Novak<ana@example.org>", ""},
                      NameCase{"NoName", "", "From: <ana@example.org>", ""},
                      NameCase{"Slovenian", "Ana Černe", "From: =?UTF-8?Q?Ana_=C4=8Cerne?= <ana@example.org>", ""},
                      NameCase{"CommaIsQuoted", "Novak, Ana", "From: \"Novak, Ana\" <ana@example.org>", ""},
                      NameCase{"DotIsQuoted", "Ana N. Novak", "From: \"Ana N. Novak\" <ana@example.org>", ""},
                      NameCase{"QuotedStaysAsWritten", "\"Novak, Ana\"", "From: \"Novak, Ana\"<ana@example.org>", ""},
                      NameCase{"QuotesInsideAreEscaped", "Ana \"Ani\" Novak",
                               "From: \"Ana \\\"Ani\\\" Novak\" <ana@example.org>", ""},
                      NameCase{"QuotedSlovenianIsEncodedWithoutQuotes", "\"Černe, Ana\"",
                               "From: =?UTF-8?Q?=C4=8Cerne=2C_Ana?= <ana@example.org>", ""},
                      NameCase{"LooksEncodedIsEncoded", "=?x?=", "From: =?UTF-8?Q?=3D=3Fx=3F=3D?= <ana@example.org>",
                               ""}),
    [](const auto& info) { return info.param.name; });

struct ListCase {
    const char* name;
    std::vector<std::string> entries;
    std::vector<std::string> lines;
};

void PrintTo(const ListCase& c, std::ostream* os)
{
    *os << c.name;
}

class ToLine : public ::testing::TestWithParam<ListCase> { };

TEST_P(ToLine, EncodesNamesAndKeepsAddresses)
{
    const std::string header = AddressListHeader("To", GetParam().entries);
    EXPECT_EQ(LinesOf(header), GetParam().lines);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ToLine,
    ::testing::Values(
        ListCase{"AsciiAsWritten", {"a", "B <b@x>", "c:c@x"}, {"To: a,B <b@x>,c:c@x"}},
        ListCase{"Slovenian",
                 {"Špela Žagar <spela@example.org>"},
                 {"To: =?UTF-8?Q?=C5=A0pela_=C5=BDagar?= <spela@example.org>"}},
        ListCase{"NoBlankBeforeTheBracket", {"Špela<s@x>"}, {"To: =?UTF-8?Q?=C5=A0pela?= <s@x>"}},
        ListCase{"EncodedEntrySeparatedByCommaAndBlank", {"a@x", "Črt <c@x>"}, {"To: a@x, =?UTF-8?Q?=C4=8Crt?= <c@x>"}},
        ListCase{"BareAddressesUnchanged", {"špela@example.org"}, {"To: špela@example.org"}},
        ListCase{
            "LongListFoldsBetweenEntries",
            {"ana@example.org", "bojan@example.org", "cvetka@example.org", "darko@example.org", "eva@example.org"},
            {"To: ana@example.org, bojan@example.org, cvetka@example.org, darko@example.org,", " eva@example.org"}}),
    [](const auto& info) { return info.param.name; });

struct AttachmentCase {
    const char* name;
    std::string fileName;
    std::string header;
};

void PrintTo(const AttachmentCase& c, std::ostream* os)
{
    *os << c.name;
}

class AttachmentName : public ::testing::TestWithParam<AttachmentCase> { };

TEST_P(AttachmentName, GoesAsQuotedNameOrRfc2231)
{
    const std::string header = AttachmentPartHeader(GetParam().fileName, "application/pdf");
    EXPECT_EQ(header, GetParam().header);
    for (const auto& line : LinesOf(header.substr(0, header.size() - 2)))
        EXPECT_LE(line.size(), 78u) << line;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AttachmentName,
    ::testing::Values(
        AttachmentCase{"Ascii", "a.pdf",
                       CrLfLines({"Content-Type: application/pdf; name=\"a.pdf\"", "Content-Transfer-Encoding: base64",
                                  "Content-Disposition: attachment; filename=\"a.pdf\""})},
        AttachmentCase{"Slovenian", "Poročilo.pdf",
                       CrLfLines({"Content-Type: application/pdf; name=\"=?UTF-8?Q?Poro=C4=8Dilo=2Epdf?=\"",
                                  "Content-Transfer-Encoding: base64",
                                  "Content-Disposition: attachment; filename*=UTF-8''Poro%C4%8Dilo.pdf"})},
        AttachmentCase{"LongNameInPieces", "Poročilo o delu za leto 2024 – končna različica.pdf",
                       CrLfLines({"Content-Type: application/pdf;",
                                  " name=\"=?UTF-8?Q?Poro=C4=8Dilo_o_delu_za_leto_2024_=E2=80=93_kon=C4=8Dna_r?=",
                                  " =?UTF-8?Q?azli=C4=8Dica=2Epdf?=\"", "Content-Transfer-Encoding: base64",
                                  "Content-Disposition: attachment;",
                                  " filename*0*=UTF-8''Poro%C4%8Dilo%20o%20delu%20za%20leto%202024%20%E2%80%93;",
                                  " filename*1*=%20kon%C4%8Dna%20razli%C4%8Dica.pdf"})}),
    [](const auto& info) { return info.param.name; });

TEST(Folding, ShortLinesAndLinesWithoutBlanksStayAsTheyAre)
{
    EXPECT_EQ(FoldHeaderLine("X-Mailer: Varnolt Pelmar 0.8"), "X-Mailer: Varnolt Pelmar 0.8");
    const std::string unbreakable = "Subject: " + std::string(100, 'x');
    EXPECT_EQ(FoldHeaderLine(unbreakable), unbreakable);
    const std::string late = "Subject: " + std::string(100, 'x') + " y";
    EXPECT_EQ(FoldHeaderLine(late), "Subject: " + std::string(100, 'x') + "\r\n y") << "as short as the blanks allow";
    EXPECT_EQ(FoldHeaderLine("Subject:" + std::string(90, ' ') + "x"), "Subject:" + std::string(90, ' ') + "x")
        << "never a first line without text";
}

} // namespace
