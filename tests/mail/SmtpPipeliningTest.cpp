// SPDX-License-Identifier: GPL-3.0-or-later
// Pipelined transactions (RFC 2920): every reply matched to its command, outcomes in
// send order, a refusal charged to exactly the message it belongs to.
#include "mail/SmtpClient.h"

#include "base/Exception.h"
#include "mail/MessageAssembly.h"
#include "support/ScriptedServer.h"
#include "support/SecuredGreetings.h"
#include "support/SessionTestHelpers.h"
#include "support/TestCertificates.h"

#include <gtest/gtest.h>

namespace {

std::string Envelope(const std::string& mailbox, bool reset = false)
{
    return std::string(reset ? "RSET\r\n" : "") + "MAIL FROM:<ana@example.org>\r\nRCPT TO:<" + mailbox
        + ">\r\nDATA\r\n";
}

std::string Text(const std::string& mailbox)
{
    return "From: <ana@example.org>\r\nTo: " + mailbox
        + "\r\nMime-Version: 1.0\r\nContent-Type: text/plain; charset=us-ascii\r\n\r\n\r\nHi\r\n.\r\n";
}

const std::string Accepted = "250 ok\r\n250 ok\r\n354 go\r\n";

class Pipelining : public ::testing::Test {
protected:
    TTrustTestAuthority Trust;
    ScriptedServer server;
    TSmtpClient smtp;
    std::vector<std::string> events;

    void SetUp() override
    {
        ResetBoundaryGenerator();
        smtp.SetUserID("ana");
        smtp.SetLocalName("client.test");
        smtp.SetSecurity(TSmtpSecurity::Tls);
        smtp.SetTimeOut(5000);
        smtp.OnSuccess = [this](QObject*) { events.push_back("success " + std::to_string(smtp.OutcomeSendNumber())); };
        smtp.OnFailure = [this](QObject*) { events.push_back("failure " + std::to_string(smtp.OutcomeSendNumber())); };
        smtp.OnRecipientNotFound = [this](const std::string& entry) { events.push_back("not found " + entry); };
        TlsGreeting(server);
    }

    void Connect()
    {
        server.Start();
        smtp.SetHost("127.0.0.1");
        smtp.SetPort(server.Port());
        smtp.Connect();
        ASSERT_TRUE(smtp.Pipelining());
    }

    void SendTo(const std::string& mailbox)
    {
        smtp.PostMessage().SetFromAddress("ana@example.org");
        smtp.PostMessage().ToAddress().Clear();
        smtp.PostMessage().ToAddress().Add(mailbox);
        smtp.PostMessage().SetBody(TStringList{"Hi"});
        smtp.Send();
    }

    // The error a Send raised, as "kind step number".
    template <typename F>
    std::string Refusal(F&& action)
    {
        try {
            action();
        } catch (const ESmtpError& error) {
            return std::to_string(static_cast<int>(error.Kind())) + " " + std::to_string(static_cast<int>(error.Step()))
                + " " + std::to_string(error.SendNumber()) + " " + error.Message();
        }
        return "(nothing raised)";
    }
    static std::string Expected(TSmtpErrorKind kind, TSmtpStep step, int number, const std::string& message)
    {
        return std::to_string(static_cast<int>(kind)) + " " + std::to_string(static_cast<int>(step)) + " "
            + std::to_string(number) + " " + message;
    }
};

TEST_F(Pipelining, ARefusedRecipientFailsItsOwnMessageAndTheNextOneResetsFirst)
{
    server.Expect(Envelope("a@example.org"))
        .Send(Accepted)
        .Expect(Text("a@example.org"))
        .Expect(Envelope("b@example.org"))
        .Send("250 queued\r\n250 ok\r\n550 5.1.1 no such user\r\n554 5.5.1 no valid recipients\r\n")
        .Expect(Envelope("c@example.org", true))
        .Send("250 reset\r\n" + Accepted)
        .Expect(Text("c@example.org"))
        .Send("250 queued\r\n")
        .ExpectLine("QUIT")
        .Send("221 bye\r\n")
        .WaitForClose();
    Connect();
    SendTo("a@example.org");
    EXPECT_EQ(Refusal([&] { SendTo("b@example.org"); }),
              Expected(TSmtpErrorKind::Refused, TSmtpStep::Data, 2, "554 5.5.1 no valid recipients\r\n"));
    EXPECT_EQ(smtp.HeldSendNumber(), 0);
    SendTo("c@example.org");
    smtp.Disconnect();
    EXPECT_EQ(events, (std::vector<std::string>{"success 1", "not found b@example.org", "success 3"}));
    server.Finish();
}

// The text's end, its final dot and the next envelope leave in one send (one TLS record),
// so that the server reads them together and answers them in one write.
TEST_F(Pipelining, TheFinalDotWaitsForTheNextEnvelope)
{
    server.Expect(Envelope("a@example.org"))
        .Send(Accepted)
        .Expect(Text("a@example.org") + Envelope("b@example.org"))
        .Send("250 queued\r\n" + Accepted)
        .Expect(Text("b@example.org"))
        .Send("250 queued\r\n")
        .ExpectLine("QUIT")
        .Send("221 bye\r\n")
        .WaitForClose();
    Connect();
    SendTo("a@example.org");
    EXPECT_EQ(smtp.PendingOutput(), Text("a@example.org").size());
    SendTo("b@example.org");
    EXPECT_EQ(smtp.PendingOutput(), Text("b@example.org").size());
    smtp.Disconnect();
    EXPECT_EQ(events, (std::vector<std::string>{"success 1", "success 2"}));
    server.Finish();
}

TEST_F(Pipelining, AHeldMessageRefusedAtItsDotIsChargedToItselfNotToTheNextOne)
{
    server.Expect(Envelope("a@example.org"))
        .Send(Accepted)
        .Expect(Text("a@example.org"))
        .Expect(Envelope("b@example.org"))
        .Send("552 5.3.4 message too big\r\n" + Accepted)
        .Expect(Text("b@example.org"))
        .Send("250 queued\r\n")
        .ExpectLine("QUIT")
        .Send("221 bye\r\n")
        .WaitForClose();
    Connect();
    SendTo("a@example.org");
    EXPECT_EQ(Refusal([&] { SendTo("b@example.org"); }),
              Expected(TSmtpErrorKind::Refused, TSmtpStep::EndOfData, 1, "552 5.3.4 message too big\r\n"));
    EXPECT_EQ(smtp.HeldSendNumber(), 2) << "the second message went out all the same";
    smtp.CompletePending();
    EXPECT_EQ(events, (std::vector<std::string>{"failure 1", "success 2"}));
    smtp.Disconnect();
    server.Finish();
}

// Both refused: the held message's refusal came with its OnFailure (and its reply), so Send
// raises its own message's refusal, which nothing else would tell.
TEST_F(Pipelining, AHeldRefusalAndARefusedEnvelopeAreEachChargedToTheirOwnMessage)
{
    server.Expect(Envelope("a@example.org"))
        .Send(Accepted)
        .Expect(Text("a@example.org"))
        .Expect(Envelope("b@example.org"))
        .Send("552 5.3.4 message too big\r\n451 4.3.0 try later\r\n503 5.5.1 MAIL first\r\n503 5.5.1 MAIL first\r\n")
        .ExpectLine("QUIT")
        .Send("221 bye\r\n")
        .WaitForClose();
    std::vector<std::string> outcomes;
    smtp.OnFailure = [&](QObject*) {
        outcomes.push_back(std::to_string(smtp.OutcomeSendNumber()) + " " + smtp.OutcomeReply().FirstLine());
    };
    Connect();
    SendTo("a@example.org");
    EXPECT_EQ(Refusal([&] { SendTo("b@example.org"); }),
              Expected(TSmtpErrorKind::Refused, TSmtpStep::MailFrom, 2, "451 4.3.0 try later\r\n"));
    EXPECT_EQ(outcomes, std::vector<std::string>{"1 552 5.3.4 message too big\r\n"});
    EXPECT_EQ(smtp.HeldSendNumber(), 0);
    smtp.Disconnect();
    server.Finish();
}

// RFC 2920 section 3.1: a server may take DATA although it took no recipient; the client
// ends that transaction with a lone dot, and no message has an outcome.
TEST_F(Pipelining, DataTakenWithoutRecipientsIsEndedWithALoneDot)
{
    server.Expect(Envelope("a@example.org"))
        .Send("250 ok\r\n550 no\r\n354 go\r\n")
        .ExpectLine(".")
        .Send("554 no recipients\r\n")
        .ExpectLine("QUIT")
        .Send("221 bye\r\n")
        .WaitForClose();
    Connect();
    EXPECT_EQ(Refusal([&] { SendTo("a@example.org"); }),
              Expected(TSmtpErrorKind::NoRecipientAccepted, TSmtpStep::RcptTo, 1, "No recipient was accepted"));
    smtp.Disconnect();
    EXPECT_EQ(events, (std::vector<std::string>{"not found a@example.org"}));
    server.Finish();
}

TEST_F(Pipelining, RepliesArrivingByteByByteAreMatchedAllTheSame)
{
    server.Expect(Envelope("a@example.org"))
        .SendBytewise(Accepted)
        .Expect(Text("a@example.org"))
        .Expect(Envelope("b@example.org"))
        .SendBytewise("250 queued\r\n" + Accepted)
        .Expect(Text("b@example.org"))
        .SendBytewise("250 queued\r\n")
        .ExpectLine("QUIT")
        .Send("221 bye\r\n")
        .WaitForClose();
    Connect();
    SendTo("a@example.org");
    SendTo("b@example.org");
    smtp.Disconnect();
    EXPECT_EQ(events, (std::vector<std::string>{"success 1", "success 2"}));
    server.Finish();
}

TEST_F(Pipelining, AHeldDotWhoseReplyNeverComesIsReportedUnanswered)
{
    server.Expect(Envelope("a@example.org")).Send(Accepted).Expect(Text("a@example.org")).WaitForClose();
    Connect();
    SendTo("a@example.org");
    smtp.SetTimeOut(300);
    const SocketFailure failure = SocketFailureOf([&] { smtp.CompletePending(); });
    EXPECT_EQ(failure.Kind, TSocketErrorKind::TimedOut);
    EXPECT_EQ(smtp.UnansweredSendNumber(), 1);
    const std::vector<TMessageOutcome> dropped = smtp.Drop(); // no QUIT after a time-out
    ASSERT_EQ(dropped.size(), 1u);
    EXPECT_EQ(dropped[0].Message, 1);
    EXPECT_EQ(dropped[0].Result, TMessageResult::Unanswered);
    EXPECT_EQ(smtp.UnansweredSendNumber(), 0) << "the next connection owes it nothing";
    smtp.CompletePending(); // nothing left to read
    EXPECT_TRUE(events.empty());
    server.Finish();
}

TEST_F(Pipelining, AServerThatClosesBeforeAnsweringTheDotLeavesItUnanswered)
{
    server.Expect(Envelope("a@example.org")).Send(Accepted).Expect(Text("a@example.org")).Close();
    Connect();
    SendTo("a@example.org");
    // The text and its dot go out when the client turns to wait for their reply.
    EXPECT_EQ(Refusal([&] { smtp.CompletePending(); }),
              Expected(TSmtpErrorKind::NoReply, TSmtpStep::EndOfData, 1,
                       "No reply from the server to the end of the message"));
    EXPECT_TRUE(server.WaitUntilScriptDone());
    EXPECT_EQ(smtp.UnansweredSendNumber(), 1);
    smtp.Disconnect();
    server.Finish();
}

// A handler that raises while the group's replies are still coming (a log that cannot be
// written) leaves them unmatched: the connection is closed without QUIT, which the server
// waiting for the text would only take as text.
TEST_F(Pipelining, AHandlerThatRaisesMidGroupCutsTheExchange)
{
    server.Expect(Envelope("a@example.org"))
        .Send(Accepted)
        .Expect(Text("a@example.org"))
        .Expect(Envelope("b@example.org"))
        .Send("250 queued\r\n" + Accepted)
        .DiscardFromHere()
        .WaitForClose();
    Connect();
    SendTo("a@example.org");
    smtp.OnSuccess = [](QObject*) { throw Exception("Cannot create file log.txt"); };
    EXPECT_EQ(MessageOf<Exception>([&] { SendTo("b@example.org"); }), "Cannot create file log.txt");
    EXPECT_TRUE(smtp.ExchangeCut());
    smtp.Disconnect();
    server.Finish();
}

// The held message's outcome comes back with the next message's transfer, named by the
// caller's own number; the last one's with Complete.
TEST_F(Pipelining, TransferHandsBackTheHeldMessagesOutcomeWithTheNextOne)
{
    const std::string header = "From: <ana@example.org>\r\nTo: a@example.org\r\nMime-Version: 1.0\r\n"
                               "Content-Type: text/plain; charset=us-ascii\r\n\r\n\r\n";
    server.Expect(Envelope("a@example.org"))
        .Send(Accepted)
        .Expect(Text("a@example.org"))
        .Expect(Envelope("a@example.org"))
        .Send("552 too big\r\n" + Accepted)
        .Expect(Text("a@example.org"))
        .Send("250 queued\r\n")
        .ExpectLine("QUIT")
        .Send("221 bye\r\n")
        .WaitForClose();
    Connect();
    const TStringList to{"a@example.org"};
    const auto transfer = [&](int message) {
        TMemoryStream body;
        body.WriteString("Hi\r\n");
        return smtp.Transfer({message, "ana@example.org", {&to}}, header, body);
    };
    EXPECT_TRUE(transfer(0).empty()) << "the first one's dot is held";
    const std::vector<TMessageOutcome> first = transfer(4);
    ASSERT_EQ(first.size(), 1u);
    EXPECT_EQ(first[0].Message, 0);
    EXPECT_EQ(first[0].Result, TMessageResult::Refused);
    const std::vector<TMessageOutcome> last = smtp.Complete();
    ASSERT_EQ(last.size(), 1u);
    EXPECT_EQ(last[0].Message, 4);
    EXPECT_EQ(last[0].Result, TMessageResult::Delivered);
    smtp.Disconnect();
    server.Finish();
    EXPECT_EQ(events, (std::vector<std::string>{"failure 0", "success 4"})) << "the events fire all the same";
}

} // namespace
