// SPDX-License-Identifier: GPL-3.0-or-later
#include "workflow/job/SendJob.h"
#include "base/Exception.h"
#include "mail/MessageAssembly.h"
#include "mail/SmtpClient.h"
#include "support/CrLfLines.h"
#include "support/FakeJobWindow.h"
#include "support/FixedStamps.h"
#include "support/LoopbackAccount.h"
#include "support/LoopbackPeers.h"
#include "support/RecordedPause.h"
#include "support/Sandbox.h"
#include "support/ScriptedServer.h"
#include "support/ScriptedUi.h"
#include "workflow/compose/MessageComposer.h"
#include "workflow/history/DeliveryHistory.h"
#include "workflow/history/HistoryAccess.h"
#include "workflow/job/JobMessages.h"
#include "workflow/lists/ListColumn.h"
#include "workflow/lists/RowsColumn.h"
#include "workflow/program/ProgramFolder.h"
#include "workflow/program/ProgramState.h"

#include <QTimer>
#include <gtest/gtest.h>
#include <limits>

namespace {

using TWindow = TFakeJobWindow;

std::vector<std::string> titles;
void RecordTitle(const std::string& title)
{
    titles.push_back(title);
}

std::vector<std::string> FileLines(const std::string& path)
{
    TStringList lines;
    lines.LoadFromFile(path);
    return lines.Lines();
}

class SendJob : public ::testing::Test {
public: // the case tables arrange through a reference to the fixture
    TSandbox Sandbox;
    TScriptedUi Ui;
    TRecordedPause Pause;
    std::unique_ptr<ScriptedServer> Scripted = std::make_unique<ScriptedServer>();
    THistoryAccess History;
    TSmtpClient Smtp;
    TRowsColumn Entries;
    TWindow Window;
    TSendJob Job{Smtp, Entries, Window, Window, Window, &History};

    void SetUp() override
    {
        ResetBoundaryGenerator();
        Job.Stamps = FixedStamps();
        Window.body = TStringList{"Line one", "."};
        titles.clear();
        SetApplicationTitleObserver(RecordTitle);
        Smtp.SetTimeOut(10000);
        Window.account.Port = Server().Port();
    }

    ScriptedServer& Server() { return *Scripted; }
    // A fresh server for the next case of a table.
    void NewServer()
    {
        Scripted = std::make_unique<ScriptedServer>();
        Window.account.Port = Server().Port();
    }

    void TearDown() override { SetApplicationTitleObserver(nullptr); }

    std::string LogFile() const { return Sandbox.ProgramFolder() + "log.txt"; }

    ScriptedServer& Greeted() { return Server().Send("220 ready\r\n").ExpectLine("HELO pc1").Send("250 hi\r\n"); }

    // One whole transaction up to the final dot, for the window's default message.
    ScriptedServer& Transaction(const std::string& entry, const std::string& mailbox, bool html = false,
                                const std::string& stampLines = FixedStampLines)
    {
        return Server()
            .AcceptEnvelope("ana@example.org", mailbox)
            .Expect(CrLfLines({"From: Ana<ana@example.org>", "To: " + entry, "Subject: Hello",
                               "X-Mailer: Varnolt Pelmar 0.8"})
                    + stampLines + CrLfLines({"Mime-Version: 1.0"}) + (html ? HtmlContent() : PlainContent()));
    }

    static std::string PlainContent()
    {
        return CrLfLines({"Content-Type: text/plain; charset=us-ascii", "", "", "Line one", "..", "."});
    }

    // The first boundary after ResetBoundaryGenerator.
    static std::string HtmlContent()
    {
        const std::string boundary = "====================54535aavfgq====";
        return CrLfLines({"Content-Type: multipart/alternative;", " boundary=\"" + boundary + "\"", "", "",
                          "--" + boundary, "Content-Type: text/plain; charset=us-ascii", "", "Line one .",
                          "--" + boundary, "Content-Type: text/html; charset=us-ascii", "", "Line one", "..",
                          "--" + boundary + "--", "."});
    }

    ScriptedServer& Delivered(const std::string& entry, const std::string& mailbox)
    {
        return Transaction(entry, mailbox).Send("250 queued\r\n");
    }

    ScriptedServer& Quit() { return Server().ExpectLine("QUIT").Send("221 bye\r\n").WaitForClose(); }

    void Run(const TJobStart& start = {})
    {
        Server().Start();
        Result = Job.Run(start);
        Server().Finish();
    }
    TJobResult Result;

    // What the log says after each entry: "entry...   outcome".
    std::vector<std::string> LogOutcomes() const
    {
        std::vector<std::string> outcomes;
        for (const std::string& line : Window.logLines)
            outcomes.push_back(line.substr(line.find(": ") + 2));
        return outcomes;
    }
};

// RFC 5322 3.6.1 and 3.6.4: a Date, and a Message-ID of its own, on every message;
// the job names the Message-ID of each message whose delivery it reports.
TEST_F(SendJob, EveryMessageIsStampedAndTheJobNamesTheOneDelivered)
{
    int unique = 0;
    Job.Stamps.UniquePart = [&unique] { return "m" + std::to_string(++unique); };
    std::vector<std::string> reported;
    Window.onEntryDone = [&reported](const TEntryReport& report) { reported.push_back(report.MessageId); };
    Entries.Rows = {"bob@example.org", "carol@example.org"};
    Greeted();
    for (const char* id : {"m1", "m2"}) {
        const std::string mailbox = id == std::string("m1") ? "bob@example.org" : "carol@example.org";
        Transaction(mailbox, mailbox, false,
                    "Date: Thu, 5 Jun 2025 09:30:00 +0200\r\nMessage-ID: <" + std::string(id) + "@example.org>\r\n")
            .Send("250 queued\r\n");
    }
    Quit();
    Run();
    EXPECT_EQ(reported, (std::vector<std::string>{"<m1@example.org>", "<m2@example.org>"}));
}

TEST_F(SendJob, BodyGoesAsTheParagraphsTyped)
{
    const std::string paragraph(1500, 'p');
    Window.body = TStringList{"Dear Bob,", paragraph, "", "Ana"};
    Entries.Rows = {"bob@example.org"};
    Greeted();
    Server().AcceptEnvelope("ana@example.org", "bob@example.org");
    std::string encoded;
    for (int i = 0; i < 19; ++i)
        encoded += std::string(75, 'p') + "=\r\n";
    encoded += std::string(75, 'p') + "\r\n"; // the last piece may fill its line
    Server()
        .Expect(CrLfLines({"From: Ana<ana@example.org>", "To: bob@example.org", "Subject: Hello",
                           "X-Mailer: Varnolt Pelmar 0.8"})
                + FixedStampLines
                + CrLfLines({"Mime-Version: 1.0", "Content-Type: text/plain; charset=us-ascii",
                             "Content-Transfer-Encoding: quoted-printable", "", "", "Dear Bob,"})
                + encoded + CrLfLines({"", "Ana", "."}))
        .Send("250 queued\r\n");
    Quit();
    Run();
}

TEST_F(SendJob, SendsOneMessagePerEntrySkippingEmptyOnesOverOneSession)
{
    Entries.Rows = {"Bob <bob@example.org>", "", "carol@example.org"};
    Greeted();
    Delivered("Bob <bob@example.org>", "bob@example.org");
    Delivered("carol@example.org", "carol@example.org");
    Quit();
    Run();

    // An empty entry is no message: it is neither counted nor logged.
    EXPECT_EQ(
        Window.shown,
        (std::vector<std::string>{"state:Connected", "logwindow", "state:Send Start", "counter:1/2", "clearlog",
                                  "log:Bob <bob@example.org>...   OK.", "state:Send Start", "counter:2/2",
                                  "log:carol@example.org...   OK.", "counter:2 messages sent.", "state:Disconnected"}));
    EXPECT_EQ(titles, (std::vector<std::string>{"Varnolt Pelmar 1/2", "Varnolt Pelmar 2/2", "Varnolt Pelmar"}));
    EXPECT_EQ(Ui.Events, (std::vector<std::string>{"beep"}));
    EXPECT_EQ(Window.flushed, Window.shown.size()) << "everything is on screen at the end";
    EXPECT_EQ(Result.End, TJobEnd::Finished);
    EXPECT_EQ(Result.Counts.Total, 2);
    EXPECT_EQ(Result.Counts.Delivered, 2);
    EXPECT_TRUE(Pause.Pauses.empty()) << "delay 0 means no pause";
    ASSERT_EQ(Window.logLines.size(), 2u);
    EXPECT_EQ(FileLines(LogFile()), Window.logLines);
    const std::string ends[] = {": Bob <bob@example.org>...   OK.", ": carol@example.org...   OK."};
    for (size_t i = 0; i < 2; ++i) {
        const std::string& line = Window.logLines[i];
        EXPECT_TRUE(line.size() > ends[i].size()
                    && line.compare(line.size() - ends[i].size(), ends[i].size(), ends[i]) == 0)
            << line;
        EXPECT_NE(line.find(':'), 0u) << "the line starts with the time of day";
    }
    EXPECT_EQ(ReadFileBytes(LogFile()), Window.logLines[0] + "\r\n" + Window.logLines[1] + "\r\n");
}

TEST_F(SendJob, FinalTextFollowsTheLanguageShownIn)
{
    const std::pair<int, std::string> cases[] = {
        {1, "Poslano 1 sporočil."}, {2, "1 messages sent."}, {7, "1 messages sent."}};
    for (const auto& [language, text] : cases) {
        CurrentLanguage = language;
        Window.shown.clear();
        NewServer();
        Entries.Rows = {"", "bob@example.org"};
        Greeted();
        Delivered("bob@example.org", "bob@example.org");
        Quit();
        Run({false, TResumeChoice::Restart, {}});
        std::erase(Window.shown, "counter:1/1");
        EXPECT_EQ(Window.Only("counter:"), std::vector<std::string>{text}) << language;
    }
}

TEST_F(SendJob, TheChoiceOfFormatPicksTheContentType)
{
    const std::pair<int, bool> cases[] = {{0, false}, {1, true}, {2, true}};
    Entries.Rows = {"bob@example.org"};
    for (const auto& [index, html] : cases) {
        NewServer();
        ResetBoundaryGenerator();
        Window.formatIndex = index;
        Greeted();
        Transaction("bob@example.org", "bob@example.org", html).Send("250 queued\r\n");
        Quit();
        Run();
    }
}

TEST_F(SendJob, RefusedMessageIsLoggedWithTheRepliesAndTheJobGoesOn)
{
    Entries.Rows = {"bob@example.org", "carol@example.org", "dan@example.org"};
    Greeted();
    Delivered("bob@example.org", "bob@example.org");
    Transaction("carol@example.org", "carol@example.org").Send("554-5.7.1 refused\r\n554 5.7.1 policy\r\n");
    Delivered("dan@example.org", "dan@example.org");
    Quit();
    Run();

    const std::string summary = "Delivered 2 of 3; refused 1";
    EXPECT_EQ(Ui.Events, (std::vector<std::string>{"message:" + summary})) << "no beep";
    EXPECT_EQ(Window.Only("counter:"), (std::vector<std::string>{"1/3", "2/3", summary}));
    EXPECT_EQ(titles, (std::vector<std::string>{"Varnolt Pelmar 1/3", "Varnolt Pelmar 2/3", "Varnolt Pelmar"}));
    EXPECT_EQ(Window.Only("state:").back(), "Disconnected");
    EXPECT_EQ(LogOutcomes(),
              (std::vector<std::string>{"bob@example.org...   OK.",
                                        "carol@example.org...   554-5.7.1 refused 554 5.7.1 policy",
                                        "dan@example.org...   OK."}));
    EXPECT_EQ(FileLines(LogFile()), Window.logLines);
    EXPECT_EQ(Result.End, TJobEnd::Finished);
    EXPECT_EQ(Result.Message, summary);
    EXPECT_FALSE(Smtp.Connected());
}

TEST_F(SendJob, JobThatNeverReachesTheServerSaysConnectFailed)
{
    const std::function<void(SendJob&)> cases[] = {
        [](SendJob& t) { t.Server().Send("554 go away\r\n").ExpectLine("QUIT").Send("221 bye\r\n"); },
        [](SendJob& t) {
            t.Server()
                .Send("220 ready\r\n")
                .ExpectLine("HELO pc1")
                .Send("501 who\r\n")
                .ExpectLine("QUIT")
                .Send("221 bye\r\n");
        },
        [](SendJob& t) { t.Server().Close(); },
    };
    for (const auto& arrange : cases) {
        Ui.Events.clear();
        NewServer();
        Entries.Rows = {"bob@example.org", "carol@example.org"};
        arrange(*this);
        Run();
        EXPECT_EQ(Ui.Events, std::vector<std::string>{"message:Connect failed"});
        EXPECT_EQ(Result.End, TJobEnd::ConnectFailed);
        EXPECT_TRUE(Pause.Pauses.empty()) << "a job that never got in does not try again";
        EXPECT_FALSE(Smtp.Connected());
    }
    for (const TJobSummary& job : History.History().Jobs())
        EXPECT_EQ(job.failure, "Connect failed") << "listed with the reason, no entry tried";
    EXPECT_EQ(History.History().Jobs().size(), std::size(cases));
}

// What the job cannot go on without ends it with the reason and the counts so far.
TEST_F(SendJob, AFailureBetweenMessagesEndsTheJobWithTheReasonAndTheCounts)
{
    Window.account.Delay = 1;
    Pause.OnPause = [] { throw Exception("The wait could not be kept"); };
    Entries.Rows = {"bob@example.org", "carol@example.org"};
    Greeted();
    Delivered("bob@example.org", "bob@example.org").WaitForClose();
    Run();
    const std::string message = "The wait could not be kept\r\rDelivered 1 of 2; not sent 1";
    EXPECT_EQ(Ui.Events, std::vector<std::string>{"message:" + message});
    EXPECT_EQ(Result.End, TJobEnd::Failed);
    EXPECT_EQ(Result.Message, message);
    EXPECT_EQ(Window.Only("counter:").back(), "Delivered 1 of 2; not sent 1");
    EXPECT_FALSE(Smtp.Connected());
}

TEST_F(SendJob, LogThatCannotBeWrittenStopsTheJobBeforeItConnects)
{
    RefusingPort refusing; // a connection attempt would show as "Connection failed"
    Window.account.Port = refusing.Port();
    OverrideProgramFolder(Sandbox.Path("missing/folder") + "/");
    Entries.Rows = {"bob@example.org"};
    Job.Run();
    OverrideProgramFolder(Sandbox.ProgramFolder());
    EXPECT_EQ(Ui.Events,
              std::vector<std::string>{"message:Cannot create file " + Sandbox.Path("missing/folder") + "/log.txt"});
    EXPECT_TRUE(Window.Only("state:").empty()) << "no connection was tried";
}

TEST_F(SendJob, PortOutsideTheTcpRangeFailsWithoutConnecting)
{
    Entries.Rows = {"bob@example.org"};
    for (const int port : {0, -25, 65536, 70000}) {
        Window.account.Port = port;
        Window.shown.clear();
        Ui.Events.clear();
        Job.Run();
        EXPECT_EQ(Ui.Events, std::vector<std::string>{"message:Connect failed"}) << port;
        EXPECT_EQ(Window.Only("state:"), std::vector<std::string>{"Disconnected"}) << "no connection was tried";
    }
}

TEST_F(SendJob, MissingSettingAsksForItWithoutConnecting)
{
    RefusingPort refusing; // a connection attempt would show as "Connection failed"
    Entries.Rows = {"bob@example.org"};
    std::string TSettings::*fields[] = {&TSettings::Name, &TSettings::Email, &TSettings::Host, &TSettings::UserID};
    for (auto field : fields) {
        TWindow window;
        window.account.Port = refusing.Port();
        window.account.*field = "";
        TSmtpClient smtp; // the job wires the client's events to itself
        TSendJob job(smtp, Entries, window, window, window, &History);
        Ui.Events.clear();
        job.Run();
        EXPECT_EQ(
            Ui.Events,
            std::vector<std::string>{
                "message:"
                + std::string(
                    "You didn't enter your e-mail settings yet.\rWithout that information you can't send e-mails.\r\r"
                    "Enter the information now.")});
        EXPECT_EQ(window.shown, std::vector<std::string>{"settings"});
    }
    // Blanks are text: only emptiness counts as missing.
    Window.account.Name = " ";
    Window.account.Port = refusing.Port();
    Ui.Events.clear();
    Job.Run();
    EXPECT_EQ(Ui.Events, std::vector<std::string>{"message:Connect failed"});
}

// The file and the window start the job's log together, with its first line, whatever its
// outcome; a job that logs nothing leaves both as they were.
TEST_F(SendJob, TheFirstLineOfAJobReplacesTheLogOfTheJobBefore)
{
    WriteWholeFile(LogFile(), "earlier job\r\n");
    Window.logLines = {"earlier job"};
    Entries.Rows = {"bob@example.org"};
    Server().Close();
    Run();
    EXPECT_EQ(Result.End, TJobEnd::ConnectFailed);
    EXPECT_EQ(Window.logLines, std::vector<std::string>{"earlier job"});
    EXPECT_EQ(ReadFileBytes(LogFile()), "earlier job\r\n");

    NewServer();
    Greeted().ExpectLine("RSET").Send("250 ok\r\n").ExpectLine("MAIL FROM:<ana@example.org>").Send("550 no\r\n");
    Quit();
    Run();
    EXPECT_EQ(LogOutcomes(), std::vector<std::string>{"bob@example.org...   550 no"});
    EXPECT_EQ(ReadFileBytes(LogFile()), Window.logLines[0] + "\r\n");
}

TEST_F(SendJob, EmptyListIsReportedAndLeavesLogAlone)
{
    CurrentLanguage = 1;
    WriteWholeFile(LogFile(), "earlier job\r\n");
    Window.logLines = {"earlier job"};
    Greeted();
    Quit();
    Run();
    EXPECT_EQ(Ui.Events, std::vector<std::string>{"message:Nisi napisal prejemnikov!"});
    EXPECT_EQ(Window.shown, (std::vector<std::string>{"state:Connected", "logwindow", "state:Disconnected"}));
    EXPECT_EQ(Window.logLines, std::vector<std::string>{"earlier job"});
    EXPECT_EQ(ReadFileBytes(LogFile()), "earlier job\r\n");
    EXPECT_TRUE(titles.empty());
}

TEST_F(SendJob, PausesAfterEveryDeliveredMessageWithTheLogWrittenFirst)
{
    Window.account.Delay = 2;
    WriteWholeFile(LogFile(), "one\r\ntwo\r\nthree\r\nfour\r\n");
    Entries.Rows = {"a@example.org", "", "b@example.org", "c@example.org"};
    std::vector<std::vector<std::string>> fileAtPause;
    std::vector<std::string> counterAtPause;
    Pause.OnPause = [&] {
        fileAtPause.push_back(FileLines(LogFile()));
        EXPECT_EQ(fileAtPause.back(), Window.logLines) << "the file holds the job's lines so far";
        counterAtPause.push_back(Window.Only("counter:").back());
        // The wait's countdown is all that comes after the last flush.
        EXPECT_EQ(Window.flushed + 1, Window.shown.size()) << "everything is on screen before the pause";
        EXPECT_EQ(Window.shown.back(), "state:Next message in 2 s");
    };
    Greeted();
    for (const char* box : {"a@example.org", "b@example.org", "c@example.org"})
        Delivered(box, box);
    Quit();
    Run();
    EXPECT_EQ(Pause.Pauses, (std::vector<std::int32_t>{2000, 2000, 2000}));
    EXPECT_EQ(counterAtPause, (std::vector<std::string>{"1/3", "2/3", "3/3"}))
        << "the last pause comes before the final text";
    EXPECT_EQ(Window.Only("state:Next message in ").size(), 3u) << "each pause counts down";
    ASSERT_EQ(fileAtPause.size(), 3u);
    EXPECT_EQ(fileAtPause[0].size(), 1u);
    EXPECT_EQ(fileAtPause[2].size(), 3u);
}

TEST_F(SendJob, DelayBecomesAPauseThatNeverGoesNegativeOrOverflows)
{
    const std::pair<std::int32_t, std::int32_t> cases[] = {
        {0, 0},
        {1, 1000},
        {-1, 0},
        {std::numeric_limits<std::int32_t>::min(), 0},
        {2147483, 2147483000},
        {2147484, std::numeric_limits<std::int32_t>::max()},
        {std::numeric_limits<std::int32_t>::max(), std::numeric_limits<std::int32_t>::max()}};
    for (const auto& [seconds, milliseconds] : cases)
        EXPECT_EQ(PauseMilliseconds(seconds), milliseconds) << seconds;

    Window.account.Delay = -3;
    Entries.Rows = {"a@example.org"};
    Greeted();
    Delivered("a@example.org", "a@example.org");
    Quit();
    Run();
    EXPECT_TRUE(Pause.Pauses.empty());
}

TEST_F(SendJob, SecondStartWhileRunningIsIgnored)
{
    Entries.Rows = {"a@example.org", "b@example.org"};
    Window.account.Delay = 1;
    int nestedStarts = 0;
    Pause.OnPause = [&] {
        EXPECT_TRUE(Job.Running());
        ++nestedStarts;
        Job.Run(); // would connect again and send from the start
    };
    Greeted();
    Delivered("a@example.org", "a@example.org");
    Delivered("b@example.org", "b@example.org");
    Quit();
    Run();
    EXPECT_EQ(nestedStarts, 2);
    EXPECT_FALSE(Job.Running());
    EXPECT_EQ(Result.Counts.Delivered, 2);
}

// The job sends to the list it took at its start: the history names every entry by its
// place in that list.
TEST_F(SendJob, ListChangedUnderTheJobDoesNotChangeWhomItSendsTo)
{
    Entries.Rows = {"a@example.org", "b@example.org", "c@example.org"};
    Window.account.Delay = 1;
    Pause.OnPause = [this] { Entries.Rows = {"x@example.org"}; };
    Greeted();
    for (const char* box : {"a@example.org", "b@example.org", "c@example.org"})
        Delivered(box, box);
    Quit();
    Run();
    EXPECT_EQ(Window.Only("counter:"), (std::vector<std::string>{"1/3", "2/3", "3/3", "3 messages sent."}));
    EXPECT_EQ(Ui.Events, std::vector<std::string>{"beep"});
}

TEST_F(SendJob, LogLineNamesTheEntryTheMessageWentTo)
{
    Entries.Rows = {"a@example.org", "b@example.org"};
    // The user removes the first entry while the job lets events run after the message.
    Window.onCounter = [this] {
        if (!Entries.Rows.empty())
            Entries.Rows.erase(Entries.Rows.begin());
    };
    Greeted();
    Delivered("a@example.org", "a@example.org");
    Delivered("b@example.org", "b@example.org");
    Quit();
    Run();
    EXPECT_EQ(LogOutcomes(), (std::vector<std::string>{"a@example.org...   OK.", "b@example.org...   OK."}));
}

// ---- Composing one message ---------------------------------------------------------------

// The composer makes one entry's message from the fields read at its start: the sender
// from the settings, the entry alone as the recipient, the attachment that is there now.
TEST_F(SendJob, TheComposerMakesTheMessageForItsEntryWithTheAttachmentThereNow)
{
    const std::string file = Sandbox.MakeFile("report.pdf", "%PDF");
    const std::string deleted = Sandbox.MakeFile("gone.txt", "x");
    std::remove(deleted.c_str());
    TMessageComposer composer(Window, nullptr, {"ana@example.org", "Ana", "us-ascii", {}});
    composer.Stamps = FixedStamps();
    const std::pair<std::string, bool> cases[] = {
        {file, true}, {"", false}, {deleted, false}, {Sandbox.ProgramFolder(), false}};
    for (const auto& [path, attached] : cases) {
        Window.attachment = path;
        composer.Compose("Second <second@example.org>", 1);
        const std::string header = composer.HeaderBlock();
        EXPECT_EQ(header.substr(0, header.find("Mime-Version:")),
                  CrLfLines({"From: Ana<ana@example.org>", "To: Second <second@example.org>", "Subject: Hello",
                             "X-Mailer: Varnolt Pelmar 0.8"})
                      + FixedStampLines)
            << path;
        EXPECT_EQ(composer.MessageId(), "<u1@example.org>");
        EXPECT_EQ(composer.Body().ToString().find("report.pdf") != std::string::npos, attached) << path;
    }
}

TEST_F(SendJob, AttachmentOfAFailedJobIsNotSentWithTheNextOne)
{
    Window.attachment = Sandbox.MakeFile("a.txt", "abc");
    Entries.Rows = {"bob@example.org"};
    Greeted()
        .ExpectLine("RSET")
        .Send("250 ok\r\n")
        .ExpectLine("MAIL FROM:<ana@example.org>")
        .Send("250 ok\r\n")
        .ExpectLine("RCPT TO:<bob@example.org>")
        .Send("250 ok\r\n")
        .ExpectLine("DATA")
        .Send("554 no\r\n");
    Quit().AcceptNext();
    Greeted();
    Delivered("bob@example.org", "bob@example.org"); // a single text part: no attachment
    Quit();
    Server().Start();
    Job.Run();
    Window.attachment.clear();
    Job.Run();
    Server().Finish();
    EXPECT_EQ(Ui.Events, (std::vector<std::string>{"message:Delivered 0 of 1; refused 1", "beep"}));
}

// ---- Stop, the questions before a job, entries the server is not asked about ---------------

// Stop ends the job once the message in flight has its outcome: the rest are not sent, and
// the history says so.
TEST_F(SendJob, StopEndsTheJobAfterTheMessageInFlight)
{
    Entries.Rows = {"a@example.org", "b@example.org", "c@example.org"};
    Window.account.Delay = 1;
    Pause.OnPause = [this] { Job.Stop(); };
    Greeted();
    Delivered("a@example.org", "a@example.org");
    Quit();
    Run();
    const std::string message = "Stopped. Delivered 1 of 3; not sent 2";
    EXPECT_EQ(Result.End, TJobEnd::Stopped);
    EXPECT_EQ(Ui.Events, std::vector<std::string>{"message:" + message});
    EXPECT_EQ(Window.Only("counter:").back(), message);
    const std::vector<TEntryRecord> entries = History.History().Entries(History.History().Jobs().front().id);
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].outcome, TOutcome::Delivered);
    EXPECT_EQ(entries[1].outcome, TOutcome::NotSent);
    EXPECT_EQ(entries[2].outcome, TOutcome::NotSent);
    Job.Stop(); // no job runs: nothing to stop, and the next job is not stopped before it starts
    NewServer();
    Greeted();
    for (const char* box : {"b@example.org", "c@example.org"})
        Delivered(box, box);
    Quit();
    Pause.OnPause = nullptr;
    Run();
    EXPECT_EQ(Result.End, TJobEnd::Finished);
    EXPECT_EQ(Result.Counts.Delivered, 3) << "the stopped job was continued";
}

// The window asks before it sends, warning of an empty subject or text; declining sends
// nothing and connects nowhere.
TEST_F(SendJob, ConfirmationNamesTheRecipientsAndWarnsOfAnEmptyMessage)
{
    RefusingPort refusing;
    Window.account.Port = refusing.Port();
    Entries.Rows = {"a@example.org", "", "b@example.org"};
    const std::tuple<std::string, TStringList, int, std::string> cases[] = {
        {"Hello", TStringList{"Hi"}, 2, "Send this message to 2 recipients?"},
        {" ", TStringList{"Hi"}, 2, "The message has no subject.\r\rSend this message to 2 recipients?"},
        {"Hello", TStringList{"", " "}, 2, "The message has no text.\r\rSend this message to 2 recipients?"},
        {"", TStringList{}, 1,
         "Sporočilo nima naslova.\rSporočilo nima besedila.\r\rAli naj pošljem to sporočilo 2 prejemnikoma?"},
    };
    for (const auto& [subject, body, language, question] : cases) {
        CurrentLanguage = language;
        Window.subject = subject;
        Window.body = body;
        Ui.Questions.clear();
        Ui.Answers = {1};
        Window.shown.clear();
        const TJobResult result = Job.Run({true, TResumeChoice::Ask, {}});
        const std::string answers = language == 1 ? "Pošlji|Prekliči" : "Send|Cancel";
        EXPECT_EQ(Ui.Questions, std::vector<std::string>{question + "\n" + answers});
        EXPECT_EQ(result.End, TJobEnd::NotStarted);
        EXPECT_TRUE(Window.Only("state:").empty()) << "no connection was tried";
    }
    CurrentLanguage = 2;
}

// A list and message of an unfinished job: continue sends only to the entries not yet
// delivered, start again sends to all, cancel to none. Choosing is the consent: the send
// question does not follow.
TEST_F(SendJob, UnfinishedJobOfTheSameListAndMessageIsContinuedOrStartedAgain)
{
    Entries.Rows = {"a@example.org", "b@example.org"};
    Greeted();
    Delivered("a@example.org", "a@example.org");
    Transaction("b@example.org", "b@example.org").Send("451 4.3.0 later\r\n");
    for (int round = 0; round < 3; ++round)
        Transaction("b@example.org", "b@example.org").Send("451 4.3.0 later\r\n");
    Quit();
    Run();
    ASSERT_EQ(Result.Counts.Deferred, 1);
    EXPECT_EQ(Pause.Pauses, (std::vector<std::int32_t>{60000, 60000, 60000})) << "three retry rounds";

    // Continue.
    NewServer();
    Greeted();
    Delivered("b@example.org", "b@example.org");
    Quit();
    Ui.Answers = {0};
    Run({true, TResumeChoice::Ask, {}});
    ASSERT_EQ(Ui.Questions.size(), 1u);
    EXPECT_EQ(Ui.Questions[0].rfind("This message was sent to this list before (", 0), 0u) << Ui.Questions[0];
    EXPECT_NE(Ui.Questions[0].find("but not to everyone: Delivered 1 of 2; deferred 1."), std::string::npos);
    EXPECT_TRUE(Ui.Questions[0].ends_with("\nContinue|Start again|Cancel"));
    EXPECT_EQ(Result.Counts.Delivered, 2);
    EXPECT_EQ(Result.Message, "2 messages sent.");
    EXPECT_EQ(History.History().Jobs().size(), 1u) << "the same job went on";

    // A finished job is not offered: the same list again is a new job, asked about as one.
    NewServer();
    Greeted();
    Delivered("a@example.org", "a@example.org");
    Transaction("b@example.org", "b@example.org").Send("550 5.1.1 gone\r\n");
    Quit();
    Ui.Questions.clear();
    Ui.Answers = {0};
    Run({true, TResumeChoice::Ask, {}});
    EXPECT_EQ(Ui.Questions, std::vector<std::string>{"Send this message to 2 recipients?\nSend|Cancel"});

    // Start again; then cancel.
    NewServer();
    Greeted();
    Delivered("a@example.org", "a@example.org");
    Delivered("b@example.org", "b@example.org");
    Quit();
    Ui.Questions.clear();
    Ui.Answers = {1, 2};
    Run({true, TResumeChoice::Ask, {}});
    EXPECT_EQ(Result.Counts.Delivered, 2);
    EXPECT_EQ(History.History().Jobs().size(), 3u);
    RefusingPort refusing;
    Window.account.Port = refusing.Port();
    Job.Run({true, TResumeChoice::Ask, {}}); // the job of the start again is finished: asks to send
    EXPECT_EQ(Ui.Questions.size(), 2u);
    EXPECT_EQ(History.History().Jobs().size(), 3u);
}

// An entry that is no address is refused without a word to the server; one with blanks
// around it is an address, and the envelope carries it without them.
TEST_F(SendJob, EntryThatIsNoAddressIsRefusedWithoutAskingTheServer)
{
    Entries.Rows = {"not an address", "  bob@example.org  "};
    Greeted();
    Delivered("  bob@example.org  ", "bob@example.org");
    Quit();
    Run();
    EXPECT_EQ(LogOutcomes(),
              (std::vector<std::string>{"not an address...   Not a valid e-mail address; the server was not asked.",
                                        "  bob@example.org  ...   OK."}));
    EXPECT_EQ(Result.Message, "Delivered 1 of 2; refused 1");
    CurrentLanguage = 1;
    EXPECT_EQ(Messages::NotAnAddressReply(), "Ni veljaven e-poštni naslov; strežnik ni bil vprašan.");
    CurrentLanguage = 2;
}

// A header block too large to write at once would hang the server's read: the job ends
// before the first envelope, saying why.
TEST_F(SendJob, HeaderTooLargeEndsTheJobBeforeTheEnvelope)
{
    Entries.Rows = {"a@example.org", "b@example.org"};
    Window.subject = std::string(70000, 's');
    Greeted();
    Quit();
    Run();
    EXPECT_EQ(Result.End, TJobEnd::Failed);
    ASSERT_EQ(Ui.Events.size(), 1u);
    EXPECT_EQ(Ui.Events[0].rfind("message:The message header (subject, names and addresses) would be ", 0), 0u)
        << Ui.Events[0];
    EXPECT_TRUE(Ui.Events[0].ends_with("Shorten the subject.\r\rDelivered 0 of 2; not sent 2")) << Ui.Events[0];
}

// A history that cannot be opened stops the job before it connects.
TEST_F(SendJob, HistoryThatCannotBeOpenedStopsTheJobBeforeItConnects)
{
    RefusingPort refusing;
    Window.account.Port = refusing.Port();
    THistoryAccess unusable(Sandbox.MakeFile("not-a-folder", "x") + "/");
    TSmtpClient smtp;
    TSendJob job(smtp, Entries, Window, Window, Window, &unusable);
    Entries.Rows = {"a@example.org"};
    const TJobResult result = job.Run();
    EXPECT_EQ(result.End, TJobEnd::NotStarted);
    ASSERT_EQ(Ui.Events.size(), 1u);
    EXPECT_FALSE(result.Message.empty());
    EXPECT_EQ(Ui.Events[0], "message:" + result.Message);
    EXPECT_TRUE(Window.Only("state:").empty()) << "no connection was tried";
}

TEST(JobMessages, CountsAreGroupedAsTheLanguageWritesThem)
{
    const TJobCounts counts{1000, 997, 2, 1, 0};
    CurrentLanguage = 2;
    EXPECT_EQ(Messages::JobCounts(counts), "Delivered 997 of 1,000; refused 2; deferred 1");
    EXPECT_EQ(Messages::JobStopped({1234567, 0, 0, 0, 1234567}),
              "Stopped. Delivered 0 of 1,234,567; not sent 1,234,567");
    CurrentLanguage = 1;
    EXPECT_EQ(Messages::JobCounts(counts), "Dostavljeno 997 od 1.000; zavrnjeno 2; odloženo 1");
    EXPECT_EQ(Messages::SendConfirmation(1001, false, false), "Ali naj pošljem to sporočilo 1.001 prejemniku?");
    CurrentLanguage = 2;
    EXPECT_EQ(Messages::SendConfirmation(1, false, false), "Send this message to 1 recipient?");
}

TEST(JobMessages, SendQuestionNamesTheEntriesThatAreNoAddresses)
{
    const std::vector<std::string> entries = {"ana@x.org", "", "bob@", "Ana <ana@x.org>", "x", "y", "z", "u", "v"};
    CurrentLanguage = 2;
    EXPECT_EQ(Messages::NotAddressesWarning({"ana@x.org", "", "Bo <bo@x.org>"}), "");
    EXPECT_EQ(
        Messages::NotAddressesWarning(entries),
        "These entries are not e-mail addresses and get no message:\r  bob@\r  x\r  y\r  z\r  u\r  and 1 more\r\r");
    CurrentLanguage = 1;
    EXPECT_EQ(Messages::NotAddressesWarning({"bob@"}),
              "Ti vnosi niso e-poštni naslovi in ne dobijo sporočila:\r  bob@\r\r");
    CurrentLanguage = 2;
}

}
