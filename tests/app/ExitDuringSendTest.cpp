// SPDX-License-Identifier: GPL-3.0-or-later
// With the window's time-out of 0 a silent server would hold the job for ever; Exit must
// end the wait at once, at whatever step the server went silent, and send nothing more.
#include "AppFixture.h"
#include "mail/SmtpClient.h"
#include "support/RecordedPause.h"
#include "support/ScriptedServer.h"

#include <QTimer>
#include <chrono>

namespace {

class ExitDuringSend : public AppTest {
protected:
    TRecordedPause Pause;
};

TEST_F(ExitDuringSend, ExitEndsAWaitForASilentServerAtOnceWithoutTimeOut)
{
    struct Case {
        const char* step;
        std::string entry;
        std::function<void(ScriptedServer&)> script;
        std::vector<std::string> shown; // Exit ends a job without a word
    };
    const auto greeted = [](ScriptedServer& s) -> ScriptedServer& {
        return s.Send("220 ready\r\n").ExpectLine("HELO ana").Send("250 hi\r\n");
    };
    const Case cases[] = {
        {"greeting", "a@example.org", [](ScriptedServer& s) { s.WaitForClose(); }, {}},
        {"RCPT TO",
         "a@example.org",
         [&](ScriptedServer& s) {
             greeted(s)
                 .ExpectLine("RSET")
                 .Send("250 ok\r\n")
                 .ExpectLine("MAIL FROM:<ana@example.org>")
                 .Send("250 ok\r\n")
                 .ExpectLine("RCPT TO:<a@example.org>")
                 .WaitForClose();
         },
         {}},
        {"final dot",
         "a@example.org",
         [&](ScriptedServer& s) {
             greeted(s).AcceptEnvelope("ana@example.org", "a@example.org").DiscardFromHere().WaitForClose();
         },
         {}},
        // A list of nothing but an empty entry has nobody to send to; the session is still
        // opened and closed, and the message comes before its QUIT.
        {"QUIT",
         "",
         [&](ScriptedServer& s) { greeted(s).ExpectLine("QUIT").WaitForClose(); },
         {"No recipients specified!"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.step);
        ScriptedServer server;
        c.script(server);
        Sandbox.WriteSettings(SettingsFor(server.Port()));
        Start();
        ASSERT_EQ(Program->Smtp().TimeOut(), 0) << "the window's design value";
        TStringList entries;
        entries.Add(c.entry);
        Window().recipientList->Assign(entries);
        Ui.Messages.clear();
        Ui.Answers = {0}; // send
        server.Start();
        QTimer::singleShot(300, &Window(), [this] { Window().exitProgramAction->trigger(); });
        const auto started = std::chrono::steady_clock::now();
        Window().sendToList();
        EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(1300));
        server.Finish();
        EXPECT_FALSE(Window().isVisible());
        EXPECT_FALSE(Program->Smtp().Connected());
        EXPECT_EQ(Ui.Messages, c.shown);
        Program.reset();
    }
}

} // namespace
