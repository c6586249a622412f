// Every fault a server can commit, at every step of the dialogue, against a job of three
// recipients: the log holds exactly the accepted messages, nothing is sent twice or
// skipped silently, the job ends in time, and the wire carries only what it should.
#include "mail/SmtpClient.h"
#include "workflow/RowsColumn.h"
#include "support/RecordedPause.h"
#include "support/Sandbox.h"
#include "support/ScriptedServer.h"
#include "support/ScriptedUi.h"
#include "workflow/ListColumn.h"
#include "workflow/ProgramState.h"
#include "workflow/SendJob.h"
#include "support/FixedStamps.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>

namespace {

enum class TStep { Greeting, Helo, Rset, MailFrom, RcptTo, Data, Text, Dot, Quit };
enum class TFault { Temporary, Permanent, ShutDown, Close, Reset, Silence, Garbage, Overlong, Split };

const char* StepName(TStep step)
{
    static const char* names[] = {"greeting", "HELO", "RSET", "MAIL FROM", "RCPT TO", "DATA", "text", "dot", "QUIT"};
    return names[static_cast<int>(step)];
}

const char* FaultName(TFault fault)
{
    static const char* names[] = {"4xx", "5xx", "421 then close", "close", "reset", "silence", "garbage",
                                  "over-long line", "split reply"};
    return names[static_cast<int>(fault)];
}

const std::vector<std::string> Recipients = {"a@example.org", "b@example.org", "c@example.org"};
constexpr int FaultyMessage = 1; // faults of a message's steps hit the second one
constexpr int TimeOutMs = 300;
// Large enough that a server that stops reading fills every buffer on the way.
constexpr int LargeBodyLines = 150000;
// How long a server stops reading in the middle of the text: well beyond the time-out, so
// a client that waits it out instead of giving up shows in the job's duration.
constexpr auto SilentReaderMs = std::chrono::milliseconds(TimeOutMs + 1200);


class TWindow : public TSendSettings, public TMessageFields, public TSendProgress {
public:
    bool largeSecondBody = false;
    mutable int bodiesRead = 0;
    std::vector<std::string> states, counters, logLines;

    std::string Name() const override { return "Ana"; }
    std::string Email() const override { return "ana@example.org"; }
    std::string Host() const override { return "127.0.0.1"; }
    std::string UserID() const override { return "pc1"; }
    std::string Charset() const override { return "us-ascii"; }
    std::string Delay() const override { return "0"; }
    std::string Port() const override { return port; }
    void AskForSettings() override {}
    std::string Subject() const override { return "Hello"; }
    TStringList BodyParagraphs() const override
    {
        TStringList body{"Line one", "."};
        if (largeSecondBody && bodiesRead++ == FaultyMessage)
            for (int i = 0; i < LargeBodyLines; ++i)
                body.Add(std::string(78, 'b'));
        return body;
    }
    int FormatIndex() const override { return 0; }
    std::string AttachmentPath() const override { return {}; }
    void ShowState(const std::string& text) override { states.push_back(text); }
    void ShowCounter(const std::string& text) override { counters.push_back(text); }
    void ShowLogWindow() override {}
    void ClearLog() override { logLines.clear(); }
    void AppendLogLine(const std::string& line) override { logLines.push_back(line); }
    void Flush() override {}

    std::string port;
};

std::string ReplyOf(TStep step)
{
    switch (step) {
    case TStep::Greeting: return "220 ready\r\n";
    case TStep::Helo: return "250 hi\r\n";
    case TStep::Data: return "354 go on\r\n";
    case TStep::Dot: return "250 queued\r\n";
    case TStep::Quit: return "221 bye\r\n";
    default: return "250 ok\r\n";
    }
}

std::string HeaderBlock(const std::string& entry)
{
    return "From: Ana<ana@example.org>\r\nTo: " + entry + "\r\nSubject: Hello\r\nX-Mailer: Varnolt Pelmar 0.8\r\n"
           + FixedStampLines + "Mime-Version: 1.0\r\nContent-Type: text/plain; charset=us-ascii\r\n\r\n\r\n";
}

struct TRow {
    TStep step;
    TFault fault;

    // An over-long or split reply still says what the server means.
    bool Benign() const { return step != TStep::Text && (fault == TFault::Overlong || fault == TFault::Split); }
    bool Fails() const { return step != TStep::Quit && !Benign(); }
    int Delivered() const
    {
        if (!Fails())
            return static_cast<int>(Recipients.size());
        return step <= TStep::Helo ? 0 : FaultyMessage;
    }
    bool RefusesRecipient() const
    {
        return step == TStep::RcptTo
            && (fault == TFault::Temporary || fault == TFault::Permanent || fault == TFault::ShutDown);
    }
};

// Writes the dialogue of a job of three messages, with the row's fault at its step.
class TScript {
public:
    TScript(ScriptedServer& server, TRow row) : S(server), Row(row) {}

    void Write()
    {
        if (!Step(TStep::Greeting, "") || !Step(TStep::Helo, "HELO pc1"))
            return;
        for (int message = 0; message < static_cast<int>(Recipients.size()); ++message)
            if (!Message(message))
                return;
        Step(TStep::Quit, "QUIT");
    }

private:
    ScriptedServer& S;
    TRow Row;

    bool Message(int index)
    {
        const std::string& entry = Recipients[static_cast<size_t>(index)];
        const bool faulty = index == FaultyMessage;
        return Step(TStep::Rset, "RSET", faulty) && Step(TStep::MailFrom, "MAIL FROM:<ana@example.org>", faulty)
            && Step(TStep::RcptTo, "RCPT TO:<" + entry + ">", faulty) && Step(TStep::Data, "DATA", faulty)
            && Text(entry, faulty) && Step(TStep::Dot, ".", faulty);
    }

    bool Text(const std::string& entry, bool faulty)
    {
        if (!faulty || Row.step != TStep::Text) {
            S.Expect(HeaderBlock(entry) + "Line one\r\n..\r\n");
            return true;
        }
        S.Expect(HeaderBlock(entry));
        // A server that gives up in the middle of the text stops reading what follows.
        if (Row.fault == TFault::Silence) {
            S.Pause(SilentReaderMs).DiscardFromHere().WaitForClose();
            return false;
        }
        S.DiscardFromHere();
        if (Row.fault == TFault::Reset) {
            S.Reset();
            return false;
        }
        if (Row.fault != TFault::Close)
            Fault("451 4.3.0 aborted\r\n");
        S.Close();
        return false;
    }

    // The command (none for the greeting) and its reply; false when the dialogue ends here.
    bool Step(TStep step, const std::string& command, bool faulty = true)
    {
        if (!command.empty())
            S.ExpectLine(command);
        if (!faulty || step != Row.step) {
            S.Send(ReplyOf(step));
            return true;
        }
        return AfterFault(step);
    }

    // Sends the fault in place of the reply to step.
    void Fault(const std::string& meant)
    {
        const std::string code = meant.substr(0, 3);
        switch (Row.fault) {
        case TFault::Temporary: S.Send("451 4.3.0 try later\r\n"); break;
        case TFault::Permanent: S.Send("554 5.7.1 refused\r\n"); break;
        case TFault::ShutDown: S.Send("421 4.3.2 shutting down\r\n"); break;
        case TFault::Garbage: S.Send("\x16\x03\x01 hello?\r\n"); break;
        case TFault::Overlong: S.Send(code + " " + std::string(70000, 'x') + "\r\n"); break;
        case TFault::Split:
            // In the text the server reads nothing while it replies: a reply spread over
            // longer than the time-out would be a silence.
            if (Row.step == TStep::Text)
                S.SendInChunks(meant, {3});
            else
                S.SendBytewise(meant);
            break;
        default: break;
        }
    }

    bool AfterFault(TStep step)
    {
        switch (Row.fault) {
        case TFault::Close: S.Close(); return false;
        case TFault::Reset: S.Reset(); return false;
        case TFault::Silence: S.WaitForClose(); return false; // no QUIT may follow a time-out
        case TFault::ShutDown:
            Fault(ReplyOf(step));
            S.DiscardFromHere().Close();
            return false;
        default: break;
        }
        Fault(ReplyOf(step));
        if (Row.Benign())
            return true;
        if (Row.RefusesRecipient())
            S.ExpectLine("DATA").Send("554 5.5.1 no valid recipients\r\n");
        if (step != TStep::Quit)
            S.ExpectLine("QUIT").Send("221 bye\r\n");
        S.WaitForClose();
        return false;
    }
};

std::vector<std::string> titles;

class FaultMatrix : public ::testing::Test {
protected:
    TSandbox Sandbox;
    TScriptedUi Ui;
    TRecordedPause Pause;
    TSmtpClient Smtp;
    TRowsColumn Entries{Recipients};
    TWindow Window;
    TSendJob Job{Smtp, Entries, Window, Window, Window};
    std::vector<std::string> Fired;

    void SetUp() override
    {
        SetApplicationTitleObserver([](const std::string& title) { titles.push_back(title); });
        Job.Stamps = FixedStamps();
        Smtp.SetTimeOut(TimeOutMs);
        Smtp.OnDisconnect = [this](QObject* s) { Job.SMTPDisconnect(s); };
        Smtp.OnConnect = [this](QObject* s) { Fired.push_back("connect"); Job.SMTPConnect(s); };
        Smtp.OnConnectionFailed = [this](QObject* s) { Job.SMTPConnectionFailed(s); };
        Smtp.OnRecipientNotFound = [this](const std::string& r) { Fired.push_back("not found " + r); Job.SMTPRecipientNotFound(r); };
        Smtp.OnSendStart = [this](QObject* s) { Fired.push_back("start"); Job.SMTPSendStart(s); };
        Smtp.OnSuccess = [this](QObject* s) { Fired.push_back("success"); Job.SMTPSuccess(s); };
        Smtp.OnFailure = [this](QObject* s) { Fired.push_back("failure"); Job.SMTPFailure(s); };
        Smtp.OnAuthenticationFailed = [this](bool& h) { Fired.push_back("auth failed"); Job.SMTPAuthenticationFailed(h); };
    }
    void TearDown() override { SetApplicationTitleObserver(nullptr); }

    std::string LogFile() const { return Sandbox.ProgramFolder() + "log.txt"; }

    void RunRow(TRow row)
    {
        ScriptedServer server;
        TScript(server, row).Write();
        Window = TWindow();
        Window.port = std::to_string(server.Port());
        Window.largeSecondBody = row.step == TStep::Text;
        Ui.Events.clear();
        Fired.clear();
        titles.clear();
        std::ofstream(LogFile(), std::ios::binary) << "an earlier job\r\n";
        server.Start();
        const auto started = std::chrono::steady_clock::now();
        Job.Run();
        const auto took = std::chrono::steady_clock::now() - started;
        server.Finish();
        Check(row, took);
    }

    void Check(TRow row, std::chrono::steady_clock::duration took)
    {
        const int delivered = row.Delivered();
        const int total = static_cast<int>(Recipients.size());
        EXPECT_EQ(Ui.Events, std::vector<std::string>{row.Fails() ? "message:Connect failed" : "beep"});

        std::vector<std::string> counters, expectedTitles, expectedFired, fileLines;
        for (int i = 1; i <= delivered; ++i) {
            counters.push_back(std::to_string(i) + "/" + std::to_string(total));
            expectedTitles.push_back("Varnolt Pelmar " + counters.back());
        }
        if (!row.Fails()) {
            counters.push_back(std::to_string(total) + " messages sent.");
            expectedTitles.push_back("Varnolt Pelmar");
        }
        EXPECT_EQ(Window.counters, counters) << "panel 2";
        EXPECT_EQ(titles, expectedTitles);

        // The log: one line per accepted message, in order, in the window and the file.
        ASSERT_EQ(Window.logLines.size(), static_cast<size_t>(delivered));
        for (int i = 0; i < delivered; ++i) {
            const std::string end = ": " + Recipients[static_cast<size_t>(i)] + "...   OK.";
            const std::string& line = Window.logLines[static_cast<size_t>(i)];
            EXPECT_EQ(line.substr(line.size() - std::min(line.size(), end.size())), end);
            fileLines.push_back(line + "\r\n");
        }
        std::string file;
        for (const auto& line : fileLines)
            file += line;
        EXPECT_EQ(ReadFileBytes(LogFile()), delivered ? file : "an earlier job\r\n")
            << "a job that delivered nothing leaves the file alone";

        // Events, in order: one start and one success per delivered message.
        if (row.step > TStep::Helo || row.Benign())
            expectedFired.push_back("connect");
        else if (row.step == TStep::Helo
                 && (row.fault == TFault::Temporary || row.fault == TFault::Permanent || row.fault == TFault::ShutDown))
            expectedFired.push_back("auth failed");
        for (int i = 0; i < delivered; ++i)
            expectedFired.insert(expectedFired.end(), {"start", "success"});
        if (row.Fails() && row.step > TStep::Helo) {
            expectedFired.push_back("start");
            if (row.RefusesRecipient())
                expectedFired.push_back("not found " + Recipients[FaultyMessage]);
            if (row.step == TStep::Dot && (row.fault == TFault::Temporary || row.fault == TFault::Permanent
                                           || row.fault == TFault::ShutDown))
                expectedFired.push_back("failure");
        }
        // A reply sent in the middle of the text races the rest of it: the client may meet
        // the closed connection first, or finish the text and read that reply as the
        // refusal of the message. Either way the job fails; only OnFailure differs.
        if (row.step == TStep::Text)
            std::erase(Fired, std::string("failure"));
        EXPECT_EQ(Fired, expectedFired);
        ASSERT_FALSE(Window.states.empty());
        EXPECT_EQ(Window.states.back(), "Disconnected") << "panel 1";
        EXPECT_FALSE(Smtp.Connected());

        const auto limit = std::chrono::milliseconds(TimeOutMs + 1000);
        if (row.fault == TFault::Silence) {
            EXPECT_LT(took, limit) << "a silent server is given up after the time-out, once";
        }
    }
};

TEST_F(FaultMatrix, EveryFaultAtEveryStepKeepsTheDeliveryGuarantees)
{
    const TStep steps[] = {TStep::Greeting, TStep::Helo, TStep::Rset, TStep::MailFrom, TStep::RcptTo,
                           TStep::Data,     TStep::Text, TStep::Dot,  TStep::Quit};
    const TFault faults[] = {TFault::Temporary, TFault::Permanent, TFault::ShutDown, TFault::Close,  TFault::Reset,
                             TFault::Silence,   TFault::Garbage,   TFault::Overlong, TFault::Split};
    for (TStep step : steps) {
        for (TFault fault : faults) {
            SCOPED_TRACE(std::string(FaultName(fault)) + " at " + StepName(step));
            RunRow({step, fault});
        }
    }
}

} // namespace
