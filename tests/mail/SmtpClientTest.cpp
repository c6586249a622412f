// SPDX-License-Identifier: GPL-3.0-or-later
#include "mail/SmtpClient.h"
#include "support/CrLfLines.h"

#include "base/Exception.h"
#include "support/ScriptedServer.h"
#include "support/SessionTestHelpers.h"
#include "support/WorkedExample.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// A client against a scripted server, with a log of the events it fired.
class SmtpDialogue : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetBoundaryGenerator();
        smtp.SetUserID("pc1");
        smtp.OnConnect = [this](QObject*) { events.push_back("connect"); };
        smtp.OnSendStart = [this](QObject*) { events.push_back("start"); };
        smtp.OnSuccess = [this](QObject*) { events.push_back("success"); };
        smtp.OnFailure = [this](QObject*) { events.push_back("failure"); };
        smtp.OnRecipientNotFound = [this](const std::string& entry) { events.push_back("notfound " + entry); };
    }

    void Start()
    {
        server.Start();
        smtp.SetHost("127.0.0.1");
        smtp.SetPort(server.Port());
    }

    // Greeting and HELO as the start of a script.
    ScriptedServer& Greeted() { return server.Send("220 ready\r\n").ExpectLine("HELO pc1").Send("250 hi\r\n"); }

    void Address(const std::string& to = "bob@example.org")
    {
        smtp.PostMessage().SetFromAddress("ana@example.org");
        smtp.PostMessage().ToAddress().Add(to);
        smtp.PostMessage().Body().Add("Hi");
    }

    // The greeting and an envelope whose only recipient is refused, up to DATA.
    ScriptedServer& RefusedOnlyRecipient()
    {
        return Greeted()
            .ExpectLine("RSET")
            .Send("250 ok\r\n")
            .ExpectLine("MAIL FROM:<ana@example.org>")
            .Send("250 ok\r\n")
            .ExpectLine("RCPT TO:<bob@example.org>")
            .Send("550 no such user\r\n")
            .ExpectLine("DATA");
    }

    // The server side of a transaction for one recipient up to the text.
    ScriptedServer& EnvelopeTo(const std::string& mailbox)
    {
        return server.AcceptEnvelope("ana@example.org", mailbox, "354 go\r\n");
    }

    std::string MessageText()
    {
        return "From: <ana@example.org>\r\nTo: bob@example.org\r\nMime-Version: 1.0\r\n"
               "Content-Type: text/plain; charset=us-ascii\r\n\r\n\r\nHi\r\n";
    }

    std::string MakeFile(const std::string& name, const std::string& bytes)
    {
        const std::string path = dir.filePath(QString::fromStdString(name)).toStdString();
        WriteWholeFile(path, bytes);
        return path;
    }

    QTemporaryDir dir;
    ScriptedServer server;
    TSmtpClient smtp;
    std::vector<std::string> events;
};

TEST_F(SmtpDialogue, WorkedExampleGoesOnTheWireByteForByte)
{
    server.Send("220 server ready\r\n")
        .ExpectLine("HELO pc1")
        .Send("250 hello\r\n")
        .AcceptEnvelope("ana@example.org", "bob@example.org", "354 send the text\r\n")
        .Expect(WorkedExample::HeaderBlock() + WorkedExample::Body() + ".\r\n")
        .Send("250 accepted\r\n")
        .ExpectLine("QUIT")
        .Send("221 bye\r\n")
        .WaitForClose();
    Start();
    TOutgoingMessage& m = smtp.PostMessage();
    m.SetFromName("Ana Novak");
    m.SetFromAddress("ana@example.org");
    m.ToAddress().Add("Bob <bob@example.org>");
    m.SetSubject("Report");
    m.SetLocalProgram("Varnolt Pelmar 0.8");
    m.SetBody(TStringList{"Hello Bob", ".", "See you"});
    m.Attachments().Add(MakeFile("a.txt", "abc"));
    smtp.SetSubType(mtHtml);

    smtp.Connect();
    smtp.Send();
    smtp.Disconnect();
    server.Finish();
    EXPECT_EQ(events, (std::vector<std::string>{"connect", "start", "success"}));
    EXPECT_TRUE(m.ToAddress().Empty());
    EXPECT_TRUE(m.Attachments().Empty());
    EXPECT_EQ(m.Subject(), "Report");
    EXPECT_EQ(m.Body().Count(), 3);
    EXPECT_FALSE(smtp.Connected());
}

TEST_F(SmtpDialogue, WorkedExampleWithoutAttachmentIsHtmlWithItsPlainReading)
{
    const std::string boundary = "====================54535aavfgq====";
    Greeted();
    EnvelopeTo("bob@example.org")
        .Expect(CrLfLines({"From: Ana Novak<ana@example.org>",
                           "To: Bob <bob@example.org>",
                           "Subject: Report",
                           "X-Mailer: Varnolt Pelmar 0.8",
                           "Mime-Version: 1.0",
                           "Content-Type: multipart/alternative;",
                           " boundary=\"" + boundary + "\"",
                           "",
                           "",
                           "--" + boundary,
                           "Content-Type: text/plain; charset=us-ascii",
                           "",
                           "Hello Bob . See you",
                           "--" + boundary,
                           "Content-Type: text/html; charset=us-ascii",
                           "",
                           "Hello Bob",
                           "..",
                           "See you",
                           "--" + boundary + "--",
                           "."}))
        .Send("250 accepted\r\n");
    Start();
    TOutgoingMessage& m = smtp.PostMessage();
    m.SetFromName("Ana Novak");
    m.SetFromAddress("ana@example.org");
    m.ToAddress().Add("Bob <bob@example.org>");
    m.SetSubject("Report");
    m.SetLocalProgram("Varnolt Pelmar 0.8");
    m.SetBody(TStringList{"Hello Bob", ".", "See you"});
    smtp.SetSubType(mtHtml);
    smtp.Connect();
    smtp.Send();
    server.Finish();
}

TEST_F(SmtpDialogue, TwoLineGreetingIsReadWholeBeforeHelo)
{
    server.Send("220-first\r\n220 second\r\n").ExpectLine("HELO pc1").Send("250 hi\r\n");
    Start();
    smtp.Connect();
    EXPECT_EQ(events, std::vector<std::string>{"connect"});
    server.Finish();
}

TEST_F(SmtpDialogue, RefusingGreetingSendsQuitClosesAndFailsWithTheGreeting)
{
    server.Send("554 go away\r\n").ExpectLine("QUIT").Send("221 bye\r\n").WaitForClose();
    Start();
    EXPECT_EQ(MessageOf<Exception>([&] { smtp.Connect(); }), "554 go away\r\n");
    EXPECT_FALSE(smtp.Connected());
    EXPECT_FALSE(smtp.Busy());
    EXPECT_TRUE(events.empty());
    server.Finish();
}

TEST_F(SmtpDialogue, RefusedHeloIsRetriedOnceWithTheUserIdTheHandlerSet)
{
    int asked = 0;
    smtp.OnAuthenticationFailed = [&](bool& handled) {
        ++asked;
        smtp.SetUserID("pc2");
        handled = true;
    };
    server.Send("220 ready\r\n")
        .ExpectLine("HELO pc1")
        .Send("501 who\r\n")
        .ExpectLine("HELO pc2")
        .Send("501 still who\r\n")
        .ExpectLine("QUIT")
        .Send("221 bye\r\n")
        .WaitForClose();
    Start();
    EXPECT_EQ(MessageOf<Exception>([&] { smtp.Connect(); }), "Authentication failed");
    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(events.empty());
    server.Finish();
}

TEST_F(SmtpDialogue, EmptyUserIdSendsHeloWithItsBlank)
{
    smtp.SetUserID("");
    server.Send("220 ready\r\n").Expect("HELO \r\n").Send("250 hi\r\n");
    Start();
    smtp.Connect();
    server.Finish();
}

TEST_F(SmtpDialogue, EveryRecipientFormGivesItsBareMailbox)
{
    Greeted()
        .ExpectLine("RSET")
        .Send("250 ok\r\n")
        .ExpectLine("MAIL FROM:<ana@example.org>")
        .Send("250 ok\r\n")
        .ExpectLine("RCPT TO:<bob@example.org>")
        .Send("250 ok\r\n")
        .ExpectLine("RCPT TO:<carol@example.org>")
        .Send("250 ok\r\n")
        .ExpectLine("RCPT TO:<dave@example.org>")
        .Send("250 ok\r\n")
        .ExpectLine("DATA")
        .Send("354 go\r\n")
        .Expect("From: <ana@example.org>\r\nTo: Bob <bob@example.org>,smtp:carol@example.org,dave@example.org,<>\r\n"
                "Mime-Version: 1.0\r\nContent-Type: text/plain; charset=us-ascii\r\n\r\n\r\n.\r\n")
        .Send("250 ok\r\n");
    Start();
    smtp.Connect();
    smtp.PostMessage().SetFromAddress("ana@example.org");
    for (const char* entry : {"Bob <bob@example.org>", "smtp:carol@example.org", "dave@example.org", "<>"})
        smtp.PostMessage().ToAddress().Add(entry);
    smtp.Send();
    server.Finish();
}

TEST_F(SmtpDialogue, RecipientReplyAbove300IsReportedWithTheEntryOfItsOwnList)
{
    Greeted()
        .ExpectLine("RSET")
        .Send("250 ok\r\n")
        .ExpectLine("MAIL FROM:<ana@example.org>")
        .Send("250 ok\r\n")
        .ExpectLine("RCPT TO:<cc1@x.org>")
        .Send("300 odd but accepted\r\n")
        .ExpectLine("RCPT TO:<cc2@x.org>")
        .Send("301 no\r\n")
        .ExpectLine("RCPT TO:<bcc@x.org>")
        .Send("550 unknown\r\n")
        .ExpectLine("DATA")
        .Send("354 go\r\n")
        .Expect("From: <ana@example.org>\r\nCC: cc1@x.org,Two <cc2@x.org>\r\nMime-Version: 1.0\r\n"
                "Content-Type: text/plain; charset=us-ascii\r\n\r\n\r\n.\r\n")
        .Send("250 ok\r\n");
    Start();
    smtp.Connect();
    smtp.PostMessage().SetFromAddress("ana@example.org");
    smtp.PostMessage().ToCarbonCopy().Add("cc1@x.org");
    smtp.PostMessage().ToCarbonCopy().Add("Two <cc2@x.org>");
    smtp.PostMessage().ToBlindCarbonCopy().Add("Hidden <bcc@x.org>");
    smtp.Send();
    EXPECT_EQ(events,
              (std::vector<std::string>{"connect", "start", "notfound Two <cc2@x.org>", "notfound Hidden <bcc@x.org>",
                                        "success"}));
    server.Finish();
}

TEST_F(SmtpDialogue, RefusedDataAfterEveryRecipientWasRefusedIsTheError)
{
    RefusedOnlyRecipient().Send("554 no valid recipients\r\n");
    Start();
    smtp.Connect();
    Address();
    EXPECT_EQ(MessageOf<Exception>([&] { smtp.Send(); }), "554 no valid recipients\r\n");
    EXPECT_EQ(events, (std::vector<std::string>{"connect", "start", "notfound bob@example.org"}));
    EXPECT_FALSE(smtp.Busy());
    server.Finish();
}

// A server that takes the text although it refused the only recipient has delivered
// nothing: the recipient's refusal is raised and no success fires.
TEST_F(SmtpDialogue, TextTakenAfterEveryRecipientWasRefusedRaisesTheRefusal)
{
    RefusedOnlyRecipient().Send("354 go\r\n").Expect(MessageText() + ".\r\n").Send("250 queued\r\n");
    Start();
    smtp.Connect();
    Address();
    EXPECT_EQ(MessageOf<Exception>([&] { smtp.Send(); }), "550 no such user\r\n");
    EXPECT_EQ(events, (std::vector<std::string>{"connect", "start", "notfound bob@example.org"}));
    server.Finish();
}

TEST_F(SmtpDialogue, RefusedTextFiresFailureThenRaisesTheReplyAndKeepsTheLists)
{
    Address();
    smtp.PostMessage().Attachments().Add(MakeFile("f.bin", "xyz"));
    TMessageAssembler expected; // the same composition, to script the exact text
    expected.BuildMessage(smtp.PostMessage());
    ResetBoundaryGenerator();

    Greeted();
    EnvelopeTo("bob@example.org")
        .Expect(expected.HeaderBlock() + expected.MessageBody().ToString() + ".\r\n")
        .Send("552 too big\r\n");
    Start();
    smtp.Connect();
    EXPECT_EQ(MessageOf<Exception>([&] { smtp.Send(); }), "552 too big\r\n");
    EXPECT_EQ(events, (std::vector<std::string>{"connect", "start", "failure"}));
    EXPECT_EQ(smtp.OutcomeReply().FirstLine(), "552 too big\r\n") << "the reply of the message that failed";
    EXPECT_EQ(smtp.PostMessage().ToAddress().Count(), 1);
    EXPECT_EQ(smtp.PostMessage().Attachments().Count(), 1);
    server.Finish();
}

struct QuitCase {
    const char* name;
    const char* reply;
    const char* error;
};

class SmtpQuit : public SmtpDialogue, public ::testing::WithParamInterface<QuitCase> { };

TEST_P(SmtpQuit, ClosesTheSessionWhateverTheReply)
{
    Greeted().ExpectLine("QUIT").Send(GetParam().reply).WaitForClose();
    Start();
    smtp.Connect();
    int disconnects = 0;
    smtp.OnDisconnect = [&](QObject*) { ++disconnects; };
    EXPECT_EQ(MessageOf<Exception>([&] { smtp.Disconnect(); }), GetParam().error);
    EXPECT_FALSE(smtp.Connected());
    EXPECT_EQ(disconnects, 1);
    server.Finish();
}

INSTANTIATE_TEST_SUITE_P(Replies, SmtpQuit,
                         ::testing::Values(QuitCase{"Bye221", "221 bye\r\n", "(nothing raised)"},
                                           QuitCase{"Bound339", "339 odd\r\n", "(nothing raised)"},
                                           QuitCase{"Refused340", "340 no\r\n", "340 no\r\n"},
                                           QuitCase{"MultiLine", "221-one\r\n221 two\r\n", "(nothing raised)"}),
                         [](const auto& info) { return info.param.name; });

TEST_F(SmtpDialogue, SendWithoutConnectionComposesButSendsNothing)
{
    int encoded = 0;
    smtp.OnEncodeEnd = [&](const std::string&) { ++encoded; };
    Address();
    smtp.PostMessage().Attachments().Add(MakeFile("f.bin", "xyz"));
    EXPECT_EQ(MessageOf<Exception>([&] { smtp.Send(); }), "Not Connected");
    EXPECT_EQ(encoded, 1);
    EXPECT_TRUE(events.empty());
    EXPECT_FALSE(smtp.Busy());
}

TEST_F(SmtpDialogue, IncompleteHeaderAsksOnceWithItsType)
{
    Greeted();
    Start();
    smtp.Connect();
    std::vector<int> types;
    smtp.OnHeaderIncomplete = [&](bool& handled, int type) {
        types.push_back(type);
        handled = true; // but fills in nothing: the second check fails
    };
    EXPECT_EQ(MessageOf<Exception>([&] { smtp.Send(); }), "Incomplete Header");
    smtp.PostMessage().SetFromAddress("ana@example.org");
    EXPECT_EQ(MessageOf<Exception>([&] { smtp.Send(); }), "Incomplete Header");
    EXPECT_EQ(types, (std::vector<int>{1, 2}));
    server.Finish();
}

TEST_F(SmtpDialogue, HeaderHandlerThatFillsTheRecipientLetsTheSendGoOn)
{
    Greeted();
    EnvelopeTo("late@example.org")
        .Expect("From: <ana@example.org>\r\nMime-Version: 1.0\r\nContent-Type: text/plain; "
                "charset=us-ascii\r\n\r\n\r\n.\r\n")
        .Send("250 ok\r\n");
    Start();
    smtp.Connect();
    smtp.PostMessage().SetFromAddress("ana@example.org");
    smtp.OnHeaderIncomplete = [&](bool& handled, int) {
        smtp.PostMessage().ToBlindCarbonCopy().Add("late@example.org");
        handled = true;
    };
    smtp.Send();
    server.Finish();
}

TEST_F(SmtpDialogue, SendInsideASendIsIgnored)
{
    Greeted();
    EnvelopeTo("bob@example.org").Expect(MessageText() + ".\r\n").Send("250 ok\r\n");
    Start();
    smtp.Connect();
    Address();
    smtp.OnSendStart = [&](QObject*) { smtp.Send(); };
    smtp.Send();
    server.Finish();
}

// --- the SMTP client never lets a reply line stay behind, never takes silence as an
// --- acceptance, and never lets a field or a body line end a command or the text.

struct StepCase {
    const char* name;
    int step; // 0 RSET, 1 MAIL, 2 RCPT, 3 DATA, 4 final dot
};

class SmtpMultiLineReply : public SmtpDialogue, public ::testing::WithParamInterface<StepCase> { };

TEST_P(SmtpMultiLineReply, IsReadToItsLastLineSoTheNextCommandGetsItsOwnReply)
{
    auto reply = [&](int step, const std::string& code) {
        return step == GetParam().step ? code + "-first\r\n" + code + " last\r\n" : code + " ok\r\n";
    };
    Greeted()
        .ExpectLine("RSET")
        .Send(reply(0, "250"))
        .ExpectLine("MAIL FROM:<ana@example.org>")
        .Send(reply(1, "250"))
        .ExpectLine("RCPT TO:<bob@example.org>")
        .Send(reply(2, "250"))
        .ExpectLine("DATA")
        .Send(reply(3, "354"))
        .Expect(MessageText() + ".\r\n")
        .Send(reply(4, "250"))
        .ExpectLine("QUIT")
        .Send("221 bye\r\n")
        .WaitForClose();
    Start();
    smtp.Connect();
    Address();
    smtp.Send();
    smtp.Disconnect();
    EXPECT_EQ(events, (std::vector<std::string>{"connect", "start", "success"}));
    server.Finish();
}

INSTANTIATE_TEST_SUITE_P(Steps, SmtpMultiLineReply,
                         ::testing::Values(StepCase{"Rset", 0}, StepCase{"MailFrom", 1}, StepCase{"RcptTo", 2},
                                           StepCase{"Data", 3}, StepCase{"FinalDot", 4}),
                         [](const auto& info) { return info.param.name; });

class SmtpSilentClose : public SmtpDialogue, public ::testing::WithParamInterface<StepCase> { };

TEST_P(SmtpSilentClose, IsAFailureAndNeverADelivery)
{
    const int at = GetParam().step;
    const char* commands[] = {"RSET", "MAIL FROM:<ana@example.org>", "RCPT TO:<bob@example.org>", "DATA"};
    const char* replies[] = {"250 ok\r\n", "250 ok\r\n", "250 ok\r\n", "354 go\r\n"};
    Greeted();
    for (int step = 0; step < 4 && step <= at; ++step) {
        server.ExpectLine(commands[step]);
        if (step < at)
            server.Send(replies[step]);
    }
    if (at == 4)
        server.Expect(MessageText() + ".\r\n");
    server.Close();
    Start();
    smtp.Connect();
    Address();
    const std::string error = MessageOf<Exception>([&] { smtp.Send(); });
    EXPECT_EQ(error.rfind("No reply from the server to ", 0), 0u) << error;
    EXPECT_EQ(events, (std::vector<std::string>{"connect", "start"}));
    EXPECT_EQ(smtp.PostMessage().ToAddress().Count(), 1);
    EXPECT_FALSE(smtp.Busy());
    server.Finish();
}

INSTANTIATE_TEST_SUITE_P(Steps, SmtpSilentClose,
                         ::testing::Values(StepCase{"Rset", 0}, StepCase{"MailFrom", 1}, StepCase{"RcptTo", 2},
                                           StepCase{"Data", 3}, StepCase{"FinalDot", 4}),
                         [](const auto& info) { return info.param.name; });

TEST_F(SmtpDialogue, GreetingThatNeverComesFailsTheConnect)
{
    server.Close();
    Start();
    // The QUIT that follows meets the closed connection; its error is the one reported.
    EXPECT_THROW(smtp.Connect(), Exception);
    EXPECT_TRUE(events.empty());
    EXPECT_FALSE(smtp.Connected());
    EXPECT_FALSE(smtp.Busy());
}

TEST_F(SmtpDialogue, FinalReplyWithoutACodeIsNotAnAcceptance)
{
    Greeted();
    EnvelopeTo("bob@example.org").Expect(MessageText() + ".\r\n").Send("OK thanks\r\n");
    Start();
    smtp.Connect();
    Address();
    const std::string error = MessageOf<Exception>([&] { smtp.Send(); });
    EXPECT_EQ(error, "Invalid reply from the server to the end of the message: OK thanks\r\n");
    EXPECT_EQ(events, (std::vector<std::string>{"connect", "start"}));
    // The message may have been taken: the dot counts as unanswered until the connection
    // that owed the answer is dropped.
    EXPECT_EQ(smtp.UnansweredSendNumber(), 1);
    const std::vector<TMessageOutcome> dropped = smtp.Drop();
    ASSERT_EQ(dropped.size(), 1u);
    EXPECT_EQ(dropped[0].Message, 1);
    EXPECT_EQ(dropped[0].Result, TMessageResult::Unanswered);
    EXPECT_EQ(smtp.UnansweredSendNumber(), 0);
    EXPECT_FALSE(smtp.Connected());
    server.Finish();
}

// RFC 5321 section 4.1.2: the blanks around an address in a list line are no part of it.
TEST_F(SmtpDialogue, BlanksAroundAnAddressStayOutOfTheEnvelope)
{
    Greeted()
        .ExpectLine("RSET")
        .Send("250 ok\r\n")
        .ExpectLine("MAIL FROM:<ana@example.org>")
        .Send("250 ok\r\n")
        .ExpectLine("RCPT TO:<dave@example.org>")
        .Send("250 ok\r\n")
        .ExpectLine("RCPT TO:<eve@example.org>")
        .Send("550 no such user\r\n")
        .ExpectLine("DATA")
        .Send("554 later\r\n");
    Start();
    smtp.Connect();
    smtp.PostMessage().SetFromAddress("ana@example.org");
    smtp.PostMessage().ToAddress().Add(" dave@example.org ");
    smtp.PostMessage().ToAddress().Add("Eve <\teve@example.org >");
    std::vector<std::string> replies;
    smtp.OnRecipientNotFound = [&](const std::string& entry) {
        replies.push_back(entry + " | " + smtp.RecipientReply().FirstLine());
    };
    EXPECT_EQ(MessageOf<Exception>([&] { smtp.Send(); }), "554 later\r\n");
    EXPECT_EQ(replies, std::vector<std::string>{"Eve <\teve@example.org > | 550 no such user\r\n"});
    server.Finish();
}

// The header block goes out in one write of at most 65,535 bytes: a longer one is refused
// before the envelope, and the session goes on.
TEST_F(SmtpDialogue, HeaderBlockTooLargeForOneWriteIsRefusedBeforeTheEnvelope)
{
    Address();
    // The longest subject of words whose header block still fits, found by halving.
    const auto subjectOf = [](int words) {
        std::string text;
        for (int i = 0; i < words; ++i)
            text += i ? " word" : "word";
        return text;
    };
    const auto headerSize = [&](int words) {
        smtp.PostMessage().SetSubject(subjectOf(words));
        smtp.BuildMessage();
        return smtp.HeaderBlockSize();
    };
    int fits = 1, tooLong = 20000;
    ASSERT_GT(headerSize(tooLong), MaxHeaderBlockSize);
    while (tooLong - fits > 1) {
        const int middle = (fits + tooLong) / 2;
        (headerSize(middle) <= MaxHeaderBlockSize ? fits : tooLong) = middle;
    }
    ASSERT_GT(headerSize(fits), MaxHeaderBlockSize - 8) << "a word from the limit";
    TMessageAssembler expected;
    expected.BuildMessage(smtp.PostMessage());

    Greeted();
    EnvelopeTo("bob@example.org")
        .Expect(expected.HeaderBlock() + expected.MessageBody().ToString() + ".\r\n")
        .Send("250 ok\r\n");
    Start();
    smtp.Connect();
    headerSize(tooLong);
    try {
        smtp.Send();
        ADD_FAILURE() << "a header block beyond the limit went out";
    } catch (const ESmtpError& error) {
        EXPECT_EQ(error.Kind(), TSmtpErrorKind::HeaderTooLarge);
        EXPECT_EQ(error.SendNumber(), 1);
    }
    EXPECT_EQ(events, (std::vector<std::string>{"connect"}));
    smtp.PostMessage().SetSubject(subjectOf(fits));
    smtp.Send(); // the largest block that fits goes out whole
    EXPECT_EQ(events, (std::vector<std::string>{"connect", "start", "success"}));
    server.Finish();
}

struct FieldCase {
    const char* name;
    std::function<void(TSmtpClient&)> spoil;
    const char* field;
};

class SmtpLineBreakInField : public SmtpDialogue, public ::testing::WithParamInterface<FieldCase> { };

TEST_P(SmtpLineBreakInField, RefusesTheMessageBeforeAnyCommand)
{
    Greeted();
    Start();
    smtp.Connect();
    Address();
    GetParam().spoil(smtp);
    EXPECT_EQ(MessageOf<Exception>([&] { smtp.Send(); }),
              std::string(GetParam().field) + " contains a line break or NUL character");
    EXPECT_FALSE(smtp.Busy());
    server.Finish(); // nothing after HELO reached the server
}

INSTANTIATE_TEST_SUITE_P(
    Fields, SmtpLineBreakInField,
    ::testing::Values(
        FieldCase{"FromAddress",
                  [](TSmtpClient& c) { c.PostMessage().SetFromAddress("a@x.org>\r\nRCPT TO:<evil@x.org"); },
                  "FromAddress"},
        FieldCase{"FromName", [](TSmtpClient& c) { c.PostMessage().SetFromName("Ana\nBcc: evil@x.org"); }, "FromName"},
        FieldCase{"Subject", [](TSmtpClient& c) { c.PostMessage().SetSubject("Hi\r\n\r\n.\r\nQUIT"); }, "Subject"},
        FieldCase{"SubjectNul", [](TSmtpClient& c) { c.PostMessage().SetSubject(std::string("Hi\0x", 4)); }, "Subject"},
        FieldCase{"LocalProgram", [](TSmtpClient& c) { c.PostMessage().SetLocalProgram("P\r"); }, "LocalProgram"},
        FieldCase{"ReplyTo", [](TSmtpClient& c) { c.PostMessage().SetReplyTo("r@x.org\n"); }, "ReplyTo"},
        FieldCase{"Date", [](TSmtpClient& c) { c.PostMessage().SetDate("\nX: y"); }, "Date"},
        FieldCase{"MessageId", [](TSmtpClient& c) { c.PostMessage().SetMessageId("<a@x>\r\nX: y"); }, "MessageId"},
        FieldCase{"Charset", [](TSmtpClient& c) { c.SetCharset("utf-8\r\nX: y"); }, "Charset"},
        FieldCase{"ToEntry", [](TSmtpClient& c) { c.PostMessage().ToAddress().Add("b@x.org\r\nDATA"); }, "ToAddress"},
        FieldCase{"CcEntry", [](TSmtpClient& c) { c.PostMessage().ToCarbonCopy().Add("Cc\n<c@x.org>"); },
                  "ToCarbonCopy"},
        FieldCase{"BccEntry", [](TSmtpClient& c) { c.PostMessage().ToBlindCarbonCopy().Add("<d@x.org\r>"); },
                  "ToBlindCarbonCopy"},
        FieldCase{"AttachmentName", [](TSmtpClient& c) { c.PostMessage().Attachments().Add("/tmp/a\r\nX: y.txt"); },
                  "Attachments"}),
    [](const auto& info) { return info.param.name; });

TEST_F(SmtpDialogue, LineBreakInUserIdIsRefusedBeforeConnecting)
{
    smtp.SetUserID("pc1\r\nMAIL FROM:<evil@x.org>");
    smtp.SetHost("127.0.0.1");
    smtp.SetPort(server.Port()); // never started: a connection would wait for a greeting
    smtp.SetTimeOut(2000);
    EXPECT_EQ(MessageOf<Exception>([&] { smtp.Connect(); }), "UserID contains a line break or NUL character");
    EXPECT_FALSE(smtp.Connected());
    EXPECT_FALSE(smtp.Busy());
}

TEST_F(SmtpDialogue, BodyEntryWithLineBreaksCannotEndTheText)
{
    Greeted();
    EnvelopeTo("bob@example.org")
        .Expect("From: <ana@example.org>\r\nTo: bob@example.org\r\nMime-Version: 1.0\r\n"
                "Content-Type: text/plain; charset=us-ascii\r\n\r\n\r\n"
                "Hi\r\na\r\n..\r\nMAIL FROM:<x@y>\r\nb\r\n..\r\nc\r\n.\r\n")
        .Send("250 ok\r\n");
    Start();
    smtp.Connect();
    Address();
    smtp.PostMessage().Body().Add("a\r\n.\r\nMAIL FROM:<x@y>\rb\n.\nc");
    smtp.Send();
    server.Finish();
}

TEST(SmtpMailbox, ExtractsTheBareMailboxOfEveryForm)
{
    const std::vector<std::pair<std::string, std::string>> cases = {{"Bob <bob@x.org>", "bob@x.org"},
                                                                    {"<bob@x.org>", "bob@x.org"},
                                                                    {"smtp:bob@x.org", "bob@x.org"},
                                                                    {"bob@x.org", "bob@x.org"},
                                                                    {"<>", ""},
                                                                    {"", ""},
                                                                    {"a<b<c>", "b"},
                                                                    {"Bob <bob@x.org", "bob@x.org"},
                                                                    {"a:b:c", "b"},
                                                                    {" spaced@x.org ", "spaced@x.org"},
                                                                    {"Bob < bob@x.org\t>", "bob@x.org"},
                                                                    {"smtp: bob@x.org ", "bob@x.org"},
                                                                    {"< >", ""}};
    for (const auto& [entry, mailbox] : cases)
        EXPECT_EQ(ExtractMailbox(entry), mailbox) << entry;
    EXPECT_EQ(NthField("a,b,c", ',', 3), "c");
    EXPECT_EQ(NthField("a,b,c", ',', 4), "");
    EXPECT_EQ(NthField("", ',', 1), "");
}

// A server that sends a reply nobody asked for must not shift the later replies by
// one: the reply to the final dot decides, never a line that came before the dot.
struct UnsolicitedCase {
    const char* name;
    const char* greeting;  // with whatever the server adds unasked
    const char* dataReply; // likewise
    const char* dotReply;
    std::vector<std::string> events;
};

void PrintTo(const UnsolicitedCase& c, std::ostream* os)
{
    *os << c.name;
}

class SmtpUnsolicited : public SmtpDialogue, public ::testing::WithParamInterface<UnsolicitedCase> { };

TEST_P(SmtpUnsolicited, ReplyToTheDotDecides)
{
    const UnsolicitedCase& c = GetParam();
    server.Send(c.greeting).ExpectLine("HELO pc1").Send("250 hi\r\n");
    server.ExpectLine("RSET")
        .Send("250 ok\r\n")
        .ExpectLine("MAIL FROM:<ana@example.org>")
        .Send("250 ok\r\n")
        .ExpectLine("RCPT TO:<bob@example.org>")
        .Send("250 ok\r\n")
        .ExpectLine("DATA")
        .Send(c.dataReply)
        .Expect(MessageText() + ".\r\n")
        .Send(c.dotReply);
    Start();
    smtp.Connect();
    Address();
    try {
        smtp.Send();
    } catch (const Exception&) {
    }
    EXPECT_EQ(events, c.events);
    server.Finish();
}

INSTANTIATE_TEST_SUITE_P(Replies, SmtpUnsolicited,
                         ::testing::Values(UnsolicitedCase{"EarlyAcceptanceThenRefusal",
                                                           "220 ready\r\n",
                                                           "354 go\r\n250 queued early\r\n",
                                                           "550 refused\r\n",
                                                           {"connect", "start", "failure"}},
                                           UnsolicitedCase{"EarlyRefusalThenAcceptance",
                                                           "220 ready\r\n",
                                                           "354 go\r\n554 early\r\n",
                                                           "250 queued\r\n",
                                                           {"connect", "start", "success"}},
                                           UnsolicitedCase{"ExtraLinesAfterTheGreeting",
                                                           "220 ready\r\n250 a\r\n250-b\r\n250 c\r\n",
                                                           "354 go\r\n",
                                                           "550 refused\r\n",
                                                           {"connect", "start", "failure"}}),
                         [](const auto& info) { return info.param.name; });

// Transfer hands each outcome back as a value, with the reply that decided it: the first
// refusal of the envelope (a refused recipient when none was accepted, whatever DATA and
// the final dot were told), else the final dot's reply.
struct TransferCase {
    const char* Name;
    std::string Mail, Rcpt, Data, Dot; // Dot empty: no text goes
    TMessageResult Result;
    TSmtpStep Step;
    std::string Decisive;
};

const TransferCase TransferCases[] = {
    {"delivered", "250 ok", "250 ok", "354 go", "250 queued", TMessageResult::Delivered, TSmtpStep::EndOfData,
     "250 queued"},
    {"refused at the dot", "250 ok", "250 ok", "354 go", "554 no", TMessageResult::Refused, TSmtpStep::EndOfData,
     "554 no"},
    {"MAIL FROM deferred", "451 later", "", "", "", TMessageResult::Deferred, TSmtpStep::MailFrom, "451 later"},
    {"DATA deferred", "250 ok", "250 ok", "451 later", "", TMessageResult::Deferred, TSmtpStep::Data, "451 later"},
    {"recipient refused, DATA too", "250 ok", "550 nobody", "554 no recipients", "", TMessageResult::Refused,
     TSmtpStep::RcptTo, "550 nobody"},
    {"recipient refused, text taken", "250 ok", "550 nobody", "354 go", "250 queued", TMessageResult::Refused,
     TSmtpStep::RcptTo, "550 nobody"},
};

TEST(SmtpTransfer, HandsBackTheOutcomeWithTheReplyThatDecidedIt)
{
    for (const TransferCase& c : TransferCases) {
        SCOPED_TRACE(c.Name);
        ScriptedServer server;
        server.Send("220 ready\r\n")
            .ExpectLine("HELO pc1")
            .Send("250 hi\r\n")
            .ExpectLine("RSET")
            .Send("250 ok\r\n")
            .ExpectLine("MAIL FROM:<ana@example.org>")
            .Send(c.Mail + "\r\n");
        if (!c.Rcpt.empty())
            server.ExpectLine("RCPT TO:<bob@example.org>")
                .Send(c.Rcpt + "\r\n")
                .ExpectLine("DATA")
                .Send(c.Data + "\r\n");
        if (!c.Dot.empty())
            server.Expect("Subject: x\r\n\r\n\r\nHi\r\n.\r\n").Send(c.Dot + "\r\n");
        server.ExpectLine("QUIT").Send("221 bye\r\n").WaitForClose();
        server.Start();
        TSmtpClient smtp;
        smtp.SetUserID("pc1");
        smtp.SetHost("127.0.0.1");
        smtp.SetPort(server.Port());
        smtp.Connect();
        TMemoryStream body;
        body.WriteString("Hi\r\n");
        const TStringList to{"Bob <bob@example.org>"};
        const std::vector<TMessageOutcome> outcomes =
            smtp.Transfer({7, "ana@example.org", {&to}}, "Subject: x\r\n\r\n\r\n", body);
        ASSERT_EQ(outcomes.size(), 1u);
        EXPECT_EQ(outcomes[0].Message, 7);
        EXPECT_EQ(outcomes[0].Result, c.Result);
        EXPECT_EQ(outcomes[0].Step, c.Step);
        EXPECT_EQ(outcomes[0].Reply.FirstLine(), c.Decisive + "\r\n");
        smtp.Disconnect();
        server.Finish();
    }
}

} // namespace
