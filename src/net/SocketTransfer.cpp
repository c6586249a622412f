// SPDX-License-Identifier: GPL-3.0-or-later
// Line and stream transfer of the socket session.
#include "net/SocketSession.h"

#include "platform/AsyncSocket.h"
#include "platform/WaitStep.h"
#include "platform/WinsockErrors.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <utility>

namespace {
constexpr int LevelReply = 1;
constexpr int LevelTransfer = 4;
constexpr int LevelDetail = 8;
constexpr std::size_t MaxReplyDigits = 10;
} // namespace

void TSocketSession::RaiseIfCanceled(const char* message)
{
    if (!FCanceled)
        return;
    FCanceled = false;
    FExchangeCut = true;
    throw EAbortError(FCancelIsTimeOut ? TSocketErrorKind::TimedOut : TSocketErrorKind::Canceled, message);
}

// A connection that the peer reset while no transfer was running has been closed
// already; the transfer that would have met the reset reports it instead.
void TSocketSession::RaiseCloseError(TSocketErrorKind failedStep)
{
    if (FCloseError == 0)
        return;
    WsaSetLastError(std::exchange(FCloseError, 0));
    CheckSocketError(failedStep, wsa::WouldBlock);
}

void TSocketSession::Write(const std::string& text)
{
    ReportStatus(LevelDetail, "Write");
    char* buffer = FSessionBuffer.get();
    const std::size_t length = std::min(text.size(), TransferSize);
    std::memcpy(buffer, text.data(), length);
    buffer[length] = '\0';
    SendBuffer(buffer, 0);
}

void TSocketSession::Writeln(const std::string& text)
{
    ReportStatus(LevelDetail, "Writeln");
    Write(text + "\r\n");
}

void TSocketSession::SendBuffer(const char* block, std::uint16_t length)
{
    ReportStatus(LevelTransfer, "Sending Buffer");
    TTimerGuard timer(*this);
    if (!FCanceled) {
        std::size_t count = length;
        if (count == 0) {
            count = strnlen(block, TransferSize);
            if (count > std::numeric_limits<std::uint16_t>::max())
                throw ERangeError();
        }
        QueueOutput(block, count);
    }
    RaiseIfCanceled("Socket send aborted");
}

void TSocketSession::WriteAll(const std::string& bytes)
{
    ReportStatus(LevelDetail, "Write");
    TTimerGuard timer(*this);
    if (!FCanceled && !bytes.empty())
        QueueOutput(bytes.data(), bytes.size());
    RaiseIfCanceled("Socket send aborted");
}

// Peeks at what the socket holds. Returns the count peeked, 0 when the connection is
// closed (also when the session closed it during a wait: a peer close handled in a
// pass), or -1 when nothing has come yet, after one wait pass unless canceled.
long TSocketSession::PeekOrWait(char* into, std::size_t room)
{
    RaiseCloseError(TSocketErrorKind::ReceiveFailed);
    const long peeked = FSocket->Recv(into, room, true);
    if (peeked >= 0)
        return peeked;
    FLastErrorNo = WsaGetLastError();
    if (FLastErrorNo == wsa::NotConnected)
        return 0;
    CheckSocketError(TSocketErrorKind::ReceiveFailed, wsa::WouldBlock);
    if (!FCanceled)
        TransferPass(FSocket->WaitEvents(ReadableEvent));
    return -1;
}

// Peeks first and takes exactly one line, so the next line stays in the socket.
std::string TSocketSession::ReadLn()
{
    ReportStatus(LevelDetail, "ReadLn");
    TTimerGuard timer(*this);
    // What was written so far is what the peer answers: it goes out before the wait.
    FlushOutput();
    char* buffer = FSessionBuffer.get();
    std::size_t taken = 0;
    const char* lineFeed = nullptr;
    while (!lineFeed) {
        const long peeked = PeekOrWait(buffer + taken, TransferSize - taken);
        if (peeked == 0)
            return {};
        if (peeked < 0) {
            if (FCanceled)
                break;
            continue;
        }
        lineFeed = static_cast<const char*>(std::memchr(buffer + taken, '\n', static_cast<std::size_t>(peeked)));
        if (!lineFeed) {
            const long received = FSocket->Recv(buffer + taken, static_cast<std::size_t>(peeked), false);
            if (received < 0)
                CheckSocketError(TSocketErrorKind::ReceiveFailed, wsa::WouldBlock);
            else
                taken += static_cast<std::size_t>(received);
            if (taken == TransferSize)
                return TakeOverlongLine();
        }
        if (FCanceled)
            break;
    }
    RaiseIfCanceled("Socket readln aborted");
    const std::size_t lineLength = static_cast<std::size_t>(lineFeed - buffer) + 1;
    while (taken < lineLength) {
        const long received = FSocket->Recv(buffer + taken, lineLength - taken, false);
        if (received <= 0) {
            CheckSocketError(TSocketErrorKind::ReceiveFailed, wsa::WouldBlock);
            return {};
        }
        taken += static_cast<std::size_t>(received);
    }
    return std::string(buffer, lineLength);
}

// A reply line may be no longer than 512 bytes (RFC 5321 section 4.5.3.1.5), but a
// server that breaks the limit still means its reply code: the line keeps its first
// TransferSize bytes, and the rest up to its LF is dropped so the next read starts
// with the next line.
std::string TSocketSession::TakeOverlongLine()
{
    const std::string line(FSessionBuffer.get(), TransferSize);
    char* buffer = FSessionBuffer.get();
    while (!FCanceled) {
        const long peeked = PeekOrWait(buffer, TransferSize);
        if (peeked == 0)
            return {};
        if (peeked < 0)
            continue;
        const char* lineFeed = static_cast<const char*>(std::memchr(buffer, '\n', static_cast<std::size_t>(peeked)));
        const long drop = lineFeed ? static_cast<long>(lineFeed - buffer) + 1 : peeked;
        if (FSocket->Recv(buffer, static_cast<std::size_t>(drop), false) < 0)
            CheckSocketError(TSocketErrorKind::ReceiveFailed, wsa::WouldBlock);
        if (lineFeed)
            return line;
    }
    RaiseIfCanceled("Socket readln aborted");
    return line;
}

// The leading decimal digits of a reply (0 when there are none); values beyond the
// 16-bit field are held at its largest value, which every caller treats as a refusal.
std::int16_t TSocketSession::ReplyNumberOf(const std::string& reply)
{
    std::size_t digits = 0;
    long long value = 0;
    while (digits < std::min(reply.size(), MaxReplyDigits) && reply[digits] >= '0' && reply[digits] <= '9')
        value = value * 10 + (reply[digits++] - '0');
    return static_cast<std::int16_t>(std::min<long long>(value, std::numeric_limits<std::int16_t>::max()));
}

std::string TSocketSession::Transaction(const std::string& command)
{
    ReportStatus(LevelDetail, "Transaction");
    FReplyNumber = 0;
    Writeln(command);
    FLastReply = ReadLn();
    if (!FLastReply.empty()) {
        ReportStatus(LevelReply, FLastReply);
        FReplyNumber = ReplyNumberOf(FLastReply);
    }
    return FLastReply;
}

// The time-out counts from the last progress (see FlushOutput): a large body may take
// long, but a peer that stops reading must not hold the sender for ever. The stream's
// last chunk stays in the output batch with whatever the caller writes next.
void TSocketSession::SendStream(TStream& stream)
{
    ReportStatus(LevelDetail, "SendStream");
    stream.SetPosition(0);
    TTimerGuard timer(*this);
    if (!FCanceled) {
        char* buffer = FSessionBuffer.get();
        const std::int64_t size = stream.Size();
        FBytesSent = 0;
        FBytesTotal = size;
        do {
            const std::int64_t chunk = std::min<std::int64_t>(size - stream.Position(), TransferSize);
            const std::size_t length = static_cast<std::size_t>(std::max<std::int64_t>(stream.Read(buffer, chunk), 0));
            if (length == 0)
                return;
            QueueOutput(buffer, length);
            FBytesSent += static_cast<std::int64_t>(length);
            Fire(OnPacketSent, this);
            DispatchEventsWhenDue();
        } while (stream.Position() != size && !FCanceled);
    }
    RaiseIfCanceled("Socket send aborted");
}

int TSocketSession::Accept()
{
    ReportStatus(LevelTransfer, "Accepting");
    for (;;) {
        while (!FAsyncDone && !FCanceled)
            WaitPass(ReadableEvent);
        if (FCanceled)
            throw ESocketError(TSocketErrorKind::AcceptCanceled, "Accepting Canceled");
        if (!FAsyncSuccess)
            throw ESocketError(TSocketErrorKind::AcceptFailed, "Error creating Data Connection");
        std::uint32_t address = 0;
        std::uint16_t port = 0;
        const int accepted = FSocket->Accept(address, port);
        if (accepted >= 0) {
            FRemoteAddress = address;
            FRemotePort = port;
            return accepted;
        }
        CheckSocketError(TSocketErrorKind::AcceptFailed, wsa::WouldBlock);
        // Done was left over from another wait: the connection has not come yet.
        FAsyncDone = false;
    }
}
