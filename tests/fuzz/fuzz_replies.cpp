// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzzes the reply reader: ReadLn, Transaction and the SMTP client's reply handling,
// against a fake server on loopback whose replies come from the fuzz input.
//
// The input is a list of reply segments, one per thing the client waits for (the
// greeting, then every command and the end of the text), each with the points where
// the server splits it into separate writes. When the segments run out, or a segment
// holds no finished reply, the server closes the connection, so the client never has
// a reason to wait: a job that runs into the time-out is a hang.
//
// The guarantee checked: a message counts as delivered exactly when the server accepted at
// least one of its recipients and its reply to the final dot carries a code below 400
// (RFC 5321 section 4.2); a message no recipient was accepted for has no one to go to,
// whatever the server then says to its text.
#include "mail/SmtpClient.h"

#include <QCoreApplication>
#include <arpa/inet.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fuzzer/FuzzedDataProvider.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

constexpr int ClientTimeOutMs = 5000;

struct Segment {
    std::string bytes;
    std::vector<std::size_t> splits; // ascending offsets where a new write starts
};

// The reading rule of the client, written down on its own: lines end at LF; a reply
// goes on after a line with "-" in its fourth place or one starting with a blank.
// Returns the length of the first whole reply, or npos when the segment holds none.
std::size_t FirstReplyLength(const std::string& segment, std::string& firstLine)
{
    std::size_t start = 0;
    while (start < segment.size()) {
        const std::size_t lineFeed = segment.find('\n', start);
        if (lineFeed == std::string::npos)
            return std::string::npos;
        const std::string line = segment.substr(start, lineFeed + 1 - start);
        if (start == 0)
            firstLine = line;
        start = lineFeed + 1;
        const bool more = line[0] == ' ' || (line.size() > 3 && line[3] == '-');
        if (!more)
            return start;
    }
    return std::string::npos;
}

// The code of a reply line: its leading decimal digits, at most ten of them.
long long ReplyCode(const std::string& line)
{
    long long value = 0;
    for (std::size_t i = 0; i < line.size() && i < 10 && line[i] >= '0' && line[i] <= '9'; ++i)
        value = value * 10 + (line[i] - '0');
    return value;
}

// The reply's code lies within [least, most]; a segment with no whole reply accepts nothing.
bool CodeWithin(const Segment& reply, long long least, long long most)
{
    std::string firstLine;
    if (FirstReplyLength(reply.bytes, firstLine) == std::string::npos)
        return false;
    const long long code = ReplyCode(firstLine);
    return code >= least && code <= most;
}

bool Accepts(const Segment& reply)
{
    return CodeWithin(reply, 100, 399);
}

// The client's rule for a recipient: 2xx, and the odd 1xx or 300, take it; 3xx beyond
// 300, 4xx and 5xx refuse it.
bool AcceptsRecipient(const Segment& reply)
{
    return CodeWithin(reply, 100, 300);
}

// PELMAR_FUZZ_TRACE=1 prints the dialogue, for reading a fault the fuzzer found.
const bool Trace = std::getenv("PELMAR_FUZZ_TRACE") != nullptr;

void TraceBytes(const char* who, const std::string& bytes)
{
    if (!Trace)
        return;
    std::fprintf(stderr, "%s ", who);
    for (unsigned char c : bytes)
        std::fprintf(stderr, c >= 32 && c < 127 && c != '\\' ? "%c" : "\\x%02x", c);
    std::fprintf(stderr, "\n");
}

int Listener = -1;
std::uint16_t ListenerPort = 0;

void OpenListener()
{
    Listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (Listener < 0 || ::bind(Listener, reinterpret_cast<sockaddr*>(&address), length) != 0
        || ::listen(Listener, 4) != 0 || ::getsockname(Listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        std::perror("fuzz listener");
        std::abort();
    }
    ListenerPort = ntohs(address.sin_port);
}

// The fake server: one connection, replies from the segments, in order.
class Peer {
public:
    explicit Peer(std::vector<Segment> segments) : FSegments(std::move(segments)) { }

    void Run()
    {
        FSocket = ::accept4(Listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (FSocket < 0)
            return;
        const int on = 1;
        ::setsockopt(FSocket, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        bool open = Answer();
        std::string line;
        while (open && ReadLine(line)) {
            TraceBytes("C:", line);
            if (FAfterData && line.rfind("From: ", 0) == 0) {
                if (!ReadUntilFinalDot())
                    break;
                if (FRecipientAccepted)
                    DotReplies.push_back(FNext);
            }
            FAfterData = line == "DATA\r\n";
            if (line.rfind("MAIL FROM:", 0) == 0)
                FRecipientAccepted = false;
            const bool recipient = line.rfind("RCPT TO:", 0) == 0;
            const std::size_t reply = FNext;
            open = Answer();
            if (recipient && reply < FSegments.size() && AcceptsRecipient(FSegments[reply]))
                FRecipientAccepted = true;
        }
        ::close(FSocket);
    }

    // Index of the segment sent in reply to each final dot of a message with a recipient.
    std::vector<std::size_t> DotReplies;
    const std::vector<Segment>& Segments() const { return FSegments; }

private:
    // Sends the next segment; false when the connection was closed instead.
    bool Answer()
    {
        if (FNext >= FSegments.size())
            return false;
        const Segment& segment = FSegments[FNext++];
        TraceBytes("S:", segment.bytes);
        for (std::size_t split : segment.splits)
            TraceBytes("  split at", std::to_string(split));
        std::size_t from = 0;
        for (std::size_t split : segment.splits) {
            SendAll(segment.bytes.substr(from, split - from));
            from = split;
        }
        SendAll(segment.bytes.substr(from));
        std::string firstLine;
        return FirstReplyLength(segment.bytes, firstLine) != std::string::npos;
    }

    void SendAll(const std::string& bytes)
    {
        for (std::size_t sent = 0; sent < bytes.size();) {
            const ssize_t n = ::send(FSocket, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
            if (n <= 0)
                return;
            sent += static_cast<std::size_t>(n);
        }
    }

    bool ReadLine(std::string& line)
    {
        line.clear();
        char c = 0;
        while (::recv(FSocket, &c, 1, 0) == 1) {
            line += c;
            if (c == '\n')
                return true;
        }
        return false;
    }

    bool ReadUntilFinalDot()
    {
        std::string line;
        while (ReadLine(line))
            if (line == ".\r\n")
                return true;
        return false;
    }

    std::vector<Segment> FSegments;
    std::size_t FNext = 0;
    int FSocket = -1;
    bool FAfterData = false;
    bool FRecipientAccepted = false; // of the message under way
};

std::vector<Segment> ReadSegments(FuzzedDataProvider& input)
{
    std::vector<Segment> segments;
    while (input.remaining_bytes() > 0 && segments.size() < 40) {
        Segment segment;
        segment.bytes = input.ConsumeRandomLengthString(1024);
        std::string firstLine;
        const std::size_t replyEnd = FirstReplyLength(segment.bytes, firstLine);
        // Splits fall strictly inside the first reply: whatever follows it goes out in
        // the same write as its last byte, so it has all arrived before the client can
        // send its next command.
        const std::size_t limit = std::min(replyEnd, segment.bytes.size());
        const int count = input.ConsumeIntegralInRange(0, 3);
        for (int i = 0; i < count && limit > 1; ++i)
            segment.splits.push_back(input.ConsumeIntegralInRange<std::size_t>(1, limit - 1));
        std::sort(segment.splits.begin(), segment.splits.end());
        segments.push_back(std::move(segment));
    }
    return segments;
}

void FillMessage(TSmtpClient& client, int recipient)
{
    TOutgoingMessage& message = client.PostMessage();
    message.SetFromAddress("sender@example.org");
    message.SetFromName("Sender");
    message.SetSubject("Fuzz");
    message.ToAddress().Clear();
    message.ToAddress().Add("r" + std::to_string(recipient) + "@example.org");
    message.Body().Clear();
    message.Body().Add("Hello");
}

// Runs a job of two messages the way the send job does: any error ends it.
int RunJob(TSmtpClient& client)
{
    int delivered = 0;
    client.OnSuccess = [&delivered](QObject*) { ++delivered; };
    try {
        client.Connect();
        for (int recipient = 0; recipient < 2; ++recipient) {
            FillMessage(client, recipient);
            client.Send();
        }
        client.Disconnect();
    } catch (const Exception& error) {
        TraceBytes("error:", error.Message());
        try {
            client.Abort();
        } catch (const Exception&) {
        }
    }
    return delivered;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    static QCoreApplication application(*argc, *argv);
    OpenListener();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    Peer peer(ReadSegments(input));
    std::thread server([&peer] { peer.Run(); });

    const auto started = std::chrono::steady_clock::now();
    int delivered = 0;
    {
        TSmtpClient client;
        client.SetHost("127.0.0.1");
        client.SetPort(ListenerPort);
        client.SetUserID("fuzz");
        client.SetTimeOut(ClientTimeOutMs);
        delivered = RunJob(client);
    }
    server.join();
    if (std::chrono::steady_clock::now() - started >= std::chrono::milliseconds(ClientTimeOutMs)) {
        std::fprintf(stderr, "the client waited although the server had finished\n");
        std::abort();
    }

    int accepted = 0;
    for (std::size_t index : peer.DotReplies)
        accepted += index < peer.Segments().size() && Accepts(peer.Segments()[index]);
    if (delivered != accepted) {
        std::fprintf(stderr, "%d messages counted as delivered, the server accepted %d\n", delivered, accepted);
        std::abort();
    }
    return 0;
}
