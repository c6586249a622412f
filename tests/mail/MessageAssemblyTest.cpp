// SPDX-License-Identifier: GPL-3.0-or-later
#include "mail/MessageAssembly.h"
#include "support/CrLfLines.h"

#include "base/Exception.h"
#include "support/WorkedExample.h"

#include <QByteArray>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <functional>
#include <random>

namespace {

class MessageAssembly : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetBoundaryGenerator();
        ASSERT_TRUE(dir.isValid());
    }

    std::string MakeFile(const std::string& name, const std::string& bytes)
    {
        const std::string path = dir.filePath(QString::fromStdString(name)).toStdString();
        WriteWholeFile(path, bytes);
        return path;
    }

    // The record of the worked example: a greeting with a line of one dot in it.
    void FillExample(bool withAttachment)
    {
        message.SetFromName("Ana Novak");
        message.SetFromAddress("ana@example.org");
        message.ToAddress().Add("Bob <bob@example.org>");
        message.SetSubject("Report");
        message.SetLocalProgram("Varnolt Pelmar 0.8");
        message.SetBody(TStringList{"Hello Bob", ".", "See you"});
        if (withAttachment)
            message.Attachments().Add(MakeFile("a.txt", "abc"));
        assembler.SubType = mtHtml;
    }

    std::string Body() { return assembler.MessageBody().ToString(); }

    QTemporaryDir dir;
    TOutgoingMessage message;
    TMessageAssembler assembler;
};

// An HTML text beside an attachment: multipart/mixed holding multipart/alternative
// (its plain-text reading, then the HTML as written) and the attachment, typed by its
// name. Date and Message-ID are empty, so neither line is written.
TEST_F(MessageAssembly, WorkedExampleWithAttachmentGivesTheseBytes)
{
    FillExample(true);
    std::vector<std::string> events;
    assembler.OnEncodeStart = [&](const std::string& name) { events.push_back("start " + name); };
    assembler.OnEncodeEnd = [&](const std::string& name) { events.push_back("end " + name); };
    assembler.BuildMessage(message);

    EXPECT_EQ(assembler.Boundary(), WorkedExample::Boundary);
    EXPECT_EQ(assembler.HeaderBlock(), WorkedExample::HeaderBlock());
    EXPECT_EQ(Body(), WorkedExample::Body());
    EXPECT_EQ(assembler.MessageBody().Position(), 0) << "ready to be sent from its start";
    const std::string path = message.Attachments()[0];
    EXPECT_EQ(events, (std::vector<std::string>{"start " + path, "end " + path}));
}

TEST_F(MessageAssembly, WorkedExampleWithoutAttachmentIsHtmlWithItsPlainReading)
{
    FillExample(false);
    assembler.BuildMessage(message);
    const std::string boundary = "====================54535aavfgq====";
    EXPECT_EQ(assembler.HeaderBlock(),
              CrLfLines({"From: Ana Novak<ana@example.org>", "To: Bob <bob@example.org>", "Subject: Report",
                         "X-Mailer: Varnolt Pelmar 0.8", "Mime-Version: 1.0", "Content-Type: multipart/alternative;",
                         " boundary=\"" + boundary + "\"", "", ""}));
    EXPECT_EQ(Body(),
              CrLfLines({"--" + boundary, "Content-Type: text/plain; charset=us-ascii", "", "Hello Bob . See you",
                         "--" + boundary, "Content-Type: text/html; charset=us-ascii", "", "Hello Bob", "..", "See you",
                         "--" + boundary + "--"}));
}

TEST_F(MessageAssembly, WorkedExampleAsPlainTextWithoutAttachmentIsOneTextPart)
{
    FillExample(false);
    assembler.SubType = mtPlain;
    assembler.BuildMessage(message);
    EXPECT_EQ(assembler.FinalHeader().Lines().back(), "Content-Type: text/plain; charset=us-ascii");
    EXPECT_EQ(Body(), CrLfLines({"Hello Bob", "..", "See you"}));
    EXPECT_EQ(assembler.Boundary(), "") << "no boundary drawn";
}

TEST_F(MessageAssembly, BoundariesFollowTheFixedSequence)
{
    EXPECT_EQ(NewBoundary(), "====================54535aavfgq====");
    EXPECT_EQ(NewBoundary(), "====================54535hejkcl====");
    EXPECT_EQ(NewBoundary(), "====================54535bvbhwj====");
    for (int i = 0; i < 2000; ++i) {
        const std::string boundary = NewBoundary();
        ASSERT_EQ(boundary.size(), 35u);
        ASSERT_EQ(boundary.substr(0, 25), "====================54535");
        ASSERT_EQ(boundary.substr(31), "====");
        for (size_t at = 25; at < 31; ++at)
            ASSERT_TRUE(boundary[at] >= 'a' && boundary[at] <= 'y') << boundary;
    }
}

TEST_F(MessageAssembly, BoundaryIsDrawnOnlyForAttachmentsAndKeptOtherwise)
{
    message.Attachments().Add(MakeFile("x.bin", "x"));
    assembler.BuildMessage(message);
    EXPECT_EQ(assembler.Boundary(), "====================54535aavfgq====");
    message.Attachments().Clear();
    assembler.BuildMessage(message);
    EXPECT_EQ(assembler.Boundary(), "====================54535aavfgq====");
    message.Attachments().Add(MakeFile("y.bin", "y"));
    assembler.BuildMessage(message);
    EXPECT_EQ(assembler.Boundary(), "====================54535hejkcl====");
}

struct SubTypeCase {
    int subType;
    std::string contentType;
};

void PrintTo(const SubTypeCase& c, std::ostream* os)
{
    *os << c.subType;
}

class MessageAssemblySubType : public MessageAssembly, public ::testing::WithParamInterface<SubTypeCase> { };

// HTML is the worked example's (multipart/alternative).
TEST_P(MessageAssemblySubType, ChoosesTheContentTypeOfTheTextAloneAndBesideAttachments)
{
    assembler.SubType = static_cast<TSubType>(GetParam().subType);
    assembler.Charset = "iso-8859-2";
    assembler.BuildMessage(message);
    const std::string line = GetParam().contentType + "iso-8859-2";
    EXPECT_EQ(assembler.FinalHeader().Lines().back(), line);

    message.Attachments().Add(MakeFile("a.txt", "abc"));
    assembler.BuildMessage(message);
    EXPECT_EQ(Body().substr(0, 39 + line.size() + 4), "--" + assembler.Boundary() + "\r\n" + line + "\r\n\r\n");
}

INSTANTIATE_TEST_SUITE_P(SubTypes, MessageAssemblySubType,
                         ::testing::Values(SubTypeCase{mtPlain, "Content-Type: text/plain; charset="},
                                           SubTypeCase{mtEnriched, "Content-Type: text/enriched; charset="},
                                           SubTypeCase{mtSgml, "Content-Type: text/sgml; charset="},
                                           SubTypeCase{mtTabSeparated,
                                                       "Content-Type: text/tab-separated-values; charset="},
                                           SubTypeCase{7, "Content-Type: text/plain; charset="}));

struct HeaderCase {
    const char* name;
    std::function<void(TOutgoingMessage&)> fill;
    std::vector<std::string> lines; // before Mime-Version
};

void PrintTo(const HeaderCase& c, std::ostream* os)
{
    *os << c.name;
}

class MessageAssemblyHeader : public MessageAssembly, public ::testing::WithParamInterface<HeaderCase> { };

TEST_P(MessageAssemblyHeader, WritesTheseLines)
{
    GetParam().fill(message);
    assembler.BuildMessage(message);
    auto expected = GetParam().lines;
    expected.push_back("Mime-Version: 1.0");
    expected.push_back("Content-Type: text/plain; charset=us-ascii");
    EXPECT_EQ(assembler.FinalHeader().Lines(), expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, MessageAssemblyHeader,
                         ::testing::Values(HeaderCase{"EmptyRecord", [](TOutgoingMessage&) {}, {"From: <>"}},
                                           HeaderCase{"OnlyBlindCopiesGiveNoToOrCc",
                                                      [](TOutgoingMessage& m) {
                                                          m.SetFromAddress("a@x");
                                                          m.ToBlindCarbonCopy().Add("hidden@x");
                                                      },
                                                      {"From: <a@x>"}},
                                           HeaderCase{"ListsJoinedWithBareCommas",
                                                      [](TOutgoingMessage& m) {
                                                          m.SetToAddress(TStringList{"a", "B <b@x>"});
                                                          m.SetToCarbonCopy(TStringList{"c:c@x", "d"});
                                                          m.ToBlindCarbonCopy().Add("e");
                                                      },
                                                      {"From: <>", "To: a,B <b@x>", "CC: c:c@x,d"}},
                                           HeaderCase{"OptionalFieldsInOrder",
                                                      [](TOutgoingMessage& m) {
                                                          m.SetFromName("N");
                                                          m.SetDate("Tue, 8 Dec 2026 13:00:00 +0000");
                                                          m.SetMessageId("<1.2@x>");
                                                          m.SetReplyTo("r@x");
                                                          m.SetLocalProgram("P 1");
                                                          m.SetSubject("S");
                                                      },
                                                      {"From: N<>", "Subject: S", "X-Mailer: P 1", "Reply-To: r@x",
                                                       "Date: Tue, 8 Dec 2026 13:00:00 +0000", "Message-ID: <1.2@x>"}},
                                           HeaderCase{"EmptyOptionalFieldsAreLeftOut",
                                                      [](TOutgoingMessage& m) {
                                                          m.SetFromAddress("a@x");
                                                          m.SetSubject("");
                                                      },
                                                      {"From: <a@x>"}}),
                         [](const auto& info) { return info.param.name; });

struct BodyCase {
    const char* name;
    std::vector<std::string> entries;
    std::string wire;
};

void PrintTo(const BodyCase& c, std::ostream* os)
{
    *os << c.name;
}

class MessageAssemblyBody : public MessageAssembly, public ::testing::WithParamInterface<BodyCase> { };

// RFC 5321 4.5.2: no line of the body may be a lone dot, and no CR or LF may stand
// outside a CR LF pair.
TEST_P(MessageAssemblyBody, PutsTheseBytesOnTheWire)
{
    for (const auto& entry : GetParam().entries)
        message.Body().Add(entry);
    assembler.BuildMessage(message);
    const std::string body = Body();
    EXPECT_EQ(body, GetParam().wire);
    for (size_t at = 0; at < body.size(); ++at) {
        if (body[at] == '\r') {
            ASSERT_EQ(body[at + 1], '\n') << "bare CR at " << at;
        } else if (body[at] == '\n') {
            ASSERT_TRUE(at > 0 && body[at - 1] == '\r') << "bare LF at " << at;
        }
    }
    EXPECT_EQ(("\r\n" + body).find("\r\n.\r\n"), std::string::npos) << "a lone dot would end the data";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MessageAssemblyBody,
    ::testing::Values(BodyCase{"Empty", {}, ""},
                      BodyCase{"LeadingDotDoubled", {".x", "x.", "", "..", "."}, "..x\r\nx.\r\n\r\n...\r\n..\r\n"},
                      BodyCase{"LoneDotBetweenCrLf", {"a\r\n.\r\nb"}, "a\r\n..\r\nb\r\n"},
                      BodyCase{"LoneDotBetweenLf", {"a\n.\nb"}, "a\r\n..\r\nb\r\n"},
                      BodyCase{"LoneDotBetweenCr", {"a\r.\rb"}, "a\r\n..\r\nb\r\n"},
                      BodyCase{"DotAfterFinalBreak", {"a\r\n."}, "a\r\n..\r\n"},
                      BodyCase{"EntryEndingInBreak", {"a\n"}, "a\r\n\r\n"},
                      BodyCase{"LfCrIsTwoBreaks", {"a\n\rb"}, "a\r\n\r\nb\r\n"},
                      BodyCase{"OnlyBreaks", {"\r", "\n", "\r\n"}, "\r\n\r\n\r\n\r\n\r\n\r\n"},
                      BodyCase{"DotLinesEverywhere", {".\r\n.\n.\r."}, "..\r\n..\r\n..\r\n..\r\n"}),
    [](const auto& info) { return info.param.name; });

// A job builds message after message with one assembler: each must come out as a fresh
// assembler would build it, whichever of text, charset or type changed since the last.
TEST_F(MessageAssembly, ReusedAssemblerGivesTheBytesOfAFreshOne)
{
    const std::vector<std::pair<const char*, std::function<void(TOutgoingMessage&, TMessageAssembler&)>>> changes{
        {"nothing", [](TOutgoingMessage&, TMessageAssembler&) {}},
        {"charset", [](TOutgoingMessage&, TMessageAssembler& a) { a.Charset = "iso-8859-2"; }},
        {"type", [](TOutgoingMessage&, TMessageAssembler& a) { a.SubType = mtPlain; }},
        {"text",
         [](TOutgoingMessage& m, TMessageAssembler&) {
             m.SetBody(TStringList{"Hello Cene", "Bye"});
         }},
    };
    FillExample(false);
    message.SetBody(TStringList{"Dober dan, \u010ce\u0161nik"});
    for (const auto& [name, change] : changes) {
        assembler.BuildMessage(message);
        TMessageAssembler fresh;
        change(message, assembler);
        fresh.SubType = assembler.SubType;
        fresh.Charset = assembler.Charset;
        ResetBoundaryGenerator();
        assembler.BuildMessage(message);
        ResetBoundaryGenerator();
        fresh.BuildMessage(message);
        EXPECT_EQ(Body(), fresh.MessageBody().ToString()) << name;
        EXPECT_EQ(assembler.HeaderBlock(), fresh.HeaderBlock()) << name;
    }
}

TEST_F(MessageAssembly, UUEncodedAttachmentStillDeclaresBase64)
{
    message.Attachments().Add(MakeFile("a.txt", "abc"));
    assembler.EncodeType = emUUEncode;
    assembler.BuildMessage(message);
    const std::string boundary = assembler.Boundary();
    EXPECT_NE(Body().find(
                  CrLfLines({"Content-Transfer-Encoding: base64", "Content-Disposition: attachment; filename=\"a.txt\"",
                             "", "#86)C", "`", "--" + boundary + "--"})),
              std::string::npos)
        << Body();
}

TEST_F(MessageAssembly, EmptyAttachmentIsFollowedDirectlyByTheNextBoundary)
{
    message.Attachments().Add(MakeFile("empty.dat", ""));
    message.Attachments().Add(MakeFile("b.txt", "ab"));
    assembler.BuildMessage(message);
    const std::string boundary = assembler.Boundary();
    EXPECT_NE(Body().find(CrLfLines({"Content-Disposition: attachment; filename=\"empty.dat\"", "", "--" + boundary,
                                     "Content-Type: text/plain; name=\"b.txt\"", "Content-Transfer-Encoding: base64",
                                     "Content-Disposition: attachment; filename=\"b.txt\"", "",
                                     "YWI=", "--" + boundary + "--"})),
              std::string::npos)
        << Body();
}

TEST_F(MessageAssembly, FileNameKeepsADoubleQuoteAndLosesItsFolder)
{
    message.Attachments().Add(MakeFile("say \"hi\".txt", "x"));
    assembler.BuildMessage(message);
    EXPECT_NE(Body().find("Content-Type: text/plain; name=\"say \"hi\".txt\"\r\n"), std::string::npos);
    EXPECT_NE(Body().find("Content-Disposition: attachment; filename=\"say \"hi\".txt\"\r\n"), std::string::npos);
    EXPECT_EQ(Body().find(dir.path().toStdString()), std::string::npos);
}

TEST_F(MessageAssembly, MissingAttachmentIsReportedThenFailsToOpen)
{
    const std::string missing = dir.filePath("gone.pdf").toStdString();
    message.Attachments().Add(MakeFile("first.txt", "1"));
    message.Attachments().Add(missing);
    std::vector<std::string> events;
    assembler.OnEncodeStart = [&](const std::string& name) { events.push_back("start " + name); };
    assembler.OnAttachmentNotFound = [&](const std::string& name) { events.push_back("missing " + name); };
    try {
        assembler.BuildMessage(message);
        FAIL() << "no error";
    } catch (const EFOpenError& error) {
        EXPECT_EQ(error.Message(), "Cannot open file " + missing);
    }
    EXPECT_EQ(events, (std::vector<std::string>{"start " + message.Attachments()[0], "missing " + missing}));
}

TEST_F(MessageAssembly, LargeAttachmentsDecodeBackAndAnotherBuildStartsAfresh)
{
    std::mt19937 random(5);
    std::vector<std::string> contents;
    for (size_t size : {100000u, 70001u}) {
        std::string bytes(size, '\0');
        for (auto& byte : bytes)
            byte = static_cast<char>(random());
        contents.push_back(bytes);
        message.Attachments().Add(MakeFile("f" + std::to_string(size), bytes));
    }
    message.Body().Add("text");
    for (int build = 0; build < 2; ++build) {
        assembler.BuildMessage(message);
        const std::string body = Body();
        const std::string separator = "--" + assembler.Boundary();
        std::vector<std::string> parts;
        for (size_t at = body.find(separator); at != std::string::npos;) {
            const size_t next = body.find(separator, at + separator.size());
            if (next == std::string::npos)
                break;
            parts.push_back(body.substr(at, next - at));
            at = next;
        }
        ASSERT_EQ(parts.size(), 3u);
        EXPECT_TRUE(parts[0].ends_with("\r\n\r\ntext\r\n"));
        for (size_t i = 0; i < contents.size(); ++i) {
            const std::string encoded = parts[i + 1].substr(parts[i + 1].find("\r\n\r\n") + 4);
            const auto decoded = QByteArray::fromBase64Encoding(QByteArray::fromStdString(encoded).replace("\r\n", ""),
                                                                QByteArray::AbortOnBase64DecodingErrors);
            ASSERT_TRUE(decoded);
            EXPECT_TRUE(decoded.decoded.toStdString() == contents[i]) << "attachment " << i << " build " << build;
        }
        EXPECT_TRUE(body.ends_with(separator + "--\r\n"));
    }
}

// A Slovenian message as the people who use this program write it: names, subject
// and body beyond ASCII, a paragraph longer than a line may be (RFC 5322 2.1.1), a
// soft break that puts a dot at the start of a line (stuffed after encoding).
TEST_F(MessageAssembly, SlovenianMessageGivesTheseBytes)
{
    message.SetFromName("Ana Černe");
    message.SetFromAddress("ana@example.org");
    message.ToAddress().Add("Špela Žagar <spela@example.org>");
    message.SetSubject("Vabilo – srečanje članov v četrtek");
    message.SetLocalProgram("Varnolt Pelmar 0.8");
    message.SetDate("Thu, 5 Jun 2025 09:30:00 +0200");
    message.SetMessageId("<18f2c3a4b5d.0123456789abcdef@example.org>");
    std::string paragraph;
    for (int i = 1; paragraph.size() <= 1000; ++i)
        paragraph += "To je " + std::to_string(i) + ". stavek odstavka, ki ga je Špela napisala brez preloma vrstice. ";
    ASSERT_GT(paragraph.size(), 998u);
    message.SetBody(TStringList{"Pozdravljeni – čšž", "", paragraph,
                                "Spletna stran društva je na naslovu https://example.org/dru%C5%A1tvo.html", ".",
                                "Lep pozdrav,", "Ana"});
    assembler.Charset = "utf-8";
    assembler.BuildMessage(message);

    EXPECT_EQ(
        assembler.HeaderBlock(),
        CrLfLines({"From: =?UTF-8?Q?Ana_=C4=8Cerne?= <ana@example.org>",
                   "To: =?UTF-8?Q?=C5=A0pela_=C5=BDagar?= <spela@example.org>",
                   "Subject: =?UTF-8?Q?Vabilo_=E2=80=93_sre=C4=8Danje_=C4=8Dlanov_v_=C4=8Detrtek?=",
                   "X-Mailer: Varnolt Pelmar 0.8", "Date: Thu, 5 Jun 2025 09:30:00 +0200",
                   "Message-ID: <18f2c3a4b5d.0123456789abcdef@example.org>", "Mime-Version: 1.0",
                   "Content-Type: text/plain; charset=utf-8", "Content-Transfer-Encoding: quoted-printable", "", ""}));
    EXPECT_EQ(Body(),
              CrLfLines({"Pozdravljeni =E2=80=93 =C4=8D=C5=A1=C5=BE",
                         "",
                         "To je 1. stavek odstavka, ki ga je =C5=A0pela napisala brez preloma vrstice=",
                         ".. To je 2. stavek odstavka, ki ga je =C5=A0pela napisala brez preloma vrsti=",
                         "ce. To je 3. stavek odstavka, ki ga je =C5=A0pela napisala brez preloma vrs=",
                         "tice. To je 4. stavek odstavka, ki ga je =C5=A0pela napisala brez preloma v=",
                         "rstice. To je 5. stavek odstavka, ki ga je =C5=A0pela napisala brez preloma=",
                         " vrstice. To je 6. stavek odstavka, ki ga je =C5=A0pela napisala brez prelo=",
                         "ma vrstice. To je 7. stavek odstavka, ki ga je =C5=A0pela napisala brez pre=",
                         "loma vrstice. To je 8. stavek odstavka, ki ga je =C5=A0pela napisala brez p=",
                         "reloma vrstice. To je 9. stavek odstavka, ki ga je =C5=A0pela napisala brez=",
                         " preloma vrstice. To je 10. stavek odstavka, ki ga je =C5=A0pela napisala b=",
                         "rez preloma vrstice. To je 11. stavek odstavka, ki ga je =C5=A0pela napisal=",
                         "a brez preloma vrstice. To je 12. stavek odstavka, ki ga je =C5=A0pela napi=",
                         "sala brez preloma vrstice. To je 13. stavek odstavka, ki ga je =C5=A0pela n=",
                         "apisala brez preloma vrstice. To je 14. stavek odstavka, ki ga je =C5=A0pel=",
                         "a napisala brez preloma vrstice.=20",
                         "Spletna stran dru=C5=A1tva je na naslovu https://example.org/dru%C5%A1tvo.h=",
                         "tml",
                         "..",
                         "Lep pozdrav,",
                         "Ana"}));
}

// RFC 2046 5.1.1: the boundary must not occur in what it separates.
TEST_F(MessageAssembly, BoundaryThatOccursInTheTextIsDrawnAgain)
{
    const std::string first = "====================54535aavfgq====";
    const std::string second = "====================54535hejkcl====";
    message.SetBody(TStringList{"--" + first, "x" + second + "--"});
    message.Attachments().Add(MakeFile("a.bin", "a"));
    assembler.BuildMessage(message);
    EXPECT_EQ(assembler.Boundary(), "====================54535bvbhwj====");
    EXPECT_NE(Body().find("\r\n--" + first + "\r\nx" + second + "--\r\n"), std::string::npos)
        << "the text goes as written";

    ResetBoundaryGenerator();
    assembler.SubType = mtHtml;
    message.SetBody(TStringList{"<p>--" + second + "</p>"});
    assembler.BuildMessage(message);
    EXPECT_EQ(assembler.Boundary(), first);
    EXPECT_NE(Body().find("boundary=\"====================54535bvbhwj====\""), std::string::npos)
        << "the inner boundary is neither in the text nor the outer one";
}

TEST_F(MessageAssembly, AttachmentTypeComesFromItsNameOrIsOctetStream)
{
    const std::pair<std::string, std::string> files[] = {{"report.pdf", "application/pdf"},
                                                         {"photo.JPG", "image/jpeg"},
                                                         {"notes.txt", "text/plain"},
                                                         {"data.unknownextension", "application/octet-stream"},
                                                         {"no-extension", "application/octet-stream"}};
    for (const auto& [name, type] : files) {
        message.Attachments().Clear();
        message.Attachments().Add(MakeFile(name, "%PDF-1.4"));
        assembler.BuildMessage(message);
        EXPECT_NE(Body().find("Content-Type: " + type + "; name=\"" + name + "\"\r\n"), std::string::npos) << name;
    }
}

TEST_F(MessageAssembly, HtmlBesideAnAttachmentKeepsItsCharsetAndEncoding)
{
    assembler.SubType = mtHtml;
    assembler.Charset = "iso-8859-2";
    message.SetBody(TStringList{"<p>Dragi &scaron;olarji,</p><p>vabimo vas &ndash; pridite!</p>"});
    message.Attachments().Add(MakeFile("Poročilo.pdf", "x"));
    assembler.BuildMessage(message);
    const std::string inner = "====================54535hejkcl====";
    EXPECT_NE(Body().find(CrLfLines(
                  {"--" + inner, "Content-Type: text/plain; charset=utf-8",
                   "Content-Transfer-Encoding: quoted-printable", "", "Dragi =C5=A1olarji,", "",
                   "vabimo vas =E2=80=93 pridite!", "--" + inner, "Content-Type: text/html; charset=iso-8859-2", "",
                   "<p>Dragi &scaron;olarji,</p><p>vabimo vas &ndash; pridite!</p>", "--" + inner + "--"})),
              std::string::npos)
        << Body();
}

} // namespace
