// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <QTimer>

#include <chrono>
#include <thread>

#include "platform/SocketLibrary.h"
#include "support/LoopbackPeers.h"
#include "support/ScriptedServer.h"
#include "support/SessionTestHelpers.h"

namespace {

TEST(SocketSessionConnect, DottedAddressConnectsWithoutLookup)
{
    ScriptedServer server;
    server.WaitForClose();
    server.Start();
    CountedSession s(server.Port());
    s.Session.Connect();
    EXPECT_TRUE(s.Session.Connected());
    EXPECT_EQ(s.Connects, 1);
    EXPECT_EQ(s.Resolved, 0);
    s.Session.Disconnect();
    EXPECT_FALSE(s.Session.Connected());
    EXPECT_EQ(s.Disconnects, 1);
    server.Finish();
}

TEST(SocketSessionConnect, HostNameIsLookedUpAndReported)
{
    ScriptedServer server;
    server.WaitForClose();
    server.Start();
    CountedSession s(server.Port(), "localhost");
    s.Session.Connect();
    EXPECT_TRUE(s.Session.Connected());
    EXPECT_EQ(s.Resolved, 1);
    s.Session.Disconnect();
    server.Finish();
}

// Each case: what OnInvalidHost does (nothing assigned, declines, corrects Host,
// claims to have handled it without a usable Host) and what Connect then does.
struct InvalidHostCase {
    const char* Name;
    friend void PrintTo(const InvalidHostCase& c, std::ostream* out) { *out << c.Name; }
    bool Assigned;
    bool Handles;
    bool Corrects;
    int ExpectedCalls;
    bool Connects;
};

class SocketSessionInvalidHost : public testing::TestWithParam<InvalidHostCase> { };

TEST_P(SocketSessionInvalidHost, GetsAtMostOneRetry)
{
    const InvalidHostCase& c = GetParam();
    ScriptedServer server;
    server.WaitForClose();
    if (c.Connects)
        server.Start();
    CountedSession s(server.Port(), "no-such-host.invalid");
    int calls = 0;
    if (c.Assigned)
        s.Session.OnInvalidHost = [&](bool& handled) {
            ++calls;
            handled = c.Handles;
            if (c.Corrects)
                s.Session.SetHost("127.0.0.1");
        };
    if (c.Connects) {
        s.Session.Connect();
        EXPECT_TRUE(s.Session.Connected());
        s.Session.Disconnect();
    } else {
        EXPECT_EQ(MessageOf<ESocketError>([&] { s.Session.Connect(); }), "Null Remote Address");
        EXPECT_FALSE(s.Session.Connected());
    }
    EXPECT_EQ(calls, c.ExpectedCalls);
    EXPECT_EQ(s.Failures, 0);
    if (c.Connects)
        server.Finish();
}

INSTANTIATE_TEST_SUITE_P(Cases, SocketSessionInvalidHost,
                         testing::Values(InvalidHostCase{"Unassigned", false, false, false, 0, false},
                                         InvalidHostCase{"Declined", true, false, false, 1, false},
                                         InvalidHostCase{"Corrected", true, true, true, 1, true},
                                         InvalidHostCase{"StillInvalid", true, true, false, 1, false}),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST(SocketSessionConnect, LookupThatCannotStartFailsAtOnce)
{
    CountedSession s(25, std::string(300, 'a'));
    // Without the immediate failure this would wait forever (no time-out is set).
    QTimer::singleShot(10000, [&] { s.Session.Cancel(); });
    EXPECT_EQ(MessageOf<ESocketError>([&] { s.Session.Connect(); }), "Null Remote Address");
}

TEST(SocketSessionConnect, RefusedConnectionFailsAndTheSessionStaysUsable)
{
    RefusingPort refusing;
    CountedSession s(refusing.Port());
    EXPECT_EQ(MessageOf<ESocketError>([&] { s.Session.Connect(); }), "Connection Failed");
    EXPECT_EQ(s.Failures, 1);
    EXPECT_FALSE(s.Session.Connected());

    ScriptedServer server;
    server.WaitForClose();
    server.Start();
    s.Session.SetPort(server.Port());
    s.Session.Connect();
    EXPECT_TRUE(s.Session.Connected());
    s.Session.Disconnect();
    server.Finish();
}

TEST(SocketSessionConnect, TimeOutEndsConnectAndLeavesCancelSet)
{
    FullBacklogListener silent;
    if (!silent.Full())
        GTEST_SKIP() << "this system answers every connection attempt on loopback";
    CountedSession s(silent.Port());
    s.Session.SetTimeOut(300);
    const SocketFailure connect = SocketFailureOf([&] { s.Session.Connect(); });
    EXPECT_EQ(connect.Message, "Connection Timed out");
    EXPECT_EQ(connect.Kind, TSocketErrorKind::ConnectTimedOut);
    EXPECT_EQ(s.Failures, 1);
    EXPECT_TRUE(s.Session.Canceled());
    // The cancel left behind ends the next transfer at once, as the time-out it was.
    const SocketFailure send = SocketFailureOf([&] { s.Session.Writeln("NOOP"); });
    EXPECT_EQ(send.Message, "Socket send aborted");
    EXPECT_TRUE(send.Abort);
    EXPECT_EQ(send.Kind, TSocketErrorKind::TimedOut);
    EXPECT_FALSE(s.Session.Canceled());
}

TEST(SocketSessionConnect, CancelFromAHandlerEndsConnect)
{
    FullBacklogListener silent;
    if (!silent.Full())
        GTEST_SKIP() << "this system answers every connection attempt on loopback";
    CountedSession s(silent.Port());
    QTimer::singleShot(50, [&] { s.Session.Cancel(); });
    EXPECT_EQ(MessageOf<ESocketError>([&] { s.Session.Connect(); }), "Connection Canceled");
    EXPECT_EQ(s.Failures, 1);
}

// A peer that accepts and resets at once: the connection was made, so Connect succeeds
// (OnConnect, no OnConnectionFailed) wherever the session meets the reset; the first
// read reports the reset with its number, once; after it the session is closed.
enum class ResetSeen { WhileConnecting, AfterConnecting, ByTheRead };

void PrintTo(ResetSeen moment, std::ostream* out)
{
    static const char* names[] = {"WhileConnecting", "AfterConnecting", "ByTheRead"};
    *out << names[static_cast<int>(moment)];
}

class SocketSessionResetAtOnce : public testing::TestWithParam<ResetSeen> { };

TEST_P(SocketSessionResetAtOnce, ConnectSucceedsAndTheFirstReadReportsTheReset)
{
    ScriptedServer server;
    server.Reset();
    server.Start();
    CountedSession s(server.Port());
    if (GetParam() == ResetSeen::WhileConnecting) {
        // Holds the session after its connect call until the reset has come back.
        s.Session.SetReportLevel(8);
        s.Session.OnStatus = [&](QObject*, const std::string& text) {
            if (text == "Timer On" && s.Connects == 0) {
                server.WaitUntilScriptDone();
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            }
        };
    }
    s.Session.Connect();
    EXPECT_EQ(s.Connects, 1);
    EXPECT_EQ(s.Failures, 0);
    ASSERT_TRUE(server.WaitUntilScriptDone());
    if (GetParam() == ResetSeen::AfterConnecting) {
        EXPECT_TRUE(PumpUntil([&] { return !s.Session.Connected(); }));
    }

    const SocketFailure read = SocketFailureOf([&] { s.Session.ReadLn(); });
    EXPECT_EQ(read.Message, "10054:Connection reset by peer");
    EXPECT_EQ(read.Kind, TSocketErrorKind::ReceiveFailed);
    EXPECT_EQ(read.Number, 10054);
    EXPECT_TRUE(PumpUntil([&] { return !s.Session.Connected(); }));
    EXPECT_EQ(s.Session.ReadLn(), "");
    EXPECT_EQ(s.Disconnects, 1);
    server.Finish();
}

std::string MomentName(const testing::TestParamInfo<ResetSeen>& info)
{
    return testing::PrintToString(info.param);
}

INSTANTIATE_TEST_SUITE_P(Moments, SocketSessionResetAtOnce,
                         testing::Values(ResetSeen::WhileConnecting, ResetSeen::AfterConnecting, ResetSeen::ByTheRead),
                         MomentName);

TEST(SocketSessionConnect, SecondConnectIsRefusedAndChangesNothing)
{
    ScriptedServer server;
    server.WaitForClose();
    server.Start();
    CountedSession s(server.Port());
    s.Session.Connect();
    EXPECT_EQ(MessageOf<ESocketError>([&] { s.Session.Connect(); }), "Already connected");
    EXPECT_TRUE(s.Session.Connected());
    EXPECT_EQ(s.Connects, 1);
    s.Session.Disconnect();
    server.Finish();
}

TEST(SocketSessionConnect, DisconnectWithoutConnectionStillReplacesTheSocket)
{
    ScriptedServer server;
    server.WaitForClose();
    server.Start();
    CountedSession s(server.Port());
    s.Session.Disconnect();
    EXPECT_EQ(s.Disconnects, 1);
    s.Session.Connect();
    EXPECT_TRUE(s.Session.Connected());
    s.Session.Disconnect();
    server.Finish();
}

TEST(SocketSessionConnect, CheckConnectionAsksOnce)
{
    ScriptedServer server;
    server.WaitForClose();
    server.Start();
    CountedSession s(server.Port());
    EXPECT_EQ(MessageOf<Exception>([&] { s.Session.CheckConnection(); }), "Not Connected");

    int asked = 0;
    s.Session.OnConnectionRequired = [&](bool& handled) {
        ++asked;
        handled = true;
    };
    EXPECT_EQ(MessageOf<Exception>([&] { s.Session.CheckConnection(); }), "Not Connected");
    EXPECT_EQ(asked, 1);

    s.Session.OnConnectionRequired = [&](bool& handled) {
        s.Session.Connect();
        handled = true;
    };
    s.Session.CheckConnection();
    EXPECT_TRUE(s.Session.Connected());
    s.Session.Disconnect();
    server.Finish();
}

TEST(SocketSessionConnect, PeerCloseWithoutPendingDataDisconnects)
{
    ScriptedServer server;
    server.Close();
    server.Start();
    CountedSession s(server.Port());
    s.Session.Connect();
    ASSERT_TRUE(server.WaitUntilScriptDone());
    EXPECT_TRUE(PumpUntil([&] { return !s.Session.Connected(); }));
    EXPECT_EQ(s.Disconnects, 1);
    EXPECT_EQ(s.Session.ReadLn(), "");
    server.Finish();
}

TEST(SocketSessionConnect, PeerCloseWithPendingDataKeepsTheConnectionUntilRead)
{
    ScriptedServer server;
    server.Send("221 bye\r\n").Close();
    server.Start();
    CountedSession s(server.Port());
    s.Session.Connect();
    ASSERT_TRUE(server.WaitUntilScriptDone());
    PumpPasses(50);
    EXPECT_TRUE(s.Session.Connected());
    EXPECT_EQ(s.Disconnects, 0);
    EXPECT_EQ(s.Session.ReadLn(), "221 bye\r\n");
    EXPECT_EQ(s.Session.ReadLn(), "");
    EXPECT_TRUE(PumpUntil([&] { return !s.Session.Connected(); }));
    EXPECT_EQ(s.Disconnects, 1);
    server.Finish();
}

TEST(SocketSessionConnect, DestroyingAConnectedSessionStaysSilent)
{
    ScriptedServer server;
    server.WaitForClose();
    server.Start();
    int usersBefore = WinsockUsers;
    auto s = std::make_unique<CountedSession>(server.Port());
    EXPECT_EQ(WinsockUsers, usersBefore + 1);
    s->Session.SetReportLevel(8);
    s->Session.Connect();
    const auto statusesBefore = s->Statuses.size();
    int disconnects = 0;
    int statuses = 0;
    s->Session.OnDisconnect = [&](QObject*) { ++disconnects; };
    s->Session.OnStatus = [&](QObject*, const std::string&) { ++statuses; };
    s.reset();
    EXPECT_GT(statusesBefore, 0u);
    EXPECT_EQ(disconnects, 0);
    EXPECT_EQ(statuses, 0);
    EXPECT_EQ(WinsockUsers, usersBefore);
    EXPECT_TRUE(server.WaitUntilScriptDone());
    server.Finish();
}

TEST(SocketSessionConnect, FirstSessionDescribesTheSocketLayer)
{
    if (WinsockUsers != 0)
        GTEST_SKIP() << "another session is alive";
    TSocketSession first;
    TSocketSession second;
    ASSERT_EQ(first.WinsockInfo().Count(), 6);
    EXPECT_EQ(first.WinsockInfo()[0], "Version= 1.1");
    EXPECT_EQ(first.WinsockInfo()[1], "High Version= 1.1");
    EXPECT_EQ(first.WinsockInfo()[2].rfind("Description= ", 0), 0u);
    EXPECT_EQ(first.WinsockInfo()[5], "Max Udp pack size= 65507");
    EXPECT_EQ(second.WinsockInfo().Count(), 0);
}

} // namespace
