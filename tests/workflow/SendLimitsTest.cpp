// SPDX-License-Identifier: GPL-3.0-or-later
// Sending limits, the suppression list and empty fields: the decisions alone (tables),
// and the send job keeping to them against the scripted server on a fake clock.
#include "mail/MessageAssembly.h"
#include "mail/SmtpClient.h"
#include "support/CrLfLines.h"
#include "support/FakeJobWindow.h"
#include "support/FixedStamps.h"
#include "support/RecordedPause.h"
#include "support/Sandbox.h"
#include "support/ScriptedServer.h"
#include "support/ScriptedUi.h"
#include "workflow/compose/EmptyFields.h"
#include "workflow/compose/JobMessage.h"
#include "workflow/compose/MessagePreview.h"
#include "workflow/compose/Unsubscribe.h"
#include "workflow/history/DeliveryHistory.h"
#include "workflow/history/HistoryAccess.h"
#include "workflow/job/SendJob.h"
#include "workflow/job/SendSchedule.h"
#include "workflow/limits/LimitMessages.h"
#include "workflow/limits/LimitReply.h"
#include "workflow/limits/RateWindow.h"
#include "workflow/limits/SuppressionList.h"
#include "workflow/lists/RowsColumn.h"
#include "workflow/program/ProgramState.h"

#include <gtest/gtest.h>

namespace {

TEST(LimitReply, TellsTheAccountsLimitFromTheRecipientsRefusal)
{
    struct Case {
        const char* reply;
        bool limit;
        bool noSuchUser;
    };
    const Case cases[] = {
        {"550 5.4.5 Daily user sending quota exceeded.", true, false},
        {"421 4.7.0 Try again later, closing connection.", true, false},
        {"451 4.7.1 Rate limit exceeded", true, false},
        {"451 4.7.1 Greylisted, try again later", false, false},
        {"421 4.7.0 The access token has expired", false, false},
        {"421 Too many messages from this account, slow down", true, false},
        {"421 Service not available, closing transmission channel", false, false},
        {"554 5.2.0 STOREDRV.Submission.Exception:SubmissionQuotaExceededException", true, false},
        {"550 Your daily sending limit has been reached", true, false},
        {"452 4.2.2 Mailbox full: quota exceeded", false, false},
        {"550 5.7.1 Relaying denied", false, false},
        {"550 5.1.1 <bob@example.org>: Recipient address rejected: User unknown", false, true},
        {"550-5.1.1 The email account that you tried to reach does not exist", false, true},
        {"550 5.1.10 RESOLVER.ADR.RecipientNotFound", false, true},
        {"553 5.1.6 Recipient has moved", false, true},
        {"550 5.1.2 Bad destination system", false, false},
        {"250 2.0.0 OK queued", false, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IsAccountLimitReply(c.reply), c.limit) << c.reply;
        EXPECT_EQ(IsNoSuchUserReply(c.reply), c.noSuchUser) << c.reply;
    }
}

TEST(RateWindow, TheNextSendWaitsForTheOldestSendToLeaveEveryFullWindow)
{
    constexpr std::int64_t M = TRateWindow::Minute, H = TRateWindow::Hour, D = TRateWindow::Day;
    const std::int64_t now = 10 * D;
    struct Case {
        TSendLimits limits;
        std::vector<std::int64_t> sent;
        std::int64_t next;
        std::int64_t toldEnd;
    };
    const Case cases[] = {
        {{}, {now - 1, now - 2}, now, now + H},
        {{2, 0, 0}, {now - 10'000}, now, now + H},
        {{2, 0, 0}, {now - 10'000, now - 20'000}, now - 20'000 + M, now + H},
        {{2, 0, 0}, {now - 10'000, now - 20'000, now - 2 * M}, now - 20'000 + M, now + H},
        {{0, 3, 0}, {now - 30 * M, now - 20 * M, now - 10 * M}, now + 30 * M, now + H},
        {{0, 0, 2}, {now - 23 * H, now - 1}, now + H, now + H},
        {{0, 0, 2}, {now - 23 * H - 30 * M, now - 1}, now + 30 * M, now + 30 * M},
        {{0, 0, 2}, {now - D - 1, now - 1}, now, now + H},
        {{1, 100, 1}, {now - 2 * H}, now + 22 * H, now + H},
    };
    for (const Case& c : cases) {
        TRateWindow window(c.limits);
        window.Seed(c.sent);
        EXPECT_EQ(window.NextSendTime(now), c.next) << c.sent.size() << " sends, per day " << c.limits.PerDay;
        EXPECT_EQ(window.ToldLimitEnd(now), c.toldEnd);
    }
}

TEST(EmptyFields, CountedPerFieldOverTheRecipientsSent)
{
    const TStringList body{"Pozdravljeni {{first}},", "{{email}} {{name}} {{first}}"};
    const TJobMessage message("Za {{name}}", body, false, nullptr);
    const std::vector<std::string> entries = {"ana@example.org", "", "Bob Kos <bob@example.org>", "cene@example.org"};
    const TEmptyFieldCount all = CountEmptyFields(message, entries);
    ASSERT_EQ(all.Fields.size(), 1u);
    EXPECT_EQ(all.Fields[0].Field, "{{first}}");
    EXPECT_EQ(all.Fields[0].Empty, 2);
    EXPECT_EQ(all.Recipients, 3);
    const auto skipCene = [](const std::string& entry) { return entry == "cene@example.org"; };
    EXPECT_EQ(EmptyFieldLines(CountEmptyFields(message, entries, skipCene), "\n"),
              "{{first}} is empty for 1 of 2 recipients");
    EXPECT_FALSE(CountEmptyFields(TJobMessage("Hi", {"no fields"}, false, nullptr), entries).Any());
}

TEST(LimitMessages, NumbersTakeTheFormTheLanguageGivesThem)
{
    struct Case {
        int language;
        int count;
        const char* suppressed;
        const char* empty;
    };
    const Case cases[] = {
        {2, 1, "1 recipient is on the suppression list and will be skipped.",
         "{{first}} is empty for 1 of 1 recipient"},
        {2, 300, "300 recipients are on the suppression list and will be skipped.",
         "{{first}} is empty for 300 of 300 recipients"},
        {1, 1, "1 prejemnik je na seznamu izločenih naslovov in bo izpuščen.",
         "{{first}} je prazno pri 1 od 1 prejemnika"},
        {1, 2, "2 prejemnika sta na seznamu izločenih naslovov in bosta izpuščena.",
         "{{first}} je prazno pri 2 od 2 prejemnikov"},
        {1, 103, "103 prejemniki so na seznamu izločenih naslovov in bodo izpuščeni.",
         "{{first}} je prazno pri 103 od 103 prejemnikov"},
        {1, 1000, "1.000 prejemnikov je na seznamu izločenih naslovov in bo izpuščenih.",
         "{{first}} je prazno pri 1.000 od 1.000 prejemnikov"},
    };
    for (const Case& c : cases) {
        CurrentLanguage = c.language;
        EXPECT_EQ(Messages::SuppressedNotice(c.count), c.suppressed);
        EXPECT_EQ(Messages::EmptyFieldNotice("{{first}}", c.count, c.count), c.empty);
    }
    CurrentLanguage = 2;
    EXPECT_EQ(Messages::Countdown(59), "0:59");
    EXPECT_EQ(Messages::Countdown(3723), "1:02:03");
}

TEST(Unsubscribe, HeaderLinesFollowTheSetting)
{
    using Lines = std::vector<std::string>;
    const std::pair<const char*, Lines> cases[] = {
        {"", {}},
        {"mailto", {"List-Unsubscribe: <mailto:ana@example.org?subject=unsubscribe>"}},
        {"https://example.org/u?list=news",
         {"List-Unsubscribe: <mailto:ana@example.org?subject=unsubscribe>, <https://example.org/u?list=news>",
          "List-Unsubscribe-Post: List-Unsubscribe=One-Click"}},
        {"https://example.org/a b>",
         {"List-Unsubscribe: <mailto:ana@example.org?subject=unsubscribe>, "
          "<https://example.org/a%20b%3E>",
          "List-Unsubscribe-Post: List-Unsubscribe=One-Click"}},
        {"http://example.org/u", {}},
        {"yes", {}},
    };
    for (const auto& [setting, lines] : cases)
        EXPECT_EQ(UnsubscribeHeaders(setting, "ana@example.org"), lines) << setting;
}

TEST(SendSchedule, StartTimeIsTheNextSuchClockTimeOrAnIsoMoment)
{
    const QDateTime now(QDate(2026, 12, 9), QTime(21, 0));
    const std::pair<const char*, QDateTime> cases[] = {
        {"22:15", QDateTime(QDate(2026, 12, 9), QTime(22, 15))},
        {"8:00", QDateTime(QDate(2026, 12, 10), QTime(8, 0))},
        {"21:00", QDateTime(QDate(2026, 12, 10), QTime(21, 0))},
        {"2026-12-24T07:30", QDateTime(QDate(2026, 12, 24), QTime(7, 30))},
        {"2026-12-24T07:30:00Z", QDateTime(QDate(2026, 12, 24), QTime(7, 30), Qt::UTC)},
    };
    for (const auto& [text, moment] : cases)
        EXPECT_EQ(ParseStartTime(text, now), std::optional<QDateTime>(moment)) << text;
    for (const char* text : {"", "25:00", "8", "tomorrow", "2026-12-24"})
        EXPECT_FALSE(ParseStartTime(text, now)) << text;
}

TEST(SuppressionList, KeepsBareAddressesPerAccountWithoutRegardToCase)
{
    TSandbox sandbox;
    TSuppressionList list(sandbox.ProgramFolder() + "data");
    EXPECT_TRUE(list.Add("ana@example.org", "Bob <Bob@Example.org>", "no such user", "550 5.1.1 unknown"));
    EXPECT_FALSE(list.Add("ana@example.org", "bob@example.org", "by hand"));
    EXPECT_EQ(list.AddAll("ana@example.org", {"carol@example.org", "", "BOB@example.org"}, "imported"), 1);
    list.Add("other@example.org", "dan@example.org", "by hand");
    EXPECT_EQ(list.Addresses("Ana@example.org"),
              (std::unordered_set<std::string>{"bob@example.org", "carol@example.org"}));
    const std::vector<TSuppression> found = list.Find("ana@example.org", "BOB");
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].Reason, "no such user");
    EXPECT_EQ(found[0].Reply, "550 5.1.1 unknown");
    list.Remove("ana@example.org", "Bob <bob@example.org>");
    EXPECT_EQ(list.Find("ana@example.org").size(), 1u);
}

// ---- The send job -------------------------------------------------------------------------

using TLimitWindow = TFakeJobWindow;

TEST(EmptyFields, PreviewMarksTheEntryItShows)
{
    TLimitWindow window;
    window.subject = "Hi {{first}} {{email}}";
    TRowsColumn rows;
    rows.Rows = {"a@example.org", "Bob Kos <bob@example.org>"};
    EXPECT_EQ(PreviewMessage(window, rows, nullptr, 0).Problems, "Empty for this recipient: {{first}}");
    EXPECT_EQ(PreviewMessage(window, rows, nullptr, 1).Problems, "");
}

class SendLimits : public ::testing::Test {
public:
    TSandbox Sandbox;
    TScriptedUi Ui;
    TRecordedPause Pause;
    std::unique_ptr<ScriptedServer> Server = std::make_unique<ScriptedServer>();
    THistoryAccess History;
    TSuppressionList Suppressions{Sandbox.ProgramFolder() + "data"};
    TSmtpClient Smtp;
    TRowsColumn Entries;
    TLimitWindow Window;
    TSendJob Job{Smtp, Entries, Window, Window, Window, &History};
    std::int64_t Now = 1'900'000'000'000;

    void SetUp() override
    {
        ResetBoundaryGenerator();
        CurrentLanguage = 2;
        Job.Stamps = FixedStamps();
        Job.SetSuppressions(&Suppressions);
        // The fake clock moves by every wait the job makes.
        Job.Limits.Clock = [this] { return Now; };
        Pause.OnPause = [this] { Now += Pause.Pauses.back(); };
        Smtp.SetTimeOut(10000);
        Window.account.Port = Server->Port();
    }
    void NewServer()
    {
        Server = std::make_unique<ScriptedServer>();
        Window.account.Port = Server->Port();
    }

    ScriptedServer& Greeted() { return Server->Send("220 ready\r\n").ExpectLine("HELO pc1").Send("250 hi\r\n"); }
    ScriptedServer& Transaction(const std::string& mailbox, const std::string& extraHeaders = {})
    {
        return Server->AcceptEnvelope("ana@example.org", mailbox)
            .Expect(CrLfLines({"From: Ana<ana@example.org>", "To: " + mailbox, "Subject: " + Window.subject,
                               "X-Mailer: Varnolt Pelmar 0.8"})
                    + FixedStampLines + extraHeaders
                    + CrLfLines(
                        {"Mime-Version: 1.0", "Content-Type: text/plain; charset=us-ascii", "", "", "Line one", "."}));
    }
    ScriptedServer& Quit() { return Server->ExpectLine("QUIT").Send("221 bye\r\n").WaitForClose(); }
    TJobResult Run(const TJobStart& start = {})
    {
        Server->Start();
        TJobResult result = Job.Run(start);
        Server->Finish();
        return result;
    }
    std::vector<TOutcome> Outcomes()
    {
        std::vector<TOutcome> outcomes;
        for (const TEntryRecord& entry : History.History().Entries(History.History().Jobs().front().id))
            outcomes.push_back(entry.outcome);
        return outcomes;
    }
};

// The quota reply ends the pass: that entry is not sent (limit), never refused; an hour
// later (the connection closed meanwhile) it and the rest go, each exactly once.
TEST_F(SendLimits, QuotaReplyWaitsAnHourAndSendsTheRestOnce)
{
    Entries.Rows = {"a@example.org", "b@example.org", "c@example.org"};
    Greeted();
    Transaction("a@example.org").Send("250 queued\r\n");
    Transaction("b@example.org").Send("550 5.4.5 Daily user sending quota exceeded.\r\n");
    Quit().AcceptNext();
    Greeted();
    Transaction("b@example.org").Send("250 queued\r\n");
    Transaction("c@example.org").Send("250 queued\r\n");
    Quit();
    const std::int64_t start = Now;
    const TJobResult result = Run();

    EXPECT_EQ(result.End, TJobEnd::Finished);
    EXPECT_EQ(result.Counts.Delivered, 3);
    EXPECT_EQ(result.Counts.Refused, 0);
    EXPECT_EQ(Pause.Pauses, std::vector<std::int32_t>{3'600'000});
    EXPECT_EQ(Window.Only("notice:"), std::vector<std::string>{Messages::LimitReached(start + TRateWindow::Hour)});
    const std::vector<std::string> states = Window.Only("state:");
    EXPECT_NE(std::find(states.begin(), states.end(), Messages::LimitReached(start + TRateWindow::Hour, 3600)),
              states.end());
}

// 421 4.7.0 closes the connection: the entry in flight goes again after the back-off, and
// no reconnect is tried meanwhile. Without waiting, the job ends paused instead.
TEST_F(SendLimits, RateLimitClosingTheConnectionIsWaitedOutOrEndsAPausedRun)
{
    Entries.Rows = {"a@example.org", "b@example.org"};
    Greeted();
    Transaction("a@example.org").Send("421 4.7.0 Rate limit exceeded, try again later\r\n").Close().AcceptNext();
    Greeted();
    Transaction("a@example.org").Send("250 queued\r\n");
    Transaction("b@example.org").Send("250 queued\r\n");
    Quit();
    EXPECT_EQ(Run().Counts.Delivered, 2);
    EXPECT_EQ(Pause.Pauses, std::vector<std::int32_t>{3'600'000});

    NewServer();
    Entries.Rows = {"c@example.org", "d@example.org"};
    Greeted();
    Transaction("c@example.org").Send("250 queued\r\n");
    Transaction("d@example.org").Send("451 4.7.1 Too many messages, slow down\r\n");
    Quit();
    TJobStart noWait;
    noWait.WaitForLimits = false;
    const TJobResult paused = Run(noWait);
    EXPECT_EQ(paused.End, TJobEnd::PausedByLimit);
    EXPECT_EQ(paused.ResumeAfter, Now + TRateWindow::Hour);
    EXPECT_EQ(Outcomes(), (std::vector<TOutcome>{TOutcome::Delivered, TOutcome::NotSent}));
    EXPECT_EQ(History.History().Entries(History.History().Jobs().front().id)[1].note, "not sent (limit)");
}

// A per-minute limit counts the sends of earlier jobs in the history too.
TEST_F(SendLimits, CountedLimitIncludesEarlierJobsAndWaitsForAFreePlace)
{
    Window.account.PerMinute = 2;
    Entries.Rows = {"a@example.org"};
    Greeted();
    Transaction("a@example.org").Send("250 queued\r\n");
    Quit();
    Run();
    ASSERT_TRUE(Pause.Pauses.empty());

    // The history stamps real time: the fake clock takes it up from there.
    Now = QDateTime::currentMSecsSinceEpoch();
    NewServer();
    Entries.Rows = {"b@example.org", "c@example.org"};
    Greeted();
    Transaction("b@example.org").Send("250 queued\r\n");
    Quit().AcceptNext(); // a wait that long is made without the connection
    Greeted();
    Transaction("c@example.org").Send("250 queued\r\n");
    Quit();
    Run();
    ASSERT_EQ(Pause.Pauses.size(), 1u);
    EXPECT_GT(Pause.Pauses[0], 55'000) << "the first job's message left the minute's window first";
    EXPECT_LE(Pause.Pauses[0], 60'000);
}

// 5.1.1 puts the address on the list; the next job skips it (the server never hears of it),
// says so in the question, and records it suppressed.
TEST_F(SendLimits, UnknownMailboxIsSuppressedInTheNextJob)
{
    Entries.Rows = {"a@example.org", "b@example.org"};
    Greeted();
    Transaction("a@example.org").Send("550 5.1.1 User unknown\r\n");
    Transaction("b@example.org").Send("250 queued\r\n");
    Quit();
    Run();
    EXPECT_EQ(Suppressions.Addresses("ana@example.org"), std::unordered_set<std::string>{"a@example.org"});

    NewServer();
    Window.subject = "Second";
    Greeted();
    Transaction("b@example.org").Send("250 queued\r\n");
    Quit();
    Ui.Answers = {0};
    Ui.Events.clear();
    const TJobResult result = Run({true, TResumeChoice::Restart, {}});
    ASSERT_FALSE(Ui.Events.empty());
    EXPECT_EQ(Ui.Events.front(),
              "ask:1 recipient is on the suppression list and will be skipped.\r\r"
              "Send this message to 1 recipient?");
    EXPECT_EQ(result.Counts.Suppressed, 1);
    EXPECT_EQ(Outcomes(), (std::vector<TOutcome>{TOutcome::Suppressed, TOutcome::Delivered}));
    EXPECT_FALSE(History.History().Jobs().front().Unfinished());
}

// A job that asks nothing names the empty field and, unless allowed, ends before connecting;
// List-Unsubscribe rides on every message when set.
TEST_F(SendLimits, EmptyFieldHoldsAJobThatAsksNothingAndUnsubscribeRidesAlong)
{
    Window.subject = "Hi {{first}}";
    Entries.Rows = {"a@example.org"};
    TJobStart start;
    start.AllowEmptyFields = false;
    const TJobResult held = Job.Run(start);
    EXPECT_TRUE(held.HeldForEmptyFields);
    EXPECT_EQ(Window.Only("notice:"), std::vector<std::string>{"{{first}} is empty for 1 of 1 recipient"});

    Window.subject = "Hi";
    Window.account.Unsubscribe = "https://example.org/u";
    Greeted();
    Transaction("a@example.org",
                "List-Unsubscribe: <mailto:ana@example.org?subject=unsubscribe>, "
                "<https://example.org/u>\r\nList-Unsubscribe-Post: List-Unsubscribe=One-Click\r\n")
        .Send("250 queued\r\n");
    Quit();
    EXPECT_EQ(Run().Counts.Delivered, 1);
}

}
