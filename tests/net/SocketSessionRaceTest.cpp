// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QTimer>

#include <memory>

#include "platform/NameLookup.h"
#include "support/LoopbackPeers.h"
#include "support/SessionTestHelpers.h"

namespace {

// How the peer behind one address of a name treats a connection attempt.
enum class Peer { Answers, Silent, Refuses };

// One loopback peer of a family on a given port (0: a free one).
struct PeerOnLoopback {
    std::unique_ptr<AnsweringListener> Answering;
    std::unique_ptr<FullBacklogListener> Silent;
    std::unique_ptr<RefusingPort> Refusing;
    bool Ready = false;
    std::uint16_t Port = 0;

    PeerOnLoopback(Peer kind, LoopbackFamily family, std::uint16_t port)
    {
        if (kind == Peer::Answers) {
            Answering = std::make_unique<AnsweringListener>(family, port);
            Port = Answering->Port();
            Ready = Port != 0;
        } else if (kind == Peer::Silent) {
            Silent = std::make_unique<FullBacklogListener>(family, port);
            Port = Silent->Port();
            Ready = Silent->Full();
        } else {
            Refusing = std::make_unique<RefusingPort>(family, port);
            Port = Refusing->Port();
            Ready = Port != 0;
        }
    }
};

// A name whose AAAA and A records lead to the two peers, for the length of a test.
struct DualStackName {
    static constexpr const char* Name = "dual-stack.test";
    DualStackName() { OverrideNameLookup(Name, {*ParseAddressLiteral("::1"), *ParseAddressLiteral("127.0.0.1")}); }
    ~DualStackName() { OverrideNameLookup(Name, {}); }
};

struct RaceCase {
    const char* Name;
    friend void PrintTo(const RaceCase& c, std::ostream* out) { *out << c.Name; }
    Peer IPv6;
    Peer IPv4;
    int TimeOutMilliseconds;     // 0: none
    int CancelAfterMilliseconds; // 0: never
    const char* Failure;         // nullptr: connects
    const char* LocalLiteral;
    qint64 AtLeastMilliseconds;
};

class SocketSessionRace : public testing::TestWithParam<RaceCase> { };

TEST_P(SocketSessionRace, FirstConnectionWinsAndTheRestAreClosed)
{
    const RaceCase& c = GetParam();
    PeerOnLoopback ipv6(c.IPv6, LoopbackFamily::IPv6, 0);
    PeerOnLoopback ipv4(c.IPv4, LoopbackFamily::IPv4, ipv6.Port);
    if (!ipv6.Ready || !ipv4.Ready)
        GTEST_SKIP() << "the loopback peers could not be set up on one port in both families";
    DualStackName name;
    CountedSession s(ipv6.Port, DualStackName::Name);
    s.Session.SetTimeOut(c.TimeOutMilliseconds);
    if (c.CancelAfterMilliseconds)
        QTimer::singleShot(c.CancelAfterMilliseconds, [&] { s.Session.Cancel(); });
    QElapsedTimer elapsed;
    elapsed.start();
    if (c.Failure) {
        EXPECT_EQ(MessageOf<ESocketError>([&] { s.Session.Connect(); }), c.Failure);
        EXPECT_EQ(s.Failures, 1);
    } else {
        s.Session.Connect();
        EXPECT_EQ(s.Session.LocalAddressLiteral(), c.LocalLiteral);
        EXPECT_EQ(s.Connects, 1);
    }
    EXPECT_GE(elapsed.elapsed(), c.AtLeastMilliseconds);
    // No attempt outlives the race: nothing connects behind the session's back.
    PumpPasses(20);
    EXPECT_EQ(s.Connects, c.Failure ? 0 : 1);
    EXPECT_EQ(s.Session.Connected(), c.Failure == nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SocketSessionRace,
    testing::Values(
        RaceCase{"IPv6AnswersFirst", Peer::Answers, Peer::Silent, 5000, 0, nullptr, "[IPv6:::1]", 0},
        RaceCase{"SilentIPv6FallsBackAfterTheDelay", Peer::Silent, Peer::Answers, 5000, 0, nullptr, "[127.0.0.1]", 240},
        RaceCase{"RefusedIPv6FallsBackAtOnce", Peer::Refuses, Peer::Answers, 5000, 0, nullptr, "[127.0.0.1]", 0},
        RaceCase{"BothRefuse", Peer::Refuses, Peer::Refuses, 5000, 0, "Connection Failed", "", 0},
        RaceCase{"TimeOutCoversEveryAttempt", Peer::Silent, Peer::Silent, 600, 0, "Connection Timed out", "", 590},
        RaceCase{"CancelEndsEveryAttempt", Peer::Silent, Peer::Silent, 5000, 400, "Connection Canceled", "", 390}),
    [](const testing::TestParamInfo<RaceCase>& info) { return std::string(info.param.Name); });

// Address literals in the host field connect without a lookup.
class SocketSessionIpv6Literal : public testing::TestWithParam<const char*> { };

TEST_P(SocketSessionIpv6Literal, ConnectsWithoutLookup)
{
    AnsweringListener peer(LoopbackFamily::IPv6);
    ASSERT_NE(peer.Port(), 0);
    CountedSession s(peer.Port(), GetParam());
    s.Session.SetTimeOut(5000);
    s.Session.Connect();
    EXPECT_TRUE(s.Session.Connected());
    EXPECT_EQ(s.Resolved, 0);
    EXPECT_EQ(s.Session.LocalAddressLiteral(), "[IPv6:::1]");
}

INSTANTIATE_TEST_SUITE_P(Hosts, SocketSessionIpv6Literal, testing::Values("::1", "[::1]", "0:0:0:0:0:0:0:1"));

} // namespace
