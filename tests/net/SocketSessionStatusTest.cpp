// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "net/SocketErrors.h"
#include "support/ScriptedServer.h"
#include "support/SessionTestHelpers.h"

namespace {

using Texts = std::vector<std::string>;

// One connect, one command and one disconnect, watched at each report level.
Texts StatusesAt(int level)
{
    ScriptedServer server;
    server.ExpectLine("NOOP").Send("250 OK\r\n").WaitForClose();
    server.Start();
    CountedSession s(server.Port());
    s.Session.SetReportLevel(level);
    s.Session.Connect();
    s.Session.Transaction("NOOP");
    s.Session.Disconnect();
    server.Finish();
    if (!s.Statuses.empty()) {
        EXPECT_EQ(s.Session.StatusText(), s.Statuses.back());
    }
    return s.Statuses;
}

TEST(SocketSessionStatus, ReportLevelFiltersTexts)
{
    EXPECT_EQ(StatusesAt(0), Texts{});
    EXPECT_EQ(StatusesAt(1), Texts{"250 OK\r\n"});
    EXPECT_EQ(StatusesAt(4), (Texts{"Sending Buffer", "250 OK\r\n", "Request Close Socket"}));
    EXPECT_EQ(StatusesAt(8),
              (Texts{"Connecting", "Resolve Host", "Timer On", "Timer Off", "Transaction", "Writeln", "Write",
                     "Sending Buffer", "Timer On", "Timer Off", "ReadLn", "Timer On", "Timer Off", "250 OK\r\n",
                     "Disconnecting", "Request Close Socket"}));
}

TEST(SocketSessionStatus, AFailingStatusHandlerIsIgnored)
{
    TSocketSession session;
    session.SetReportLevel(8);
    session.OnStatus = [](QObject*, const std::string&) { throw Exception("handler failed"); };
    session.Cancel();
    EXPECT_TRUE(session.Canceled());
    EXPECT_EQ(session.StatusText(), "Canceling");
}

TEST(SocketErrorText, NumbersAndUnknownNumbers)
{
    const std::pair<int, const char*> cases[] = {
        {10061, "10061:Connection refused"},      {10035, "10035:Operation would block"},
        {10004, "10004:Interrupted system call"}, {11004, "11004:Valid name, no data record of requested type"},
        {12345, "Unknown Error No. 12345"},       {0, "Unknown Error No. 0"},
        {20005, "Unknown Error No. 20005"},
    };
    for (const auto& [number, text] : cases)
        EXPECT_EQ(SocketErrorText(number), text) << number;
}

} // namespace
