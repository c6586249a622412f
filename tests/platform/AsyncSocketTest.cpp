// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <algorithm>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "platform/AsyncSocket.h"
#include "platform/NameLookup.h"
#include "platform/WaitStep.h"
#include "platform/WinsockErrors.h"
#include "support/LoopbackPeers.h"
#include "support/ScriptedServer.h"

namespace {

struct EventLog {
    std::vector<std::pair<int, int>> Events;
    int Count(int event) const
    {
        return static_cast<int>(std::count_if(Events.begin(), Events.end(), [&](auto e) { return e.first == event; }));
    }
};

void Pump(int passes)
{
    for (int i = 0; i < passes; ++i)
        WaitStep({});
}

std::uint32_t LoopbackAddress()
{
    return htonl(INADDR_LOOPBACK);
}

TEST(AsyncSocket, UnreadDataIsReportedOnceUntilTheNextRead)
{
    ScriptedServer server;
    server.Send("data").WaitForClose();
    server.Start();
    EventLog log;
    TAsyncSocket socket([&](int event, int error) { log.Events.push_back({event, error}); });
    ASSERT_TRUE(socket.Open(true));
    EXPECT_EQ(socket.Connect(LoopbackAddress(), htons(server.Port())), -1);
    EXPECT_EQ(WsaGetLastError(), wsa::WouldBlock);
    for (int i = 0; i < 500 && log.Count(FD_READ) == 0; ++i)
        WaitStep({{socket.Handle(), POLLIN}});
    ASSERT_EQ(log.Count(FD_CONNECT), 1);
    ASSERT_EQ(log.Count(FD_READ), 1);
    Pump(20); // the data is still unread: no further event
    EXPECT_EQ(log.Count(FD_READ), 1);
    char peeked[8];
    EXPECT_EQ(socket.Recv(peeked, sizeof peeked, true), 4);
    Pump(5);
    EXPECT_EQ(log.Count(FD_READ), 2); // re-armed by the peek
    socket.Close();
    server.Finish();
}

bool NagleIsOff(int handle)
{
    int value = 0;
    socklen_t length = sizeof value;
    return getsockopt(handle, IPPROTO_TCP, TCP_NODELAY, &value, &length) == 0 && value != 0;
}

// Every socket the session may send on has Nagle's algorithm off: the fresh one, the one a
// second connect attempt makes, and the one a close leaves (TLS runs on the same handle).
TEST(AsyncSocket, EverySocketSendsWithoutNagle)
{
    RefusingPort refusing;
    for (const bool abortive : {true, false}) {
        TAsyncSocket socket([](int, int) {});
        ASSERT_TRUE(socket.Open(abortive));
        EXPECT_TRUE(NagleIsOff(socket.Handle()));
        for (int attempt = 0; attempt < 2; ++attempt) {
            socket.Connect(LoopbackAddress(), htons(refusing.Port()));
            EXPECT_TRUE(NagleIsOff(socket.Handle())) << "attempt " << attempt;
        }
        socket.Close();
        ASSERT_TRUE(socket.Open(false));
        EXPECT_TRUE(NagleIsOff(socket.Handle()));
    }
}

TEST(AsyncSocket, OrderlyCloseIsReportedOnce)
{
    ScriptedServer server;
    server.Close();
    server.Start();
    EventLog log;
    TAsyncSocket socket([&](int event, int error) { log.Events.push_back({event, error}); });
    ASSERT_TRUE(socket.Open(false));
    socket.Connect(LoopbackAddress(), htons(server.Port()));
    ASSERT_TRUE(server.WaitUntilScriptDone());
    for (int i = 0; i < 500 && log.Count(FD_CLOSE) == 0; ++i)
        WaitStep({{socket.Handle(), POLLIN}});
    Pump(20);
    EXPECT_EQ(log.Count(FD_CLOSE), 1);
    EXPECT_EQ(log.Count(FD_READ), 0);
    server.Finish();
}

// The handshake completed, so the connection was made; the reset that followed before
// anyone looked is its close, with the reset's number.
TEST(AsyncSocket, ResetBeforeTheConnectOutcomeIsReadIsAConnectThenAClose)
{
    ScriptedServer server;
    server.Reset();
    server.Start();
    EventLog log;
    TAsyncSocket socket([&](int event, int error) { log.Events.push_back({event, error}); });
    ASSERT_TRUE(socket.Open(true));
    socket.Connect(LoopbackAddress(), htons(server.Port()));
    ASSERT_TRUE(server.WaitUntilScriptDone());
    // No event is dispatched until the system has taken in the reset.
    pollfd reset{socket.Handle(), POLLIN, 0};
    ASSERT_EQ(poll(&reset, 1, 5000), 1);
    for (int i = 0; i < 500 && log.Count(FD_CLOSE) == 0; ++i)
        WaitStep({{socket.Handle(), POLLOUT}});
    Pump(5);
    EXPECT_EQ(log.Events, (std::vector<std::pair<int, int>>{{FD_CONNECT, 0}, {FD_CLOSE, wsa::ConnectionReset}}));
    server.Finish();
}

TEST(AsyncSocket, RefusedConnectIsReportedAsAnEvent)
{
    RefusingPort refusing;
    EventLog log;
    TAsyncSocket socket([&](int event, int error) { log.Events.push_back({event, error}); });
    ASSERT_TRUE(socket.Open(true));
    EXPECT_EQ(socket.Connect(LoopbackAddress(), htons(refusing.Port())), -1);
    EXPECT_EQ(WsaGetLastError(), wsa::WouldBlock);
    for (int i = 0; i < 500 && log.Events.empty(); ++i)
        WaitStep({{socket.Handle(), POLLOUT}});
    ASSERT_EQ(log.Events.size(), 1u);
    EXPECT_EQ(log.Events[0], std::make_pair(int(FD_CONNECT), wsa::ConnectionRefused));
}

struct LookupResult {
    bool Done = false;
    std::vector<TNetAddress> Addresses;
    int Error = -1;
};

void AwaitLookup(TNameLookup& lookup, const LookupResult& result)
{
    for (int i = 0; i < 2500 && !result.Done; ++i)
        WaitStep({{lookup.WakeHandle(), POLLIN}});
}

TEST(NameLookup, FindsLocalhostAndRefusesReservedNames)
{
    const std::pair<const char*, int> cases[] = {
        {"localhost", 0}, {"mail.example.invalid", 11001}, {"INVALID.", 11001}};
    for (const auto& [name, error] : cases) {
        LookupResult result;
        TNameLookup lookup([&](const std::vector<TNetAddress>& addresses, int e) { result = {true, addresses, e}; });
        ASSERT_TRUE(lookup.Start(name)) << name;
        AwaitLookup(lookup, result);
        ASSERT_TRUE(result.Done) << name;
        EXPECT_EQ(result.Error, error) << name;
        if (error == 0) {
            const TNetAddress loopback = TNetAddress::FromIpv4(htonl(INADDR_LOOPBACK));
            EXPECT_NE(std::find(result.Addresses.begin(), result.Addresses.end(), loopback), result.Addresses.end());
            EXPECT_FALSE(result.Addresses.front().IsIpv6() && result.Addresses.size() > 1
                         && result.Addresses[1].IsIpv6())
                << "the families take turns";
        }
    }
}

TEST(NameLookup, NamesThatCannotBeLookedUpDoNotStart)
{
    TNameLookup lookup(nullptr);
    EXPECT_FALSE(lookup.Start(""));
    EXPECT_FALSE(lookup.Start(std::string(256, 'a')));
    EXPECT_FALSE(lookup.Start(std::string("a\0b", 3)));
    EXPECT_EQ(lookup.WakeHandle(), -1);
}

TEST(NameLookup, DestroyingBeforeCompletionDropsTheResult)
{
    bool called = false;
    {
        TNameLookup lookup([&](const std::vector<TNetAddress>&, int) { called = true; });
        ASSERT_TRUE(lookup.Start("localhost"));
    }
    Pump(50);
    EXPECT_FALSE(called);
}

} // namespace
