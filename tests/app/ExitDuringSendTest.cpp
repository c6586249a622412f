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
        bool failureShown;
    };
    const auto greeted = [](ScriptedServer& s) -> ScriptedServer& {
        return s.Send("220 ready\r\n").ExpectLine("HELO ana").Send("250 hi\r\n");
    };
    const Case cases[] = {
        {"greeting", "a@example.org", [](ScriptedServer& s) { s.WaitForClose(); }, true},
        {"RCPT TO", "a@example.org", [&](ScriptedServer& s) {
             greeted(s).ExpectLine("RSET").Send("250 ok\r\n").ExpectLine("MAIL FROM:<ana@example.org>")
                 .Send("250 ok\r\n").ExpectLine("RCPT TO:<a@example.org>").WaitForClose();
         }, true},
        {"final dot", "a@example.org", [&](ScriptedServer& s) {
             greeted(s).ExpectLine("RSET").Send("250 ok\r\n").ExpectLine("MAIL FROM:<ana@example.org>")
                 .Send("250 ok\r\n").ExpectLine("RCPT TO:<a@example.org>").Send("250 ok\r\n")
                 .ExpectLine("DATA").Send("354 go on\r\n").DiscardFromHere().WaitForClose();
         }, true},
        {"QUIT", "", [&](ScriptedServer& s) { greeted(s).ExpectLine("QUIT").WaitForClose(); }, false},
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
        server.Start();
        QTimer::singleShot(300, &Window(), [this] { Window().exitProgramAction->trigger(); });
        const auto started = std::chrono::steady_clock::now();
        Window().sendToList();
        EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(1300));
        server.Finish();
        EXPECT_FALSE(Window().isVisible());
        EXPECT_FALSE(Program->Smtp().Connected());
        EXPECT_EQ(Ui.Messages, c.failureShown ? std::vector<std::string>{"Connect failed"} : std::vector<std::string>{});
        Program.reset();
    }
}

} // namespace
