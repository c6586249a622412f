// SPDX-License-Identifier: GPL-3.0-or-later
// The dialogue over TLS, byte for byte against the scripted server: EHLO and its HELO
// fallback, STARTTLS, the login, and the refusals that end a connect.
#include "mail/SmtpClient.h"

#include "mail/MessageAssembly.h"
#include "platform/MachineName.h"
#include "support/ScriptedServer.h"
#include "support/SecuredGreetings.h"
#include "support/SessionTestHelpers.h"
#include "support/TestCertificates.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

const std::string Text = "From: <ana@example.org>\r\nTo: bob@example.org\r\nMime-Version: 1.0\r\n"
                         "Content-Type: text/plain; charset=us-ascii\r\n\r\n\r\nHi\r\n.\r\n";

class SecureDialogue : public ::testing::Test {
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
        smtp.SetSecurity(TSmtpSecurity::StartTls);
        smtp.SetTimeOut(5000);
        smtp.OnConnect = [this](QObject*) { events.push_back("connect"); };
        smtp.OnSuccess = [this](QObject*) { events.push_back("success " + std::to_string(smtp.OutcomeSendNumber())); };
        smtp.OnFailure = [this](QObject*) { events.push_back("failure " + std::to_string(smtp.OutcomeSendNumber())); };
        smtp.OnAuthenticationFailed = [this](bool&) { events.push_back("auth failed"); };
    }

    void Start()
    {
        server.Start();
        smtp.SetHost("127.0.0.1");
        smtp.SetPort(server.Port());
    }

    // Greeting, EHLO offering STARTTLS, STARTTLS, and the second EHLO's reply lines.
    ScriptedServer& Secured(const std::string& extensions) { return StartTlsGreeting(server, extensions); }

    void Address()
    {
        smtp.PostMessage().SetFromAddress("ana@example.org");
        smtp.PostMessage().ToAddress().Add("bob@example.org");
        smtp.PostMessage().SetBody(TStringList{"Hi"});
    }
};

TEST_F(SecureDialogue, StartTlsLogsInWithPlainAndPipelinesTheEnvelope)
{
    const std::string envelope = "MAIL FROM:<ana@example.org>\r\nRCPT TO:<bob@example.org>\r\nDATA\r\n";
    Secured("250-PIPELINING\r\n250 AUTH LOGIN PLAIN\r\n")
        .ExpectLine("AUTH PLAIN AGFuYQBzM2NyZXQ=") // "\0ana\0s3cret"
        .Send("235 2.7.0 welcome\r\n")
        .Expect(envelope)
        .Send("250 ok\r\n250 ok\r\n354 go\r\n")
        .Expect(Text)
        // The second envelope goes out before the first message's reply is read, and
        // without RSET: the first transaction ended with its dot.
        .Expect(envelope)
        .Send("250 queued 1\r\n250 ok\r\n250 ok\r\n354 go\r\n")
        .Expect(Text)
        .Send("250 queued 2\r\n")
        .ExpectLine("QUIT")
        .Send("221 bye\r\n")
        .WaitForClose();
    Start();
    smtp.SetPassword("s3cret");
    smtp.Connect();
    EXPECT_TRUE(smtp.TlsActive());
    EXPECT_TRUE(smtp.Pipelining());
    Address();
    smtp.Send();
    EXPECT_EQ(smtp.HeldSendNumber(), 1);
    EXPECT_TRUE(smtp.PostMessage().ToAddress().Empty()) << "ClearParams applies once the dot went out";
    Address();
    smtp.Send();
    EXPECT_EQ(smtp.HeldSendNumber(), 2);
    EXPECT_EQ(events, (std::vector<std::string>{"connect", "success 1"}));
    smtp.Disconnect();
    EXPECT_EQ(events, (std::vector<std::string>{"connect", "success 1", "success 2"}));
    EXPECT_EQ(smtp.UnansweredSendNumber(), 0);
    server.Finish();
}

TEST_F(SecureDialogue, LoginIsUsedWherePlainIsNotOffered)
{
    Secured("250 AUTH LOGIN\r\n")
        .ExpectLine("AUTH LOGIN")
        .Send("334 VXNlcm5hbWU6\r\n")
        .ExpectLine("YW5h")
        .Send("334 UGFzc3dvcmQ6\r\n")
        .ExpectLine("czNjcmV0")
        .Send("235 ok\r\n")
        .ExpectLine("QUIT")
        .Send("221 bye\r\n")
        .WaitForClose();
    Start();
    smtp.SetPassword("s3cret");
    smtp.Connect();
    EXPECT_FALSE(smtp.Pipelining());
    smtp.Disconnect();
    server.Finish();
}

// Without pipelining the messages go one command at a time, and over TLS without RSET
// before the first; what the server offered before TLS (PIPELINING, AUTH) counts for nothing.
TEST_F(SecureDialogue, WhatWasOfferedBeforeTlsIsForgotten)
{
    Secured("250 SIZE 1000000\r\n")
        .ExpectLine("MAIL FROM:<ana@example.org>")
        .Send("250 ok\r\n")
        .ExpectLine("RCPT TO:<bob@example.org>")
        .Send("250 ok\r\n")
        .ExpectLine("DATA")
        .Send("354 go\r\n")
        .Expect(Text)
        .Send("250 queued\r\n")
        .ExpectLine("QUIT")
        .Send("221 bye\r\n")
        .WaitForClose();
    Start();
    smtp.Connect();
    EXPECT_FALSE(smtp.Offers("AUTH"));
    EXPECT_TRUE(smtp.Offers("size"));
    Address();
    smtp.Send();
    EXPECT_EQ(events, (std::vector<std::string>{"connect", "success 1"}));
    smtp.Disconnect();
    server.Finish();
}

TEST_F(SecureDialogue, TlsFromTheFirstByteFallsBackToHeloWhenEhloIsUnknown)
{
    smtp.SetSecurity(TSmtpSecurity::Tls);
    server.StartTls(TestCertificates().Server)
        .Send("220 old.test\r\n")
        .ExpectLine("EHLO client.test")
        .Send("502 5.5.1 unknown command\r\n")
        .ExpectLine("HELO client.test")
        .Send("250 old.test\r\n")
        .ExpectLine("QUIT")
        .Send("221 bye\r\n")
        .WaitForClose();
    Start();
    smtp.Connect();
    EXPECT_TRUE(smtp.TlsActive());
    EXPECT_FALSE(smtp.Pipelining());
    smtp.Disconnect();
    server.Finish();
}

// What ends a connect over TLS, with the error's kind and step; a plain QUIT follows
// where the server still speaks plain SMTP.
struct RefusalCase {
    const char* Name;
    friend void PrintTo(const RefusalCase& c, std::ostream* out) { *out << c.Name; }
    std::function<void(SecureDialogue&, ScriptedServer&)> Script;
    std::string Password;
    TSmtpErrorKind Kind;
    TSmtpStep Step;
    std::string Message;
};

class SecureRefusal : public SecureDialogue, public ::testing::WithParamInterface<RefusalCase> {
public:
    ScriptedServer& Server() { return server; }
    ScriptedServer& SecuredWith(const std::string& extensions) { return Secured(extensions); }
};

const std::string Quit = "QUIT";

TEST_P(SecureRefusal, EndsTheConnect)
{
    GetParam().Script(*this, server);
    Start();
    smtp.SetPassword(GetParam().Password);
    try {
        smtp.Connect();
        ADD_FAILURE() << "Connect succeeded";
    } catch (const ESmtpError& error) {
        EXPECT_EQ(error.Kind(), GetParam().Kind);
        EXPECT_EQ(error.Step(), GetParam().Step);
        EXPECT_EQ(error.Message(), GetParam().Message);
        EXPECT_EQ(error.SendNumber(), 0);
    }
    EXPECT_FALSE(smtp.Connected());
    EXPECT_EQ(std::count(events.begin(), events.end(), "connect"), 0);
    server.Finish();
}

INSTANTIATE_TEST_SUITE_P(
    SecureDialogue, SecureRefusal,
    ::testing::Values(RefusalCase{"StartTlsNotOffered",
                                  [](SecureDialogue&, ScriptedServer& s) {
                                      s.Send("220 ready\r\n")
                                          .ExpectLine("EHLO client.test")
                                          .Send("250-sink\r\n250 AUTH PLAIN\r\n")
                                          .ExpectLine(Quit)
                                          .Send("221 bye\r\n")
                                          .WaitForClose();
                                  },
                                  "s3cret", TSmtpErrorKind::TlsNotOffered, TSmtpStep::Ehlo,
                                  "The server does not offer STARTTLS"},
                      RefusalCase{"StartTlsRefused",
                                  [](SecureDialogue&, ScriptedServer& s) {
                                      s.Send("220 ready\r\n")
                                          .ExpectLine("EHLO client.test")
                                          .Send("250-sink\r\n250 STARTTLS\r\n")
                                          .ExpectLine("STARTTLS")
                                          .Send("454 4.7.0 TLS not available\r\n")
                                          .ExpectLine(Quit)
                                          .Send("221 bye\r\n")
                                          .WaitForClose();
                                  },
                                  "", TSmtpErrorKind::Refused, TSmtpStep::StartTls, "454 4.7.0 TLS not available\r\n"},
                      RefusalCase{"BytesInjectedAfterTheGoAhead",
                                  [](SecureDialogue&, ScriptedServer& s) {
                                      // No QUIT: the server expects a handshake; the connection is closed.
                                      s.Send("220 ready\r\n")
                                          .ExpectLine("EHLO client.test")
                                          .Send("250-sink\r\n250 STARTTLS\r\n")
                                          .ExpectLine("STARTTLS")
                                          .Send("220 go ahead\r\n250-injected\r\n250 AUTH PLAIN\r\n")
                                          .WaitForClose();
                                  },
                                  "", TSmtpErrorKind::UnexpectedData, TSmtpStep::StartTls,
                                  "The server sent more than its reply to STARTTLS"},
                      RefusalCase{"EhloRefused",
                                  [](SecureDialogue&, ScriptedServer& s) {
                                      s.Send("220 ready\r\n")
                                          .ExpectLine("EHLO client.test")
                                          .Send("554 5.7.1 not you\r\n")
                                          .ExpectLine(Quit)
                                          .Send("221 bye\r\n")
                                          .WaitForClose();
                                  },
                                  "", TSmtpErrorKind::Refused, TSmtpStep::Ehlo, "554 5.7.1 not you\r\n"},
                      RefusalCase{"LoginRefused",
                                  [](SecureDialogue& d, ScriptedServer&) {
                                      static_cast<SecureRefusal&>(d)
                                          .SecuredWith("250 AUTH PLAIN LOGIN\r\n")
                                          .ExpectLine("AUTH PLAIN AGFuYQB3cm9uZw==")
                                          .Send("535 5.7.8 bad credentials\r\n")
                                          .ExpectLine(Quit)
                                          .Send("221 bye\r\n")
                                          .WaitForClose();
                                  },
                                  "wrong", TSmtpErrorKind::AuthenticationFailed, TSmtpStep::Auth,
                                  "535 5.7.8 bad credentials\r\n"},
                      RefusalCase{"NoLoginOfferedForAPassword",
                                  [](SecureDialogue& d, ScriptedServer&) {
                                      static_cast<SecureRefusal&>(d)
                                          .SecuredWith("250 PIPELINING\r\n")
                                          .ExpectLine(Quit)
                                          .Send("221 bye\r\n")
                                          .WaitForClose();
                                  },
                                  "s3cret", TSmtpErrorKind::LoginNotOffered, TSmtpStep::Auth,
                                  "The server offers no login (AUTH PLAIN or LOGIN)"}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(SecureDialogue, ARefusedLoginAsksItsHandlerOnceAndTriesTheNewPassword)
{
    smtp.OnAuthenticationFailed = [this](bool& handled) {
        events.push_back("auth failed");
        smtp.SetPassword("right");
        handled = true;
    };
    Secured("250 AUTH PLAIN\r\n")
        .ExpectLine("AUTH PLAIN AGFuYQB3cm9uZw==")
        .Send("535 no\r\n")
        .ExpectLine("AUTH PLAIN AGFuYQByaWdodA==")
        .Send("235 yes\r\n")
        .ExpectLine("QUIT")
        .Send("221 bye\r\n")
        .WaitForClose();
    Start();
    smtp.SetPassword("wrong");
    smtp.Connect();
    EXPECT_EQ(events, (std::vector<std::string>{"auth failed", "connect"}));
    smtp.Disconnect();
    server.Finish();
}

TEST_F(SecureDialogue, NoPasswordNoLoginEvenWhereOffered)
{
    Secured("250 AUTH PLAIN LOGIN\r\n").ExpectLine("QUIT").Send("221 bye\r\n").WaitForClose();
    Start();
    smtp.Connect();
    smtp.Disconnect();
    server.Finish();
}

// RFC 5321 section 4.1.4: the machine's domain name where it has one, else the address
// literal of the connection's own address.
TEST_F(SecureDialogue, EhloNamesTheMachineOrItsAddress)
{
    for (int i = 0; i < 100 && MachineDomainName().empty(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    const std::string expected = MachineDomainName().empty() ? "[127.0.0.1]" : MachineDomainName();
    smtp.SetLocalName("");
    smtp.SetSecurity(TSmtpSecurity::Tls);
    server.StartTls(TestCertificates().Server)
        .Send("220 ready\r\n")
        .ExpectLine("EHLO " + expected)
        .Send("250 sink\r\n")
        .ExpectLine("QUIT")
        .Send("221 bye\r\n")
        .WaitForClose();
    Start();
    smtp.Connect();
    smtp.Disconnect();
    server.Finish();
}

} // namespace
