// SPDX-License-Identifier: GPL-3.0-or-later
// TLS on the socket session: transfers through it, the certificate checks, and waits
// that the time-out and a cancel end in the middle of the handshake.
#include <gtest/gtest.h>

#include <QTimer>

#include <chrono>

#include "base/Stream.h"
#include "support/ScriptedServer.h"
#include "support/SessionTestHelpers.h"
#include "support/TestCertificates.h"

namespace {

struct TlsDialogue {
    TTrustTestAuthority Trust;
    ScriptedServer Server;
    std::unique_ptr<CountedSession> Client;

    void Connect(const std::string& host = "127.0.0.1")
    {
        Server.Start();
        Client = std::make_unique<CountedSession>(Server.Port(), host);
        Client->Session.SetTimeOut(5000);
        Client->Session.Connect();
    }
    TSocketSession& Session() { return Client->Session; }
};

TEST(SocketTls, LinesAndStreamsTravelThroughTls)
{
    TlsDialogue d;
    const std::string body(200000, 'b');
    d.Server.StartTls(TestCertificates().Server)
        .Send("220 first\r\n250-second\r\n")
        .SendInChunks("250 split over records\r\n", {5, 7})
        .ExpectLine("EHLO client.test")
        .Expect(body)
        .Close();
    d.Connect();
    d.Session().StartTls("127.0.0.1");
    EXPECT_TRUE(d.Session().TlsActive());
    EXPECT_EQ(d.Session().ReadLn(), "220 first\r\n");
    EXPECT_EQ(d.Session().ReadLn(), "250-second\r\n");
    EXPECT_EQ(d.Session().ReadLn(), "250 split over records\r\n");
    d.Session().Writeln("EHLO client.test");
    TMemoryStream stream;
    stream.Write(body.data(), static_cast<std::int64_t>(body.size()));
    d.Session().SendStream(stream);
    EXPECT_EQ(d.Session().BytesSent(), 200000);
    // The server's orderly close ends the session's reading as a TCP close does.
    EXPECT_EQ(d.Session().ReadLn(), "");
    d.Server.Finish();
}

TEST(SocketTls, AHostNameIsCheckedAndSentAsTheServerName)
{
    TlsDialogue d;
    d.Server.StartTls(TestCertificates().Server).Send("220 hello localhost\r\n").WaitForClose();
    d.Connect("localhost");
    d.Session().StartTls("localhost");
    EXPECT_EQ(d.Session().ReadLn(), "220 hello localhost\r\n");
    d.Session().Disconnect();
    d.Server.Finish();
}

struct CertificateCase {
    const char* Name;
    friend void PrintTo(const CertificateCase& c, std::ostream* out) { *out << c.Name; }
    std::string TTestCertificates::*Certificate;
    TSocketErrorKind Kind;
    // An address is matched against the certificate's addresses, a name against its names.
    const char* Host = "127.0.0.1";
};

class RefusedCertificate : public ::testing::TestWithParam<CertificateCase> { };

TEST_P(RefusedCertificate, EndsTheHandshakeWithItsOwnKind)
{
    TlsDialogue d;
    d.Server.StartTls(TestCertificates().*GetParam().Certificate, true).WaitForClose();
    d.Connect(GetParam().Host);
    const SocketFailure failure = SocketFailureOf([&] { d.Session().StartTls(GetParam().Host); });
    EXPECT_TRUE(failure.Raised) << failure.Message;
    EXPECT_FALSE(failure.Abort);
    EXPECT_EQ(failure.Kind, GetParam().Kind) << failure.Message;
    EXPECT_FALSE(d.Session().TlsActive());
    EXPECT_TRUE(d.Session().ExchangeCut()) << "nothing more may go over this connection";
    d.Session().Disconnect();
    d.Server.Finish();
}

INSTANTIATE_TEST_SUITE_P(SocketTls, RefusedCertificate,
                         ::testing::Values(CertificateCase{"Untrusted", &TTestCertificates::Untrusted,
                                                           TSocketErrorKind::CertificateNotTrusted},
                                           CertificateCase{"Expired", &TTestCertificates::Expired,
                                                           TSocketErrorKind::CertificateExpired},
                                           CertificateCase{"WrongName", &TTestCertificates::WrongName,
                                                           TSocketErrorKind::CertificateWrongName},
                                           CertificateCase{"WrongHostName", &TTestCertificates::WrongName,
                                                           TSocketErrorKind::CertificateWrongName, "localhost"}),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST(SocketTls, WithoutTheTestAuthorityItsCertificateIsNotTrusted)
{
    ScriptedServer server;
    server.StartTls(TestCertificates().Server, true).WaitForClose();
    server.Start();
    CountedSession client(server.Port());
    client.Session.Connect();
    const SocketFailure failure = SocketFailureOf([&] { client.Session.StartTls("127.0.0.1"); });
    EXPECT_EQ(failure.Kind, TSocketErrorKind::CertificateNotTrusted) << failure.Message;
    client.Session.Disconnect();
    server.Finish();
}

TEST(SocketTls, ASilentServerIsGivenUpAfterTheTimeOut)
{
    TlsDialogue d;
    d.Server.DiscardFromHere().WaitForClose();
    d.Connect();
    d.Session().SetTimeOut(300);
    const auto started = std::chrono::steady_clock::now();
    const SocketFailure failure = SocketFailureOf([&] { d.Session().StartTls("127.0.0.1"); });
    const auto took = std::chrono::steady_clock::now() - started;
    EXPECT_TRUE(failure.Abort);
    EXPECT_EQ(failure.Kind, TSocketErrorKind::TimedOut);
    EXPECT_GE(took, std::chrono::milliseconds(250));
    EXPECT_LT(took, std::chrono::milliseconds(2000));
    EXPECT_TRUE(d.Session().ExchangeCut());
    d.Session().Disconnect();
    d.Server.Finish();
}

TEST(SocketTls, ACancelEndsTheHandshakeAtOnce)
{
    TlsDialogue d;
    d.Server.DiscardFromHere().WaitForClose();
    d.Connect();
    d.Session().SetTimeOut(0); // no time-out: only the cancel can end the wait
    QTimer::singleShot(100, [&] { d.Session().Cancel(); });
    const SocketFailure failure = SocketFailureOf([&] { d.Session().StartTls("127.0.0.1"); });
    EXPECT_TRUE(failure.Abort);
    EXPECT_EQ(failure.Kind, TSocketErrorKind::Canceled);
    d.Session().Disconnect();
    d.Server.Finish();
}

TEST(SocketTls, AServerThatClosesInTheHandshakeFailsIt)
{
    TlsDialogue d;
    d.Server.DiscardFromHere().Send("not tls at all\r\n").Close();
    d.Connect();
    const SocketFailure failure = SocketFailureOf([&] { d.Session().StartTls("127.0.0.1"); });
    EXPECT_TRUE(failure.Raised);
    EXPECT_EQ(failure.Kind, TSocketErrorKind::TlsFailed) << failure.Message;
    d.Session().Disconnect();
    d.Server.Finish();
}

} // namespace
