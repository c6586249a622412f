// The send job over a pipelining server (TLS from the first byte): the replies of a
// group split at every byte or delivered in one piece, and a refusal in the middle of a
// group. The log, the counters and the title name exactly the messages the server took.
#include "mail/SmtpClient.h"
#include "support/RecordedPause.h"
#include "support/Sandbox.h"
#include "support/ScriptedServer.h"
#include "support/ScriptedUi.h"
#include "support/TestCertificates.h"
#include "workflow/ProgramState.h"
#include "workflow/RowsColumn.h"
#include "support/FixedStamps.h"
#include "workflow/SendJob.h"

#include <gtest/gtest.h>

namespace {

const std::vector<std::string> Recipients = {"a@example.org", "b@example.org", "c@example.org"};
const std::string Accepted = "250 ok\r\n250 ok\r\n354 go\r\n";
const std::string Queued = "250 queued\r\n";

std::vector<std::string> titles;

class TWindow : public TSendSettings, public TMessageFields, public TSendProgress {
public:
    std::string port;
    std::vector<std::string> counters, logLines;

    std::string Name() const override { return "Ana"; }
    std::string Email() const override { return "ana@example.org"; }
    std::string Host() const override { return "127.0.0.1"; }
    std::string UserID() const override { return "ana"; }
    std::string Charset() const override { return "us-ascii"; }
    std::string Delay() const override { return "0"; }
    std::string Port() const override { return port; }
    std::string Security() const override { return "2"; }
    std::string TimeOut() const override { return "5"; }
    void AskForSettings() override {}
    std::string Subject() const override { return "Hello"; }
    TStringList BodyParagraphs() const override { return TStringList{"Line one"}; }
    int FormatIndex() const override { return 0; }
    std::string AttachmentPath() const override { return {}; }
    void ShowState(const std::string&) override {}
    void ShowCounter(const std::string& text) override { counters.push_back(text); }
    void ShowLogWindow() override {}
    void ClearLog() override { logLines.clear(); }
    void AppendLogLine(const std::string& line) override { logLines.push_back(line); }
    void Flush() override {}
};

std::string Envelope(const std::string& mailbox)
{
    return "MAIL FROM:<ana@example.org>\r\nRCPT TO:<" + mailbox + ">\r\nDATA\r\n";
}

std::string Text(const std::string& mailbox)
{
    return "From: Ana<ana@example.org>\r\nTo: " + mailbox + "\r\nSubject: Hello\r\nX-Mailer: Varnolt Pelmar 0.8\r\n"
           + FixedStampLines + "Mime-Version: 1.0\r\nContent-Type: text/plain; charset=us-ascii\r\n\r\n\r\nLine one\r\n.\r\n";
}

// What the server answers to the second group (the first message's dot, then the
// second message's MAIL FROM, RCPT TO and DATA), and what that means.
struct TGroup {
    const char* Name;
    std::string Replies;
    bool SecondTextFollows;        // the second message's DATA was taken
    std::vector<std::string> Logged; // entries the server took, in order
    bool Fails;
};

const std::vector<TGroup> Groups = {
    {"all accepted", Queued + Accepted, true, Recipients, false},
    {"first message refused at its dot", "552 5.3.4 too big\r\n" + Accepted, true, {"b@example.org"}, true},
    {"MAIL FROM refused", Queued + "451 4.3.0 try later\r\n503 5.5.1 MAIL first\r\n503 5.5.1 MAIL first\r\n", false,
     {"a@example.org"}, true},
    {"RCPT TO refused", Queued + "250 ok\r\n550 5.1.1 no such user\r\n554 5.5.1 no valid recipients\r\n", false,
     {"a@example.org"}, true},
    {"DATA refused", Queued + "250 ok\r\n250 ok\r\n451 4.3.0 not now\r\n", false, {"a@example.org"}, true},
};

class PipelinedFaultMatrix : public ::testing::Test {
protected:
    TTrustTestAuthority Trust;
    TSandbox Sandbox;
    TScriptedUi Ui;
    TRecordedPause Pause;
    TSmtpClient Smtp;
    TRowsColumn Entries{Recipients};
    TWindow Window;
    TSendJob Job{Smtp, Entries, Window, Window, Window};

    void SetUp() override
    {
        Smtp.SetLocalName("client.test");
        Job.Stamps = FixedStamps();
        Smtp.OnSuccess = [this](QObject* s) { Job.SMTPSuccess(s); };
        Smtp.OnFailure = [this](QObject* s) { Job.SMTPFailure(s); };
        SetApplicationTitleObserver([](const std::string& title) { titles.push_back(title); });
        Job.Passwords().Store("ana", "127.0.0.1", ""); // no login, and nobody is asked
    }
    void TearDown() override { SetApplicationTitleObserver(nullptr); }

    // chunks: how the second group's replies arrive (empty: in one piece).
    void RunRow(const TGroup& group, const std::vector<std::size_t>& chunks)
    {
        ScriptedServer server;
        server.StartTls(TestCertificates().Server).Send("220 ready\r\n").ExpectLine("EHLO client.test")
            .Send("250-sink\r\n250 PIPELINING\r\n")
            .Expect(Envelope(Recipients[0])).Send(Accepted).Expect(Text(Recipients[0]))
            .Expect(Envelope(Recipients[1]));
        if (chunks.empty())
            server.Send(group.Replies);
        else
            server.SendInChunks(group.Replies, chunks);
        if (group.SecondTextFollows)
            server.Expect(Text(Recipients[1]));
        if (!group.Fails)
            server.Expect(Envelope(Recipients[2])).Send(Queued + Accepted).Expect(Text(Recipients[2]));
        if (group.SecondTextFollows)
            server.Send(Queued);
        server.ExpectLine("QUIT").Send("221 bye\r\n").WaitForClose();
        Window = TWindow();
        Window.port = std::to_string(server.Port());
        Ui.Events.clear();
        titles.clear();
        server.Start();
        Job.Run();
        server.Finish();
        Check(group);
    }

    void Check(const TGroup& group)
    {
        EXPECT_EQ(Ui.Events, std::vector<std::string>{group.Fails ? "message:Connect failed" : "beep"});
        std::vector<std::string> counters, expectedTitles, logged;
        for (std::size_t i = 1; i <= group.Logged.size(); ++i) {
            counters.push_back(std::to_string(i) + "/3");
            expectedTitles.push_back("Varnolt Pelmar " + counters.back());
        }
        if (!group.Fails) {
            counters.push_back("3 messages sent.");
            expectedTitles.push_back("Varnolt Pelmar");
        }
        EXPECT_EQ(Window.counters, counters);
        EXPECT_EQ(titles, expectedTitles);
        for (const std::string& line : Window.logLines)
            logged.push_back(line.substr(line.find(": ") + 2, line.size() - line.find(": ") - 2 - 9));
        EXPECT_EQ(logged, group.Logged);
        EXPECT_EQ(ReadFileBytes(Sandbox.ProgramFolder() + "log.txt").size(),
                  [&] { std::size_t n = 0; for (auto& l : Window.logLines) n += l.size() + 2; return n; }());
        EXPECT_FALSE(Smtp.Connected());
    }
};

TEST_F(PipelinedFaultMatrix, EveryGroupInOnePieceBytewiseAndSplitAtEveryByte)
{
    for (const TGroup& group : Groups) {
        SCOPED_TRACE(group.Name);
        RunRow(group, {});
        RunRow(group, std::vector<std::size_t>(group.Replies.size(), 1));
        if (group.Fails)
            continue; // one refusal row per piece count is enough; the split rows test the matching
        for (std::size_t at = 1; at < group.Replies.size(); ++at) {
            SCOPED_TRACE("split after byte " + std::to_string(at));
            RunRow(group, {at});
        }
    }
}

TEST_F(PipelinedFaultMatrix, ARefusalSplitAtEveryByteIsStillChargedToItsMessage)
{
    const TGroup& group = Groups[1]; // the held message refused while the next one goes on
    for (std::size_t at = 1; at < group.Replies.size(); ++at) {
        SCOPED_TRACE("split after byte " + std::to_string(at));
        RunRow(group, {at});
    }
}

} // namespace
