// SPDX-License-Identifier: GPL-3.0-or-later
// Every step of the session that can fail says what failed through the kind and the
// number of its error, not only through its text.
#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "platform/WinsockErrors.h"
#include "support/LoopbackPeers.h"
#include "support/ScriptedServer.h"
#include "support/SessionTestHelpers.h"

namespace {

// A session against a scripted server or a refusing port; the case writes the script.
struct Rig {
    ScriptedServer Server;
    RefusingPort Refusing;
    std::unique_ptr<CountedSession> Client;

    TSocketSession& Session(const std::string& host, std::uint16_t port)
    {
        Client = std::make_unique<CountedSession>(port, host);
        return Client->Session;
    }
    TSocketSession& Connected()
    {
        Server.Start();
        TSocketSession& session = Session("127.0.0.1", Server.Port());
        session.Connect();
        return session;
    }
    // Cancels as soon as the session reports the given status text.
    void CancelAt(const std::string& status)
    {
        TSocketSession& session = Client->Session;
        session.SetReportLevel(8);
        session.OnStatus = [&session, status](QObject*, const std::string& text) {
            if (text == status)
                session.Cancel();
        };
    }
    // Connects to a server that resets the connection at once, and waits until the
    // session has noticed and closed.
    TSocketSession& ResetAfterConnect()
    {
        Server.Reset();
        TSocketSession& session = Connected();
        EXPECT_TRUE(Server.WaitUntilScriptDone());
        EXPECT_TRUE(PumpUntil([&] { return !session.Connected(); }));
        return session;
    }
};

constexpr int AnyLookupNumber = -1; // 11001 to 11004, whichever the resolver gives

struct KindCase {
    const char* Name;
    friend void PrintTo(const KindCase& c, std::ostream* out) { *out << c.Name; }
    std::function<SocketFailure(Rig&)> Fail;
    TSocketErrorKind Kind;
    int Number;
    const char* Message;
    bool Abort;
};

class SocketErrorKinds : public testing::TestWithParam<KindCase> { };

TEST_P(SocketErrorKinds, TellWhatFailed)
{
    const KindCase& c = GetParam();
    Rig rig;
    const SocketFailure failure = c.Fail(rig);
    ASSERT_TRUE(failure.Raised) << failure.Message;
    EXPECT_EQ(failure.Kind, c.Kind);
    if (c.Number == AnyLookupNumber)
        EXPECT_TRUE(failure.Number >= wsa::HostNotFound && failure.Number <= wsa::NoData) << failure.Number;
    else
        EXPECT_EQ(failure.Number, c.Number);
    EXPECT_EQ(failure.Message, c.Message);
    EXPECT_EQ(failure.Abort, c.Abort);
}

class ListeningSession : public TSocketSession {
public:
    using TSocketSession::Listen;
};

using K = TSocketErrorKind;

INSTANTIATE_TEST_SUITE_P(
    Steps, SocketErrorKinds,
    testing::Values(KindCase{"LookupThatCannotStart",
                             [](Rig& r) {
                                 TSocketSession& s = r.Session(std::string(300, 'a'), 25);
                                 return SocketFailureOf([&] { s.Connect(); });
                             },
                             K::NullRemoteAddress, wsa::InvalidArgument, "Null Remote Address", false},
                    KindCase{"UnknownHost",
                             [](Rig& r) {
                                 TSocketSession& s = r.Session("no-such-host.invalid", 25);
                                 return SocketFailureOf([&] { s.Connect(); });
                             },
                             K::NullRemoteAddress, AnyLookupNumber, "Null Remote Address", false},
                    KindCase{"LookupCanceled",
                             [](Rig& r) {
                                 TSocketSession& s = r.Session("localhost", 25);
                                 r.CancelAt("Resolve Host");
                                 return SocketFailureOf([&] { s.Connect(); });
                             },
                             K::LookupCanceled, 0, "Host Lookup Canceled", false},
                    KindCase{"ConnectionRefused",
                             [](Rig& r) {
                                 TSocketSession& s = r.Session("127.0.0.1", r.Refusing.Port());
                                 return SocketFailureOf([&] { s.Connect(); });
                             },
                             K::ConnectFailed, wsa::ConnectionRefused, "Connection Failed", false},
                    KindCase{"ConnectCanceled",
                             [](Rig& r) {
                                 TSocketSession& s = r.Session("127.0.0.1", r.Refusing.Port());
                                 r.CancelAt("Timer On");
                                 return SocketFailureOf([&] { s.Connect(); });
                             },
                             K::ConnectCanceled, 0, "Connection Canceled", false},
                    KindCase{"AlreadyConnected",
                             [](Rig& r) {
                                 r.Server.WaitForClose();
                                 TSocketSession& s = r.Connected();
                                 return SocketFailureOf([&] { s.Connect(); });
                             },
                             K::AlreadyConnected, 0, "Already connected", false},
                    KindCase{"NotConnected",
                             [](Rig& r) {
                                 TSocketSession& s = r.Session("127.0.0.1", r.Refusing.Port());
                                 return SocketFailureOf([&] { s.CheckConnection(); });
                             },
                             K::NotConnected, 0, "Not Connected", false},
                    KindCase{"SendCanceled",
                             [](Rig& r) {
                                 r.Server.WaitForClose();
                                 TSocketSession& s = r.Connected();
                                 s.Cancel();
                                 return SocketFailureOf([&] { s.Writeln("NOOP"); });
                             },
                             K::Canceled, 0, "Socket send aborted", true},
                    KindCase{"ReadCanceled",
                             [](Rig& r) {
                                 r.Server.WaitForClose();
                                 TSocketSession& s = r.Connected();
                                 s.Cancel();
                                 return SocketFailureOf([&] { s.ReadLn(); });
                             },
                             K::Canceled, 0, "Socket readln aborted", true},
                    KindCase{"ReadTimedOut",
                             [](Rig& r) {
                                 r.Server.WaitForClose();
                                 TSocketSession& s = r.Connected();
                                 s.SetTimeOut(100);
                                 return SocketFailureOf([&] { s.ReadLn(); });
                             },
                             K::TimedOut, 0, "Socket readln aborted", true},
                    KindCase{"SendAfterAReset",
                             [](Rig& r) {
                                 TSocketSession& s = r.ResetAfterConnect();
                                 return SocketFailureOf([&] { s.Writeln("NOOP"); });
                             },
                             K::SendFailed, wsa::ConnectionReset, "10054:Connection reset by peer", false},
                    KindCase{"ReadAfterAReset",
                             [](Rig& r) {
                                 TSocketSession& s = r.ResetAfterConnect();
                                 return SocketFailureOf([&] { s.ReadLn(); });
                             },
                             K::ReceiveFailed, wsa::ConnectionReset, "10054:Connection reset by peer", false},
                    KindCase{"ResetInsteadOfAReply",
                             [](Rig& r) {
                                 r.Server.ExpectLine("NOOP").Reset();
                                 TSocketSession& s = r.Connected();
                                 return SocketFailureOf([&] { s.Transaction("NOOP"); });
                             },
                             K::ReceiveFailed, wsa::ConnectionReset, "10054:Connection reset by peer", false},
                    KindCase{"AcceptCanceled",
                             [](Rig&) {
                                 ListeningSession s;
                                 s.Listen(0);
                                 s.Cancel();
                                 return SocketFailureOf([&] { s.Accept(); });
                             },
                             K::AcceptCanceled, 0, "Accepting Canceled", false}),
    [](const auto& info) { return std::string(info.param.Name); });

// The OnError event, LastErrorNo and the raised error agree on the number.
TEST(SocketErrorKinds, OnErrorAndLastErrorNoCarryTheRaisedNumber)
{
    Rig rig;
    TSocketSession& session = rig.ResetAfterConnect();
    int reported = 0;
    session.OnError = [&](QObject*, std::uint16_t number, const std::string&) { reported = number; };
    const SocketFailure failure = SocketFailureOf([&] { session.Writeln("NOOP"); });
    EXPECT_EQ(failure.Number, wsa::ConnectionReset);
    EXPECT_EQ(reported, wsa::ConnectionReset);
    EXPECT_EQ(session.LastErrorNo(), wsa::ConnectionReset);
}

} // namespace
