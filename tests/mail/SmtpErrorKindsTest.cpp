// SPDX-License-Identifier: GPL-3.0-or-later
// Every way the SMTP dialogue fails says what failed: the kind, the exchange, and the
// server's whole reply with its code, so that a caller tells a refusal from a dropped
// connection without reading texts.
#include "mail/SmtpClient.h"

#include "support/ScriptedServer.h"
#include "support/SessionTestHelpers.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>

namespace {

enum class Act { Connect, Send, Disconnect };

struct SmtpKindCase {
    const char* Name;
    friend void PrintTo(const SmtpKindCase& c, std::ostream* out) { *out << c.Name; }
    Act Action;
    // What the server does after the greeting and HELO (for Connect: instead of them).
    std::function<void(ScriptedServer&)> Script;
    TSmtpErrorKind Kind;
    TSmtpStep Step;
    int Code;
    std::vector<std::string> Lines;
    std::string Message;
};

// The server's side of the transaction up to the given exchange, all accepted.
ScriptedServer& AcceptedUpTo(ScriptedServer& s, TSmtpStep step)
{
    const std::pair<TSmtpStep, std::pair<const char*, const char*>> exchanges[] = {
        {TSmtpStep::Rset, {"RSET", "250 ok\r\n"}},
        {TSmtpStep::MailFrom, {"MAIL FROM:<ana@example.org>", "250 ok\r\n"}},
        {TSmtpStep::RcptTo, {"RCPT TO:<bob@example.org>", "250 ok\r\n"}},
        {TSmtpStep::Data, {"DATA", "354 go\r\n"}},
    };
    for (const auto& [exchange, dialogue] : exchanges) {
        if (exchange == step)
            return s.ExpectLine(dialogue.first);
        s.ExpectLine(dialogue.first).Send(dialogue.second);
    }
    // The text and its final dot.
    return s.Expect("From: <ana@example.org>\r\nTo: bob@example.org\r\nMime-Version: 1.0\r\n"
                    "Content-Type: text/plain; charset=us-ascii\r\n\r\n\r\nHi\r\n.\r\n");
}

void QuitAccepted(ScriptedServer& s)
{
    s.ExpectLine("QUIT").Send("221 bye\r\n").WaitForClose();
}

ScriptedServer& Greeted(ScriptedServer& s)
{
    return s.Send("220 ready\r\n").ExpectLine("HELO pc1").Send("250 hi\r\n");
}

// A client for the started server with a message from ana to bob.
void PointAt(TSmtpClient& smtp, const ScriptedServer& server)
{
    smtp.SetHost("127.0.0.1");
    smtp.SetPort(server.Port());
    smtp.SetUserID("pc1");
    smtp.PostMessage().SetFromAddress("ana@example.org");
    smtp.PostMessage().ToAddress().Add("bob@example.org");
    smtp.PostMessage().Body().Add("Hi");
}

class SmtpErrorKinds : public testing::TestWithParam<SmtpKindCase> { };

TEST_P(SmtpErrorKinds, CarryTheReply)
{
    const SmtpKindCase& c = GetParam();
    ScriptedServer server;
    if (c.Action != Act::Connect)
        Greeted(server);
    c.Script(server);
    server.Start();
    TSmtpClient smtp;
    PointAt(smtp, server);
    if (c.Action != Act::Connect)
        smtp.Connect();

    std::optional<ESmtpError> error;
    try {
        if (c.Action == Act::Connect)
            smtp.Connect();
        else if (c.Action == Act::Send)
            smtp.Send();
        else
            smtp.Disconnect();
    } catch (const ESmtpError& raised) {
        error = raised;
    }
    ASSERT_TRUE(error) << "no ESmtpError";
    EXPECT_EQ(error->Kind(), c.Kind);
    EXPECT_EQ(error->Step(), c.Step);
    EXPECT_EQ(error->Code(), c.Code);
    EXPECT_EQ(error->Reply().Lines, c.Lines);
    EXPECT_EQ(error->FirstLine(), c.Lines.empty() ? "" : c.Lines.front());
    std::string whole;
    for (const std::string& line : c.Lines)
        whole += line;
    EXPECT_EQ(error->ReplyText(), whole);
    EXPECT_EQ(error->Message(), c.Message);
    if (smtp.Connected()) {
        // A server that has gone leaves QUIT without an answer; only the script counts.
        try {
            smtp.Disconnect();
        } catch (const std::exception&) {
        }
    }
    server.Finish();
}

using K = TSmtpErrorKind;
using S = TSmtpStep;

INSTANTIATE_TEST_SUITE_P(
    Steps, SmtpErrorKinds,
    testing::Values(SmtpKindCase{"GreetingRefused",
                                 Act::Connect,
                                 [](ScriptedServer& s) {
                                     s.Send("554-not now\r\n554 go away\r\n");
                                     QuitAccepted(s);
                                 },
                                 K::Refused,
                                 S::Greeting,
                                 554,
                                 {"554-not now\r\n", "554 go away\r\n"},
                                 "554 go away\r\n"},
                    SmtpKindCase{"GreetingWithoutCode",
                                 Act::Connect,
                                 [](ScriptedServer& s) {
                                     s.Send("hello\r\n");
                                     QuitAccepted(s);
                                 },
                                 K::InvalidReply,
                                 S::Greeting,
                                 0,
                                 {"hello\r\n"},
                                 "Invalid greeting from the server: hello\r\n"},
                    SmtpKindCase{"HeloRefused",
                                 Act::Connect,
                                 [](ScriptedServer& s) {
                                     s.Send("220 ready\r\n").ExpectLine("HELO pc1").Send("550-who\r\n550 are you\r\n");
                                     QuitAccepted(s);
                                 },
                                 K::AuthenticationFailed,
                                 S::Helo,
                                 550,
                                 {"550-who\r\n", "550 are you\r\n"},
                                 "Authentication failed"},
                    SmtpKindCase{"RsetRefused",
                                 Act::Send,
                                 [](ScriptedServer& s) {
                                     AcceptedUpTo(s, S::Rset).Send("451 busy\r\n");
                                     QuitAccepted(s);
                                 },
                                 K::Refused,
                                 S::Rset,
                                 451,
                                 {"451 busy\r\n"},
                                 "451 busy\r\n"},
                    SmtpKindCase{"SenderRefused",
                                 Act::Send,
                                 [](ScriptedServer& s) {
                                     AcceptedUpTo(s, S::MailFrom).Send("550-5.7.1 sender\r\n550 5.7.1 rejected\r\n");
                                     QuitAccepted(s);
                                 },
                                 K::Refused,
                                 S::MailFrom,
                                 550,
                                 {"550-5.7.1 sender\r\n", "550 5.7.1 rejected\r\n"},
                                 "550-5.7.1 sender\r\n"},
                    SmtpKindCase{"NoReplyToRecipient",
                                 Act::Send,
                                 [](ScriptedServer& s) { AcceptedUpTo(s, S::RcptTo).Close(); },
                                 K::NoReply,
                                 S::RcptTo,
                                 0,
                                 {},
                                 "No reply from the server to RCPT TO"},
                    SmtpKindCase{"DataRefused",
                                 Act::Send,
                                 [](ScriptedServer& s) {
                                     AcceptedUpTo(s, S::Data).Send("554 no valid recipients\r\n");
                                     QuitAccepted(s);
                                 },
                                 K::Refused,
                                 S::Data,
                                 554,
                                 {"554 no valid recipients\r\n"},
                                 "554 no valid recipients\r\n"},
                    SmtpKindCase{"DataWithoutCode",
                                 Act::Send,
                                 [](ScriptedServer& s) {
                                     AcceptedUpTo(s, S::Data).Send("go ahead\r\n");
                                     QuitAccepted(s);
                                 },
                                 K::InvalidReply,
                                 S::Data,
                                 0,
                                 {"go ahead\r\n"},
                                 "Invalid reply from the server to DATA: go ahead\r\n"},
                    SmtpKindCase{"MessageRefused",
                                 Act::Send,
                                 [](ScriptedServer& s) {
                                     AcceptedUpTo(s, S::EndOfData).Send("552 too big\r\n");
                                     QuitAccepted(s);
                                 },
                                 K::Refused,
                                 S::EndOfData,
                                 552,
                                 {"552 too big\r\n"},
                                 "552 too big\r\n"},
                    SmtpKindCase{
                        "ReplyToTheMessageCutOff",
                        Act::Send,
                        [](ScriptedServer& s) { AcceptedUpTo(s, S::EndOfData).Send("250-queued\r\n").Close(); },
                        K::NoReply,
                        S::EndOfData,
                        250,
                        {"250-queued\r\n"},
                        "No reply from the server to the end of the message"},
                    SmtpKindCase{"QuitRefused",
                                 Act::Disconnect,
                                 [](ScriptedServer& s) { s.ExpectLine("QUIT").Send("340 no\r\n").WaitForClose(); },
                                 K::Refused,
                                 S::Quit,
                                 340,
                                 {"340 no\r\n"},
                                 "340 no\r\n"}),
    [](const auto& info) { return std::string(info.param.Name); });

// A server that sends a reply of endless lines cannot make it grow without bound: the
// error keeps the first lines and the last.
TEST(SmtpErrorKinds, AnOverlongReplyKeepsItsStartAndItsLastLine)
{
    std::string refusal;
    for (int i = 1; i < 150; ++i)
        refusal += "550-line " + std::to_string(i) + "\r\n";
    refusal += "550 last\r\n";
    ScriptedServer server;
    server.Send("220 ready\r\n").ExpectLine("HELO pc1").Send(refusal);
    QuitAccepted(server);
    server.Start();
    TSmtpClient smtp;
    PointAt(smtp, server);
    try {
        smtp.Connect();
        ADD_FAILURE() << "nothing raised";
    } catch (const ESmtpError& error) {
        ASSERT_EQ(error.Reply().Lines.size(), 100u);
        EXPECT_EQ(error.FirstLine(), "550-line 1\r\n");
        EXPECT_EQ(error.Reply().Lines[98], "550-line 99\r\n");
        EXPECT_EQ(error.Reply().LastLine(), "550 last\r\n");
    }
    server.Finish();
}

// Faults of the message itself are found before any command; they carry no reply.
TEST(SmtpErrorKinds, MessageFaultsCarryNoReply)
{
    const std::pair<std::function<void(TSmtpClient&)>, TSmtpErrorKind> faults[] = {
        {[](TSmtpClient& c) { c.PostMessage().SetSubject("Hi\r\nBcc: eve@example.org"); },
         TSmtpErrorKind::FieldHasLineBreak},
        {[](TSmtpClient& c) { c.PostMessage().ToAddress().Clear(); }, TSmtpErrorKind::IncompleteHeader},
    };
    for (const auto& [spoil, kind] : faults) {
        ScriptedServer server;
        QuitAccepted(Greeted(server));
        server.Start();
        TSmtpClient smtp;
        PointAt(smtp, server);
        smtp.Connect();
        spoil(smtp);
        try {
            smtp.Send();
            ADD_FAILURE() << "nothing raised";
        } catch (const ESmtpError& error) {
            EXPECT_EQ(error.Kind(), kind);
            EXPECT_EQ(error.Step(), TSmtpStep::None);
            EXPECT_EQ(error.Code(), 0);
            EXPECT_TRUE(error.Reply().Lines.empty());
        }
        smtp.Disconnect();
        server.Finish();
    }
}

// A connection lost in the middle of the transaction is the session's error, never a
// refusal: the caller can tell the two apart by class and kind alone.
TEST(SmtpErrorKinds, AResetConnectionIsASocketErrorNotARefusal)
{
    ScriptedServer server;
    AcceptedUpTo(Greeted(server), TSmtpStep::RcptTo).Reset();
    server.Start();
    TSmtpClient smtp;
    PointAt(smtp, server);
    smtp.Connect();
    const SocketFailure failure = SocketFailureOf([&] { smtp.Send(); });
    EXPECT_EQ(failure.Kind, TSocketErrorKind::ReceiveFailed);
    EXPECT_EQ(failure.Number, 10054);
    EXPECT_EQ(failure.Message, "10054:Connection reset by peer");
    server.Finish();
}

} // namespace
