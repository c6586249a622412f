// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "support/RealSmtpServer.h"
#include "support/SessionTestHelpers.h"

namespace {

class SessionAgainstRealServer : public testing::TestWithParam<RealSmtpServer::TKind> { };

// A plain dialogue with a server nobody here wrote: greeting, one command, QUIT.
TEST_P(SessionAgainstRealServer, GreetingCommandAndQuit)
{
    RealSmtpServer server(GetParam());
    ASSERT_TRUE(server.Ready()) << server.Problem();
    CountedSession s(server.Port(), "localhost");
    s.Session.SetTimeOut(10000);
    s.Session.Connect();
    EXPECT_EQ(s.Session.ReadLn().substr(0, 4), "220 ");
    s.Session.Transaction("HELO pelmar.test");
    EXPECT_EQ(s.Session.ReplyNumber(), 250) << s.Session.LastReply();
    s.Session.Transaction("QUIT");
    EXPECT_EQ(s.Session.ReplyNumber(), 221) << s.Session.LastReply();
    s.Session.Disconnect();
    EXPECT_EQ(s.Disconnects, 1);
}

INSTANTIATE_TEST_SUITE_P(Servers, SessionAgainstRealServer,
                         testing::Values(RealSmtpServer::TKind::SmtpSink, RealSmtpServer::TKind::Aiosmtpd),
                         [](const auto& info) {
                             return info.param == RealSmtpServer::TKind::SmtpSink ? "SmtpSink" : "Aiosmtpd";
                         });

} // namespace
