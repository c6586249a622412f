// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <QTimer>

#include <chrono>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "support/LoopbackPeers.h"
#include "support/ScriptedServer.h"
#include "support/SessionTestHelpers.h"

namespace {

// A connected session against a scripted server whose script the test writes first.
struct Dialogue {
    ScriptedServer Server;
    std::unique_ptr<CountedSession> Client;

    void Connect()
    {
        Server.Start();
        Client = std::make_unique<CountedSession>(Server.Port());
        Client->Session.Connect();
    }
    TSocketSession& Session() { return Client->Session; }
};

TEST(SocketTransfer, WritelnPutsExactlyTheLineOnTheWire)
{
    Dialogue d;
    d.Server.Expect("QUIT\r\n").Expect("AB").Expect(std::string(65535, 'x')).WaitForClose();
    d.Connect();
    d.Session().Writeln("QUIT");
    d.Session().Write(std::string("AB\0CD", 5)); // a text ends at its first NUL
    d.Session().Write(std::string(65535, 'x'));
    d.Session().Disconnect();
    d.Server.Finish();
}

TEST(SocketTransfer, OverlongWriteSendsNothing)
{
    Dialogue d;
    d.Server.WaitForClose();
    d.Connect();
    EXPECT_THROW(d.Session().Write(std::string(65536, 'x')), ERangeError);
    EXPECT_THROW(d.Session().Writeln(std::string(65534, 'x')), ERangeError);
    d.Session().Disconnect();
    d.Server.Finish();
}

struct ArrivalCase {
    const char* Name;
    friend void PrintTo(const ArrivalCase& c, std::ostream* out) { *out << c.Name; }
    std::string Bytes;
    std::vector<std::size_t> Chunks; // empty: one packet; {1}: byte by byte
    std::vector<std::string> Lines;
};

class SocketReadLn : public testing::TestWithParam<ArrivalCase> { };

TEST_P(SocketReadLn, TakesExactlyOneLinePerCall)
{
    const ArrivalCase& c = GetParam();
    Dialogue d;
    if (c.Chunks.empty())
        d.Server.Send(c.Bytes);
    else if (c.Chunks == std::vector<std::size_t>{1})
        d.Server.SendBytewise(c.Bytes);
    else
        d.Server.SendInChunks(c.Bytes, c.Chunks);
    d.Server.WaitForClose();
    d.Connect();
    for (const std::string& line : c.Lines)
        EXPECT_EQ(d.Session().ReadLn(), line);
    EXPECT_EQ(d.Session().ReplyNumber(), 0); // only Transaction sets it
    d.Session().Disconnect();
    d.Server.Finish();
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SocketReadLn,
    testing::Values(ArrivalCase{"OnePacket", "250 OK\r\n", {}, {"250 OK\r\n"}},
                    ArrivalCase{
                        "TwoLinesOnePacket", "250-first\r\n250 last\r\n", {}, {"250-first\r\n", "250 last\r\n"}},
                    ArrivalCase{"SplitPackets", "250 OK\r\n250 next\r\n", {2, 3, 5}, {"250 OK\r\n", "250 next\r\n"}},
                    ArrivalCase{"ByteByByte", "354 go ahead\r\n", {1}, {"354 go ahead\r\n"}},
                    ArrivalCase{"BareLineFeed", "220 hi\n221 bye\r\n", {}, {"220 hi\n", "221 bye\r\n"}}),
    [](const auto& info) { return std::string(info.param.Name); });

struct ReplyCase {
    const char* Name;
    friend void PrintTo(const ReplyCase& c, std::ostream* out) { *out << c.Name; }
    std::string Reply;
    std::int16_t Number;
};

class SocketTransaction : public testing::TestWithParam<ReplyCase> { };

TEST_P(SocketTransaction, ReadsOneReplyLineAndItsNumber)
{
    const ReplyCase& c = GetParam();
    Dialogue d;
    d.Server.ExpectLine("NOOP").Send(c.Reply).WaitForClose();
    d.Connect();
    EXPECT_EQ(d.Session().Transaction("NOOP"), c.Reply);
    EXPECT_EQ(d.Session().LastReply(), c.Reply);
    EXPECT_EQ(d.Session().ReplyNumber(), c.Number);
    d.Session().Disconnect();
    d.Server.Finish();
}

INSTANTIATE_TEST_SUITE_P(Cases, SocketTransaction,
                         testing::Values(ReplyCase{"Ok", "250 OK\r\n", 250}, ReplyCase{"Data", "354 go\r\n", 354},
                                         ReplyCase{"NoDigits", "OK fine\r\n", 0},
                                         ReplyCase{"AboveSixteenBits", "99999 huge\r\n", 32767},
                                         ReplyCase{"BeyondThirtyTwoBits", "123456789012 x\r\n", 32767},
                                         ReplyCase{"JustInRange", "32767 x\r\n", 32767}),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST(SocketTransfer, MultiLineReplyLeavesFurtherLinesPending)
{
    Dialogue d;
    d.Server.ExpectLine("EHLO me").Send("250-first\r\n250 last\r\n").WaitForClose();
    d.Connect();
    EXPECT_EQ(d.Session().Transaction("EHLO me"), "250-first\r\n");
    EXPECT_EQ(d.Session().ReplyNumber(), 250);
    EXPECT_EQ(d.Session().ReadLn(), "250 last\r\n");
    d.Session().Disconnect();
    d.Server.Finish();
}

TEST(SocketTransfer, TransactionAfterPeerCloseGivesEmptyReply)
{
    Dialogue d;
    d.Server.ExpectLine("NOOP").Close();
    d.Connect();
    EXPECT_EQ(d.Session().Transaction("NOOP"), "");
    EXPECT_EQ(d.Session().ReplyNumber(), 0);
    d.Server.Finish();
}

TEST(SocketTransfer, ReadLnOnAnUnconnectedSessionReturnsEmpty)
{
    TSocketSession session;
    EXPECT_EQ(session.ReadLn(), "");
}

// The line keeps the start that fits the buffer, with its reply code; the rest is
// dropped up to its LF, however it arrives, and the next line is read whole.
TEST(SocketTransfer, OverlongLineKeepsItsStartAndDropsTheRest)
{
    const std::string line = "250 " + std::string(70000, 'x') + "\r\n";
    const std::vector<std::size_t> arrivals[] = {{}, {65536, 1000, 3000}, {70000, 2}};
    for (const auto& chunks : arrivals) {
        Dialogue d;
        d.Server.SendInChunks(line + "251 next\r\n", chunks).WaitForClose();
        d.Connect();
        EXPECT_EQ(d.Session().ReadLn(), line.substr(0, 65536));
        EXPECT_EQ(d.Session().ReadLn(), "251 next\r\n");
        d.Session().Disconnect();
        d.Server.Finish();
    }
}

TEST(SocketTransfer, OverlongLineThatNeverEndsIsEndedByTheTimeOut)
{
    Dialogue d;
    d.Server.Send(std::string(70000, 'x')).WaitForClose();
    d.Connect();
    d.Session().SetTimeOut(200);
    EXPECT_EQ(MessageOf<EAbortError>([&] { d.Session().ReadLn(); }), "Socket readln aborted");
    EXPECT_TRUE(d.Session().ExchangeCut());
    d.Session().Disconnect();
    EXPECT_FALSE(d.Session().ExchangeCut()) << "a close starts afresh";
    d.Server.Finish();
}

// A peer that stops reading fills every buffer; the time-out, counted from the last
// progress, ends the send instead of a wait for ever.
TEST(SocketTransfer, SendStreamToAPeerThatStopsReadingTimesOut)
{
    Dialogue d;
    d.Server.Pause(std::chrono::milliseconds(1500)).DiscardFromHere().WaitForClose();
    d.Connect();
    d.Session().SetTimeOut(300);
    TMemoryStream stream;
    stream.WriteString(std::string(12 << 20, 'b'));
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(MessageOf<EAbortError>([&] { d.Session().SendStream(stream); }), "Socket send aborted");
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(1300));
    EXPECT_GT(d.Session().BytesSent(), 0);
    EXPECT_LT(d.Session().BytesSent(), stream.Size());
    EXPECT_TRUE(d.Session().ExchangeCut());
    d.Session().Disconnect();
    d.Server.Finish();
}

// The time-out counts from the last progress: a peer that takes the text in bursts with
// pauses shorter than the time-out receives all of it, however long the whole takes.
TEST(SocketTransfer, SendStreamToASlowButSteadyPeerIsNotCut)
{
    const std::string part(4 << 20, 'c');
    Dialogue d;
    d.Server.Pause(std::chrono::milliseconds(200))
        .Expect(part)
        .Pause(std::chrono::milliseconds(200))
        .Expect(part)
        .Pause(std::chrono::milliseconds(200))
        .Expect(part);
    d.Connect();
    d.Session().SetTimeOut(350);
    TMemoryStream stream;
    stream.WriteString(part + part + part);
    const auto started = std::chrono::steady_clock::now();
    d.Session().SendStream(stream);
    while (d.Session().PendingOutput() > 0)
        PumpPasses(1);
    EXPECT_TRUE(d.Server.WaitUntilScriptDone());
    EXPECT_GT(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(350));
    d.Session().Disconnect();
    d.Server.Finish();
}

// Records the size of every read, so the chunking of SendStream shows.
class RecordingStream : public TMemoryStream {
public:
    std::vector<std::int64_t> Reads;
    std::int64_t Read(void* buffer, std::int64_t count) override
    {
        Reads.push_back(count);
        return TMemoryStream::Read(buffer, count);
    }
};

TEST(SocketTransfer, SendStreamMovesTheWholeStreamInChunks)
{
    std::string body(200000, '\0');
    for (std::size_t i = 0; i < body.size(); ++i)
        body[i] = static_cast<char>('A' + i % 26);
    Dialogue d;
    d.Server.Expect(body);
    d.Connect();
    RecordingStream stream;
    stream.WriteString(body);
    int packets = 0;
    std::int64_t lastSent = 0;
    bool increasing = true;
    d.Session().OnPacketSent = [&](QObject*) {
        ++packets;
        increasing = increasing && d.Session().BytesSent() > lastSent;
        lastSent = d.Session().BytesSent();
    };
    d.Session().SendStream(stream);
    EXPECT_EQ(stream.Reads, (std::vector<std::int64_t>{65536, 65536, 65536, 3392}));
    EXPECT_GE(packets, 4);
    EXPECT_TRUE(increasing);
    EXPECT_EQ(d.Session().BytesSent(), 200000);
    EXPECT_EQ(d.Session().BytesTotal(), 200000);
    // The end of the text waits for what the caller writes next, and goes out on its own
    // once the program goes idle.
    EXPECT_EQ(d.Session().PendingOutput(), 3392u);
    for (int pass = 0; pass < 20 && d.Session().PendingOutput() > 0; ++pass)
        PumpPasses(1);
    EXPECT_EQ(d.Session().PendingOutput(), 0u);
    // The session resets its connection on close, which would drop bytes in flight.
    EXPECT_TRUE(d.Server.WaitUntilScriptDone());
    d.Session().Disconnect();
    d.Server.Finish();
}

TEST(SocketTransfer, EmptyStreamSendsNothing)
{
    Dialogue d;
    d.Server.WaitForClose();
    d.Connect();
    TMemoryStream empty;
    int packets = 0;
    d.Session().OnPacketSent = [&](QObject*) { ++packets; };
    d.Session().SendStream(empty);
    EXPECT_EQ(packets, 0);
    d.Session().Disconnect();
    d.Server.Finish();
}

// A cancel set before a transfer ends it at once, nothing sent, and is consumed.
TEST(SocketTransfer, PendingCancelEndsEachTransferOnce)
{
    Dialogue d;
    d.Server.WaitForClose();
    d.Connect();
    TMemoryStream stream;
    stream.WriteString("body");
    const std::pair<const char*, std::function<void()>> transfers[] = {
        {"Socket send aborted", [&] { d.Session().Writeln("NOOP"); }},
        {"Socket send aborted", [&] { d.Session().SendStream(stream); }},
        {"Socket readln aborted", [&] { d.Session().ReadLn(); }},
    };
    for (const auto& [message, transfer] : transfers) {
        d.Session().Cancel();
        EXPECT_EQ(MessageOf<EAbortError>(transfer), message);
        EXPECT_FALSE(d.Session().Canceled());
    }
    d.Session().Disconnect();
    d.Server.Finish();
}

TEST(SocketTransfer, CancelFromAHandlerEndsAWaitingRead)
{
    Dialogue d;
    d.Server.WaitForClose();
    d.Connect();
    QTimer::singleShot(50, [&] { d.Session().Cancel(); });
    EXPECT_EQ(MessageOf<EAbortError>([&] { d.Session().ReadLn(); }), "Socket readln aborted");
    EXPECT_FALSE(d.Session().Canceled());
    d.Session().Disconnect();
    d.Server.Finish();
}

TEST(SocketTransfer, TimeOutEndsASilentRead)
{
    Dialogue d;
    d.Server.ExpectLine("NOOP").WaitForClose();
    d.Connect();
    d.Session().SetTimeOut(200);
    EXPECT_EQ(MessageOf<EAbortError>([&] { d.Session().Transaction("NOOP"); }), "Socket readln aborted");
    EXPECT_EQ(d.Session().ReplyNumber(), 0);
    d.Session().Disconnect();
    EXPECT_EQ(d.Server.Received(), "NOOP\r\n");
    d.Server.Finish();
}

TEST(SocketTransfer, NegativeTimeOutMeansNone)
{
    Dialogue d;
    d.Server.ExpectLine("NOOP").Pause(std::chrono::milliseconds(300)).Send("250 OK\r\n").WaitForClose();
    d.Connect();
    d.Session().SetTimeOut(-1);
    EXPECT_EQ(d.Session().Transaction("NOOP"), "250 OK\r\n");
    d.Session().Disconnect();
    d.Server.Finish();
}

// A listener that never accepts: its queued connection takes data until the
// receive window is full, then the sender must wait.
TEST(SocketTransfer, TimeOutEndsASendThatCannotProceed)
{
    const int listener = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(listen(listener, 4), 0);
    getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
    CountedSession s(ntohs(address.sin_port));
    s.Session.Connect();
    s.Session.SetTimeOut(300);
    const std::string block(65535, 'x');
    SocketFailure failure;
    for (int i = 0; i < 2000 && !failure.Raised; ++i)
        failure = SocketFailureOf([&] { s.Session.Write(block); });
    EXPECT_EQ(failure.Message, "Socket send aborted");
    EXPECT_TRUE(failure.Abort);
    EXPECT_EQ(failure.Kind, TSocketErrorKind::TimedOut);
    ::close(listener);
}

// The connect succeeds whenever the session meets the reset; the first send reports it
// with its own number. A send may still go out before the system has taken in the
// reset, so the test sends until one fails.
TEST(SocketTransfer, SendingToAResetPeerRaisesInsteadOfSignalling)
{
    Dialogue d;
    d.Server.Reset();
    d.Connect();
    EXPECT_EQ(d.Client->Connects, 1);
    ASSERT_TRUE(d.Server.WaitUntilScriptDone());
    std::uint16_t reportedNumber = 0;
    std::string reportedText;
    d.Session().OnError = [&](QObject*, std::uint16_t number, const std::string& text) {
        reportedNumber = number;
        reportedText = text;
    };
    SocketFailure failure;
    for (int i = 0; i < 100 && !failure.Raised; ++i) {
        failure = SocketFailureOf([&] { d.Session().Writeln("NOOP"); });
        PumpPasses(1);
    }
    EXPECT_EQ(failure.Message, "10054:Connection reset by peer");
    EXPECT_EQ(failure.Kind, TSocketErrorKind::SendFailed);
    EXPECT_EQ(reportedText, failure.Message);
    EXPECT_EQ(reportedNumber, 10054);
    EXPECT_EQ(d.Session().LastErrorNo(), 10054);
    d.Server.Finish();
}

TEST(SocketTransfer, DataAvailablePeeksAndClearInputDiscards)
{
    Dialogue d;
    d.Server.Send("junk").WaitForClose();
    d.Connect();
    EXPECT_TRUE(PumpUntil([&] { return d.Session().DataAvailable(); }));
    d.Session().ClearInput();
    EXPECT_FALSE(d.Session().DataAvailable());
    d.Session().Disconnect();
    d.Server.Finish();
}

class ListeningSession : public TSocketSession {
public:
    using TSocketSession::Listen;
};

TEST(SocketTransfer, AcceptTakesAnIncomingConnection)
{
    ListeningSession session;
    int accepts = 0;
    session.OnAccept = [&](QObject*) { ++accepts; };
    const std::uint16_t port = session.Listen(0);
    ASSERT_NE(port, 0);
    const int client = ConnectLoopback(port);
    ASSERT_GE(client, 0);
    const int accepted = session.Accept();
    EXPECT_GE(accepted, 0);
    EXPECT_EQ(accepts, 1);
    EXPECT_TRUE(session.Connected());
    ::close(accepted);
    ::close(client);

    session.Cancel();
    EXPECT_EQ(MessageOf<ESocketError>([&] { session.Accept(); }), "Accepting Canceled");
}

} // namespace
