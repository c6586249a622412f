// SPDX-License-Identifier: GPL-3.0-or-later
// After a wait was cut short by the time-out or a cancel, the server is silent or its late
// answer is still to come: the client closes without QUIT instead of waiting a second time.
#include "mail/SmtpClient.h"

#include "base/Exception.h"
#include "support/ScriptedServer.h"
#include "support/SessionTestHelpers.h"

#include <QTimer>
#include <chrono>
#include <gtest/gtest.h>

namespace {

TEST(SmtpCut, NoQuitFollowsATimeOutOrCancel)
{
    struct Case {
        const char* name;
        int timeOut;
        std::function<void(ScriptedServer&)> script;
        bool greetedFirst;
    };
    const Case cases[] = {
        {"silent greeting, time-out", 300, [](ScriptedServer& s) { s.WaitForClose(); }, false},
        {"silent HELO, cancel", 0,
         [](ScriptedServer& s) { s.Send("220 ready\r\n").ExpectLine("HELO pc1").WaitForClose(); }, false},
        {"silent RCPT, cancel", 0,
         [](ScriptedServer& s) {
             s.Send("220 ready\r\n")
                 .ExpectLine("HELO pc1")
                 .Send("250 hi\r\n")
                 .ExpectLine("RSET")
                 .Send("250 ok\r\n")
                 .ExpectLine("MAIL FROM:<ana@example.org>")
                 .Send("250 ok\r\n")
                 .ExpectLine("RCPT TO:<bob@example.org>")
                 .WaitForClose();
         },
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedServer server;
        c.script(server);
        server.Start();
        TSmtpClient smtp;
        smtp.SetHost("127.0.0.1");
        smtp.SetPort(server.Port());
        smtp.SetUserID("pc1");
        smtp.SetTimeOut(c.timeOut);
        smtp.PostMessage().SetFromAddress("ana@example.org");
        smtp.PostMessage().ToAddress().Add("bob@example.org");
        if (c.timeOut == 0)
            QTimer::singleShot(200, [&smtp] { smtp.Cancel(); });
        const auto started = std::chrono::steady_clock::now();
        const std::string error = MessageOf<EAbortError>([&] {
            smtp.Connect();
            if (c.greetedFirst)
                smtp.Send();
        });
        EXPECT_EQ(error, "Socket readln aborted");
        if (c.greetedFirst) {
            EXPECT_TRUE(smtp.ExchangeCut());
            smtp.Disconnect();
        }
        EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(1300)) << "waited once";
        EXPECT_FALSE(smtp.Connected());
        EXPECT_FALSE(smtp.ExchangeCut());
        server.Finish();
    }
}

} // namespace
