// SPDX-License-Identifier: GPL-3.0-or-later
// Every fault a server can commit, at every step of the dialogue, against a job of three
// recipients whose second message meets the fault. A refused or deferred message lets the
// job go on (a deferred one is tried again after the pass); a broken connection is made
// again and the message it cut off goes again; a final dot whose reply was lost counts as
// deferred and goes once more. The log, the counters and the history hold exactly what the
// server decided, and the wire carries only what it should.
#include "mail/SmtpClient.h"
#include "support/FakeJobWindow.h"
#include "support/FixedStamps.h"
#include "support/JobMatrix.h"
#include "support/RecordedPause.h"
#include "support/Sandbox.h"
#include "support/ScriptedServer.h"
#include "support/ScriptedUi.h"
#include "workflow/history/DeliveryHistory.h"
#include "workflow/history/HistoryAccess.h"
#include "workflow/job/JobMessages.h"
#include "workflow/job/SendJob.h"
#include "workflow/lists/RowsColumn.h"
#include "workflow/program/ProgramState.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <functional>
#include <optional>

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
    static const char* names[] = {"4xx",     "5xx",     "421 then close", "close",      "reset",
                                  "silence", "garbage", "over-long line", "split reply"};
    return names[static_cast<int>(fault)];
}

const std::vector<std::string>& Recipients = MatrixRecipients;
constexpr int FaultyMessage = 1; // faults of a message's steps hit the second one
constexpr int TimeOutSeconds = 1;
// Large enough that a server that stops reading fills every buffer on the way.
constexpr std::size_t LargeAttachmentBytes = 12 << 20;
// How long a silent server would keep the client waiting: far beyond the time-out, so
// that a client that waits it out instead of giving up shows, however loaded the machine
// (a job under a sanitizer on a busy machine may take seconds to reach the silent step;
// a server silent at another step waits even longer, until the script gives up).
constexpr auto SilentReaderMs = std::chrono::milliseconds(8000);
const std::string Temporary = "451 4.3.0 try later";
const std::string Permanent = "554 5.7.1 refused";
const std::string Queued = "250 queued";

// What the job makes of the row's fault.
enum class TKind {
    Fine,          // nothing the job notices: all three delivered in order
    ConnectFailed, // the server was never reached
    Refused,       // the second entry refused, the third delivered
    Deferred,      // the second deferred, the third delivered, the second again in the retry round
    Reconnect,     // the connection broke before the second message's dot: again at once on a new one
    LostDot,       // the second message's dot went out unanswered: deferred, the third on a new
                   // connection, then the second once more
};

struct TRow {
    TStep step;
    TFault fault;

    // An over-long or split reply still says what the server means.
    bool Benign() const { return step != TStep::Text && (fault == TFault::Overlong || fault == TFault::Split); }
    TKind Kind() const
    {
        if (Benign() || step == TStep::Quit)
            return TKind::Fine;
        if (step <= TStep::Helo)
            return TKind::ConnectFailed;
        if (step == TStep::Text || fault == TFault::ShutDown)
            return TKind::Reconnect;
        if (fault == TFault::Temporary || fault == TFault::Permanent) {
            if (step == TStep::Rset) // a session that cannot even be reset is started anew
                return TKind::Reconnect;
            return fault == TFault::Temporary ? TKind::Deferred : TKind::Refused;
        }
        return step == TStep::Dot ? TKind::LostDot : TKind::Reconnect;
    }
    // The messages the server took, by index, in order.
    std::vector<int> Accepted() const
    {
        switch (Kind()) {
        case TKind::ConnectFailed: return {};
        case TKind::Refused: return {0, 2};
        case TKind::Deferred:
        case TKind::LostDot: return {0, 2, 1};
        default: return {0, 1, 2};
        }
    }
    std::vector<std::int32_t> Waits() const
    {
        switch (Kind()) {
        case TKind::Deferred: return {60000};
        case TKind::Reconnect: return {2000};
        case TKind::LostDot: return {2000, 60000};
        default: return {};
        }
    }
};

// The text ends in a line "." (dot-stuffed on the wire). The job reads the attachment's
// name once for the message's fingerprint, then once for every message: the second
// message's first try is large (a fault in the middle of its text), its second try and the
// others have none.
class TWindow : public TFakeJobWindow {
public:
    explicit TWindow(std::string largeAttachment = {})
    {
        body = TStringList{"Line one", "."};
        attachmentRead = [large = std::move(largeAttachment), reads = 0]() mutable {
            return reads++ == FaultyMessage + 1 ? large : std::string();
        };
    }
};

std::string ReplyOf(TStep step)
{
    switch (step) {
    case TStep::Greeting: return "220 ready\r\n";
    case TStep::Helo: return "250 hi\r\n";
    case TStep::Data: return "354 go on\r\n";
    case TStep::Dot: return Queued + "\r\n";
    case TStep::Quit: return "221 bye\r\n";
    default: return "250 ok\r\n";
    }
}

std::string HeaderBlock(const std::string& entry)
{
    return "From: Ana<ana@example.org>\r\nTo: " + entry + "\r\nSubject: Hello\r\nX-Mailer: Varnolt Pelmar 0.8\r\n"
        + FixedStampLines + "Mime-Version: 1.0\r\nContent-Type: text/plain; charset=us-ascii\r\n\r\n\r\n";
}

// Writes the dialogue the row's job should have, with the fault at its step.
class TScript {
public:
    TScript(ScriptedServer& server, TRow row) : S(server), Row(row) { }

    void Write()
    {
        if (!Step(TStep::Greeting, "") || !Step(TStep::Helo, "HELO pc1"))
            return;
        bool faultDone = false;
        for (int message : Order()) {
            Transaction(message, message == FaultyMessage && !faultDone);
            faultDone = faultDone || message == FaultyMessage;
        }
        Step(TStep::Quit, "QUIT");
    }

private:
    ScriptedServer& S;
    TRow Row;

    // The messages in the order the server sees them, a message met by a fault included.
    std::vector<int> Order() const
    {
        switch (Row.Kind()) {
        case TKind::Deferred:
        case TKind::LostDot: return {0, 1, 2, 1};
        case TKind::Reconnect: return {0, 1, 1, 2};
        default: return {0, 1, 2};
        }
    }

    // A message's transaction; the faulty one ends at its fault unless the fault is benign.
    void Transaction(int index, bool faulty)
    {
        const std::string& entry = Recipients[static_cast<size_t>(index)];
        const std::pair<TStep, std::string> commands[] = {{TStep::Rset, "RSET"},
                                                          {TStep::MailFrom, "MAIL FROM:<ana@example.org>"},
                                                          {TStep::RcptTo, "RCPT TO:<" + entry + ">"},
                                                          {TStep::Data, "DATA"}};
        const auto faultAt = [&](TStep step) { return faulty && step == Row.step && !Row.Benign(); };
        for (const auto& [step, command] : commands) {
            S.ExpectLine(command);
            if (faultAt(step))
                return AfterFault();
            Reply(step, faulty);
        }
        if (faultAt(TStep::Text))
            return TextFault(entry);
        S.Expect(HeaderBlock(entry) + "Line one\r\n..\r\n").ExpectLine(".");
        if (faultAt(TStep::Dot))
            return AfterFault();
        Reply(TStep::Dot, faulty);
    }

    // The step's reply: over-long or split when the row's benign fault is here.
    void Reply(TStep step, bool faulty)
    {
        const std::string meant = ReplyOf(step);
        if (!faulty || step != Row.step)
            S.Send(meant);
        else if (Row.fault == TFault::Overlong)
            S.Send(meant.substr(0, 3) + " " + std::string(70000, 'x') + "\r\n");
        else
            S.SendBytewise(meant);
    }

    void TextFault(const std::string& entry)
    {
        const std::string header = HeaderBlock(entry);
        S.Expect(header.substr(0, header.find("Content-Type:"))); // then the attachment's parts
        // A server that gives up in the middle of the text stops reading what follows.
        if (Row.fault == TFault::Silence)
            S.Pause(SilentReaderMs).DiscardFromHere().WaitForClose();
        else {
            // The server stops reading and goes away while most of the text is still to
            // come (more than the socket buffers hold), so the client cannot take a reply
            // sent meanwhile for the final dot's: the text is cut, whatever the server said.
            if (Row.fault != TFault::Close && Row.fault != TFault::Reset)
                FaultReply();
            S.Reset();
        }
        Reconnected();
    }

    void FaultReply()
    {
        switch (Row.fault) {
        case TFault::Temporary: S.Send(Temporary + "\r\n"); break;
        case TFault::Permanent: S.Send(Permanent + "\r\n"); break;
        case TFault::ShutDown: S.Send("421 4.3.2 shutting down\r\n"); break;
        case TFault::Garbage: S.Send("\x16\x03\x01 hello?\r\n"); break;
        case TFault::Overlong: S.Send("451 " + std::string(70000, 'x') + "\r\n"); break;
        case TFault::Split: S.SendInChunks("451 4.3.0 aborted\r\n", {3}); break;
        default: break;
        }
    }

    void AfterFault()
    {
        switch (Row.Kind()) {
        case TKind::Refused:
        case TKind::Deferred:
            FaultReply();
            if (Row.step == TStep::RcptTo)
                S.ExpectLine("DATA").Send("554 5.5.1 no valid recipients\r\n");
            return;
        default: break;
        }
        switch (Row.fault) {
        case TFault::Close: S.Close(); break;
        case TFault::Reset: S.Reset(); break;
        case TFault::ShutDown:
            FaultReply();
            S.DiscardFromHere().Close();
            break;
        default:
            FaultReply();
            S.WaitForClose();
            break; // no QUIT: the server's state is unknown
        }
        Reconnected();
    }

    void Reconnected()
    {
        S.AcceptNext().Send(ReplyOf(TStep::Greeting)).ExpectLine("HELO pc1").Send(ReplyOf(TStep::Helo));
    }

    // The greeting, HELO or QUIT; false when the dialogue ends here.
    bool Step(TStep step, const std::string& command)
    {
        if (!command.empty())
            S.ExpectLine(command);
        if (step != Row.step || Row.Benign()) {
            Reply(step, true);
            return true;
        }
        switch (Row.fault) {
        case TFault::Close: S.Close(); return false;
        case TFault::Reset: S.Reset(); return false;
        case TFault::Silence: S.WaitForClose(); return false; // no QUIT may follow a time-out
        case TFault::ShutDown:
            FaultReply();
            S.DiscardFromHere().Close();
            return false;
        default: break;
        }
        FaultReply();
        if (step != TStep::Quit)
            S.ExpectLine("QUIT").Send("221 bye\r\n");
        S.WaitForClose();
        return false;
    }
};

class FaultMatrix : public TJobMatrix<TWindow> {
protected:
    std::optional<std::chrono::steady_clock::time_point> FirstDrop;

    void SetUp() override
    {
        TJobMatrix::SetUp();
        Smtp.OnDisconnect = [this](QObject* s) {
            if (!FirstDrop)
                FirstDrop = std::chrono::steady_clock::now();
            Job.SMTPDisconnect(s);
        };
        // The first wait on a silent server is the one measured; a new connection may take
        // as long as the machine needs.
        Pause.OnPause = [this] { Smtp.SetTimeOut(10000); };
    }

    // More than the socket buffers of both ends hold, so that the text is still being
    // written when the server goes away.
    std::string LargeAttachment()
    {
        if (FLargeAttachment.empty())
            FLargeAttachment = Sandbox.MakeFile("large.bin", std::string(LargeAttachmentBytes, 'b'));
        return FLargeAttachment;
    }
    std::string FLargeAttachment;

    // script: the dialogue when it is not the row's own.
    void RunRow(TRow row, const std::function<void(ScriptedServer&)>& script = {})
    {
        ScriptedServer server;
        if (script)
            script(server);
        else
            TScript(server, row).Write();
        Window = TWindow(row.step == TStep::Text ? LargeAttachment() : std::string());
        Window.account.Port = server.Port();
        Window.account.TimeOut = TimeOutSeconds;
        Ui.Events.clear();
        Pause.Pauses.clear();
        MatrixTitles.clear();
        FirstDrop.reset();
        std::ofstream(LogFile(), std::ios::binary) << "an earlier job\r\n";
        const std::size_t jobsBefore = History.History().Jobs().size();
        server.Start();
        const auto started = std::chrono::steady_clock::now();
        const TJobResult result = Job.Run({false, TResumeChoice::Restart, {}});
        server.Finish();
        CheckScreen(row, result);
        CheckLog(row);
        CheckHistory(row, jobsBefore);
        EXPECT_EQ(Pause.Pauses, row.Waits());
        EXPECT_FALSE(Smtp.Connected());
        if (row.fault == TFault::Silence && row.step != TStep::Quit) {
            ASSERT_TRUE(FirstDrop.has_value());
            EXPECT_GE(*FirstDrop - started, std::chrono::seconds(TimeOutSeconds)) << "the time-out was waited";
            EXPECT_LT(*FirstDrop - started, SilentReaderMs) << "a silent server is given up after the time-out";
        }
    }

    void CheckScreen(TRow row, const TJobResult& result)
    {
        std::vector<std::string> events = {"beep"};
        std::string end;
        if (row.Kind() == TKind::ConnectFailed) {
            events = {"message:Connect failed"};
            EXPECT_EQ(result.End, TJobEnd::ConnectFailed);
        } else {
            EXPECT_EQ(result.End, TJobEnd::Finished);
            end = row.Kind() == TKind::Refused ? "Delivered 2 of 3; refused 1" : "3 messages sent.";
            if (row.Kind() == TKind::Refused)
                events = {"message:" + end};
            EXPECT_EQ(result.Message, end);
        }
        CheckCountersAndTitles(static_cast<long>(row.Accepted().size()), end);
        EXPECT_EQ(Ui.Events, events);
    }

    // One line per outcome, in the window and the file alike; a job that logs nothing
    // leaves the file alone.
    void CheckLog(TRow row)
    {
        std::vector<std::string> expected;
        for (int index : row.Accepted())
            expected.push_back(Recipients[static_cast<size_t>(index)] + "...   OK.");
        const std::string second = Recipients[FaultyMessage] + "...   ";
        switch (row.Kind()) {
        case TKind::Refused: expected.insert(expected.begin() + 1, second + Permanent); break;
        case TKind::Deferred: expected.insert(expected.begin() + 1, second + Temporary); break;
        case TKind::LostDot: expected.insert(expected.begin() + 1, second + Messages::ReplyLost()); break;
        default: break;
        }
        EXPECT_EQ(LoggedOutcomes("an earlier job\r\n"), expected);
    }

    void CheckHistory(TRow row, std::size_t jobsBefore)
    {
        TDeliveryHistory& history = History.History();
        const std::vector<TJobSummary> jobs = history.Jobs();
        if (row.Kind() == TKind::ConnectFailed) {
            ASSERT_EQ(jobs.size(), jobsBefore + 1) << "a job that never reached the server is listed";
            EXPECT_FALSE(jobs.front().failure.empty());
            EXPECT_TRUE(history.Entries(jobs.front().id).empty()) << "with no entry tried";
            return;
        }
        ASSERT_EQ(jobs.size(), jobsBefore + 1);
        EXPECT_TRUE(jobs.front().ended.isValid());
        const std::vector<TEntryRecord> entries = history.Entries(jobs.front().id);
        ASSERT_EQ(entries.size(), 3u);
        for (int i = 0; i < 3; ++i) {
            const TEntryRecord& entry = entries[static_cast<size_t>(i)];
            const bool refused = i == FaultyMessage && row.Kind() == TKind::Refused;
            EXPECT_EQ(entry.outcome, refused ? TOutcome::Refused : TOutcome::Delivered) << i;
            // The over-long reply to the final dot still says "250": it is kept as it came.
            const bool longDotReply = i == FaultyMessage && row.step == TStep::Dot && row.fault == TFault::Overlong;
            if (longDotReply)
                EXPECT_EQ(entry.reply.substr(0, 8), "250 xxxx") << i;
            else
                EXPECT_EQ(entry.reply, refused ? Permanent : Queued) << i;
            EXPECT_EQ(entry.messageId, "<u1@example.org>");
            const bool lost = i == FaultyMessage && row.Kind() == TKind::LostDot;
            EXPECT_EQ(entry.note, lost ? Messages::ReplyLostNote() : "") << i;
        }
    }
};

TEST_F(FaultMatrix, EveryFaultAtEveryStepKeepsTheDeliveryGuarantees)
{
    const TStep steps[] = {TStep::Greeting, TStep::Helo, TStep::Rset, TStep::MailFrom, TStep::RcptTo,
                           TStep::Data,     TStep::Text, TStep::Dot,  TStep::Quit};
    const TFault faults[] = {TFault::Temporary, TFault::Permanent, TFault::ShutDown, TFault::Close, TFault::Reset,
                             TFault::Silence,   TFault::Garbage,   TFault::Overlong, TFault::Split};
    for (TStep step : steps) {
        for (TFault fault : faults) {
            SCOPED_TRACE(std::string(FaultName(fault)) + " at " + StepName(step));
            RunRow({step, fault});
        }
    }
}

// A server may go on to DATA and take the text after refusing the only recipient: the
// refusal decides, whatever the final dot's reply says.
TEST_F(FaultMatrix, ARefusedRecipientStaysRefusedWhenTheServerTakesTheTextAllTheSame)
{
    RunRow({TStep::RcptTo, TFault::Permanent}, [](ScriptedServer& server) {
        server.Send(ReplyOf(TStep::Greeting)).ExpectLine("HELO pc1").Send(ReplyOf(TStep::Helo));
        for (const std::string& entry : Recipients) {
            const bool refused = entry == Recipients[FaultyMessage];
            server.ExpectLine("RSET")
                .Send("250 ok\r\n")
                .ExpectLine("MAIL FROM:<ana@example.org>")
                .Send("250 ok\r\n")
                .ExpectLine("RCPT TO:<" + entry + ">")
                .Send(refused ? Permanent + "\r\n" : "250 ok\r\n")
                .ExpectLine("DATA")
                .Send(ReplyOf(TStep::Data))
                .Expect(HeaderBlock(entry) + "Line one\r\n..\r\n.\r\n")
                .Send(ReplyOf(TStep::Dot));
        }
        server.ExpectLine("QUIT").Send(ReplyOf(TStep::Quit)).WaitForClose();
    });
}

} // namespace
