// SPDX-License-Identifier: GPL-3.0-or-later
// The send job over a pipelining server (TLS from the first byte): the replies of a
// group split at every byte or delivered in one piece, and refusals in the middle of a
// group, each charged to its own message while the job goes on. The log, the counters and
// the title name exactly what the server decided about each message.
#include "mail/SmtpClient.h"
#include "support/FakeJobWindow.h"
#include "support/FixedStamps.h"
#include "support/JobMatrix.h"
#include "support/RecordedPause.h"
#include "support/Sandbox.h"
#include "support/ScriptedServer.h"
#include "support/ScriptedUi.h"
#include "support/SecuredGreetings.h"
#include "support/TestCertificates.h"
#include "workflow/history/HistoryAccess.h"
#include "workflow/job/SendJob.h"
#include "workflow/lists/RowsColumn.h"
#include "workflow/program/ProgramState.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

namespace {

const std::vector<std::string>& Recipients = MatrixRecipients;
const std::string Accepted = "250 ok\r\n250 ok\r\n354 go\r\n";
const std::string Queued = "250 queued\r\n";

// The submission account: TLS from the first byte, five seconds' time-out.
class TWindow : public TFakeJobWindow {
public:
    TWindow()
    {
        account.UserID = "ana";
        account.Security = 2;
        account.TimeOut = 5;
    }
};

std::string Envelope(const std::string& mailbox)
{
    return "MAIL FROM:<ana@example.org>\r\nRCPT TO:<" + mailbox + ">\r\nDATA\r\n";
}

std::string Text(const std::string& mailbox)
{
    return "From: Ana<ana@example.org>\r\nTo: " + mailbox + "\r\nSubject: Hello\r\nX-Mailer: Varnolt Pelmar 0.8\r\n"
        + FixedStampLines
        + "Mime-Version: 1.0\r\nContent-Type: text/plain; charset=us-ascii\r\n\r\n\r\nLine one\r\n.\r\n";
}

std::string Envelope(const std::string& mailbox, bool reset)
{
    return (reset ? "RSET\r\n" : "") + Envelope(mailbox);
}

// What the server answers to the second group (the first message's dot, then the
// second message's MAIL FROM, RCPT TO and DATA), and what follows from it.
struct TGroup {
    const char* Name;
    std::string Replies;
    // The rest of the dialogue up to QUIT, after the second group's replies.
    std::function<void(ScriptedServer&)> Rest;
    std::vector<std::string> Logged; // "entry...   outcome", in order
    const char* End;                 // the job's last text
};

void ThirdAfterSecond(ScriptedServer& s)
{
    s.Expect(Text("b@example.org"))
        .Expect(Envelope("c@example.org"))
        .Send(Queued + Accepted)
        .Expect(Text("c@example.org"))
        .Send(Queued);
}

// The second message's transaction was left open: the third resets it first.
void ThirdAfterRefusal(ScriptedServer& s)
{
    s.Expect(Envelope("c@example.org", true))
        .Send("250 reset\r\n" + Accepted)
        .Expect(Text("c@example.org"))
        .Send(Queued);
}

// ... and the deferred second goes again in the retry round.
void ThirdThenSecondAgain(ScriptedServer& s)
{
    ThirdAfterRefusal(s);
    s.Expect(Envelope("b@example.org")).Send(Accepted).Expect(Text("b@example.org")).Send(Queued);
}

// DATA taken although no recipient was: a lone dot ends the transaction unsent.
void ThirdAfterAbandonedText(ScriptedServer& s)
{
    s.Expect(".\r\n")
        .Send("250 nothing to deliver\r\n")
        .Expect(Envelope("c@example.org"))
        .Send(Accepted)
        .Expect(Text("c@example.org"))
        .Send(Queued);
}

const std::string A = "a@example.org...   ", B = "b@example.org...   ", C = "c@example.org...   ";

const std::vector<TGroup> Groups = {
    {"all accepted", Queued + Accepted, ThirdAfterSecond, {A + "OK.", B + "OK.", C + "OK."}, "3 messages sent."},
    {"first message refused at its dot",
     "552 5.3.4 too big\r\n" + Accepted,
     ThirdAfterSecond,
     {A + "552 5.3.4 too big", B + "OK.", C + "OK."},
     "Delivered 2 of 3; refused 1"},
    {"MAIL FROM deferred",
     Queued + "451 4.3.0 try later\r\n503 5.5.1 MAIL first\r\n503 5.5.1 MAIL first\r\n",
     ThirdThenSecondAgain,
     {A + "OK.", B + "451 4.3.0 try later", C + "OK.", B + "OK."},
     "3 messages sent."},
    {"RCPT TO refused",
     Queued + "250 ok\r\n550 5.1.1 no such user\r\n554 5.5.1 no valid recipients\r\n",
     ThirdAfterRefusal,
     {A + "OK.", B + "550 5.1.1 no such user", C + "OK."},
     "Delivered 2 of 3; refused 1"},
    {"RCPT TO refused, DATA taken all the same",
     Queued + "250 ok\r\n550 5.1.1 no such user\r\n354 go\r\n",
     ThirdAfterAbandonedText,
     {A + "OK.", B + "550 5.1.1 no such user", C + "OK."},
     "Delivered 2 of 3; refused 1"},
    {"DATA deferred",
     Queued + "250 ok\r\n250 ok\r\n451 4.3.0 not now\r\n",
     ThirdThenSecondAgain,
     {A + "OK.", B + "451 4.3.0 not now", C + "OK.", B + "OK."},
     "3 messages sent."},
    {"first refused at its dot, second deferred at MAIL FROM",
     "552 5.3.4 too big\r\n451 4.3.0 try later\r\n503 5.5.1 MAIL first\r\n503 5.5.1 MAIL first\r\n",
     ThirdThenSecondAgain,
     {A + "552 5.3.4 too big", B + "451 4.3.0 try later", C + "OK.", B + "OK."},
     "Delivered 2 of 3; refused 1"},
};

class PipelinedFaultMatrix : public TJobMatrix<TWindow> {
protected:
    TTrustTestAuthority Trust;

    void SetUp() override
    {
        TJobMatrix::SetUp();
        Smtp.SetLocalName("client.test");
        Job.Passwords().Store("ana", "127.0.0.1", ""); // no login, and nobody is asked
    }

    // chunks: how the second group's replies arrive (empty: in one piece).
    void RunRow(const TGroup& group, const std::vector<std::size_t>& chunks)
    {
        ScriptedServer server;
        TlsGreeting(server)
            .Expect(Envelope(Recipients[0]))
            .Send(Accepted)
            .Expect(Text(Recipients[0]))
            .Expect(Envelope(Recipients[1]));
        if (chunks.empty())
            server.Send(group.Replies);
        else
            server.SendInChunks(group.Replies, chunks);
        group.Rest(server);
        server.ExpectLine("QUIT").Send("221 bye\r\n").WaitForClose();
        Window = TWindow();
        Window.account.Port = server.Port();
        Ui.Events.clear();
        MatrixTitles.clear();
        server.Start();
        // Every row is a new job, not the continuation of the row before.
        Job.Run({false, TResumeChoice::Restart, {}});
        server.Finish();
        Check(group);
    }

    void Check(const TGroup& group)
    {
        const bool everyoneGotIt = std::string(group.End) == "3 messages sent.";
        EXPECT_EQ(Ui.Events, std::vector<std::string>{everyoneGotIt ? "beep" : "message:" + std::string(group.End)});
        const auto delivered = std::count_if(group.Logged.begin(), group.Logged.end(),
                                             [](const std::string& line) { return line.ends_with("OK."); });
        CheckCountersAndTitles(delivered, group.End);
        EXPECT_EQ(LoggedOutcomes(), group.Logged);
        EXPECT_FALSE(Smtp.Connected());
    }
};

TEST_F(PipelinedFaultMatrix, EveryGroupInOnePieceBytewiseAndSplitAtEveryByte)
{
    for (const TGroup& group : Groups) {
        SCOPED_TRACE(group.Name);
        RunRow(group, {});
        RunRow(group, std::vector<std::size_t>(group.Replies.size(), 1));
        if (group.Name != Groups.front().Name)
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
