// SPDX-License-Identifier: GPL-3.0-or-later
#include "ScriptedServer.h"

#include "support/TestCertificates.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <openssl/err.h>
#include <openssl/ssl.h>

namespace {

constexpr int StepTimeoutMs = 10000;
constexpr auto ChunkPause = std::chrono::milliseconds(20);

} // namespace

std::string PrintableBytes(const std::string& bytes)
{
    std::string shown;
    for (unsigned char c : bytes) {
        if (c == '\r')
            shown += "\\r";
        else if (c == '\n')
            shown += "\\n";
        else if (c < 32 || c >= 127) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02x", c);
            shown += hex;
        } else
            shown += static_cast<char>(c);
    }
    return shown.size() > 400 ? shown.substr(0, 400) + "...(" + std::to_string(bytes.size()) + " bytes)" : shown;
}

ScriptedServer::ScriptedServer()
{
    FListener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (FListener < 0 || bind(FListener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0
        || listen(FListener, 8) != 0 || getsockname(FListener, reinterpret_cast<sockaddr*>(&address), &length) != 0
        || pipe2(FStopPipe, O_CLOEXEC) != 0)
        ADD_FAILURE() << "ScriptedServer cannot listen on 127.0.0.1: " << std::strerror(errno);
    FPort = ntohs(address.sin_port);
}

ScriptedServer::~ScriptedServer()
{
    if (!FFinished && FThread.joinable())
        Finish();
    for (int handle : {FListener, FStopPipe[0], FStopPipe[1]})
        if (handle >= 0)
            ::close(handle);
}

ScriptedServer& ScriptedServer::Add(TStep step)
{
    FSteps.push_back(std::move(step));
    return *this;
}

ScriptedServer& ScriptedServer::Send(std::string bytes)
{
    return Add({TAction::Send, std::move(bytes), {}});
}

ScriptedServer& ScriptedServer::SendInChunks(std::string bytes, std::vector<std::size_t> sizes)
{
    return Add({TAction::Send, std::move(bytes), std::move(sizes)});
}

ScriptedServer& ScriptedServer::SendBytewise(std::string bytes)
{
    std::vector<std::size_t> ones(bytes.size(), 1);
    return SendInChunks(std::move(bytes), std::move(ones));
}

ScriptedServer& ScriptedServer::Expect(std::string bytes)
{
    return Add({TAction::Expect, std::move(bytes), {}});
}
ScriptedServer& ScriptedServer::ExpectLine(const std::string& line)
{
    return Expect(line + "\r\n");
}

ScriptedServer& ScriptedServer::AcceptEnvelope(const std::string& from, const std::string& to,
                                               const std::string& dataReply)
{
    return ExpectLine("RSET")
        .Send("250 ok\r\n")
        .ExpectLine("MAIL FROM:<" + from + ">")
        .Send("250 ok\r\n")
        .ExpectLine("RCPT TO:<" + to + ">")
        .Send("250 ok\r\n")
        .ExpectLine("DATA")
        .Send(dataReply);
}

ScriptedServer& ScriptedServer::ExpectSlowly(std::string bytes, std::chrono::milliseconds pause)
{
    return Add({TAction::ExpectSlowly, std::move(bytes), {}, pause});
}

ScriptedServer& ScriptedServer::Pause(std::chrono::milliseconds duration)
{
    return Add({TAction::Pause, {}, {}, duration});
}

ScriptedServer& ScriptedServer::Close()
{
    return Add({TAction::Close, {}, {}});
}
ScriptedServer& ScriptedServer::Reset()
{
    return Add({TAction::Reset, {}, {}});
}
ScriptedServer& ScriptedServer::WaitForClose()
{
    return Add({TAction::WaitForClose, {}, {}});
}
ScriptedServer& ScriptedServer::AcceptNext()
{
    return Add({TAction::AcceptNext, {}, {}});
}
ScriptedServer& ScriptedServer::DiscardFromHere()
{
    return Add({TAction::Discard, {}, {}});
}

ScriptedServer& ScriptedServer::StartTls(const std::string& certificate, bool refusedByClient)
{
    return Add({refusedByClient ? TAction::TlsRefused : TAction::StartTls, certificate, {}});
}

void ScriptedServer::Start()
{
    FThread = std::thread([this] { Run(); });
}

bool ScriptedServer::WaitUntilScriptDone()
{
    std::unique_lock<std::mutex> guard(FLock);
    return FProgress.wait_for(guard, std::chrono::milliseconds(StepTimeoutMs), [this] {
        return !FFailure.empty() || FStepsDone == FSteps.size();
    }) && FFailure.empty();
}

std::string ScriptedServer::Received() const
{
    std::lock_guard<std::mutex> guard(FLock);
    return FReceived;
}

bool ScriptedServer::Fail(const std::string& message)
{
    std::lock_guard<std::mutex> guard(FLock);
    if (FFailure.empty())
        FFailure = message;
    FProgress.notify_all();
    return false;
}

void ScriptedServer::Run()
{
    if (!AcceptConnection())
        return;
    for (const TStep& step : FSteps) {
        if (!RunStep(step)) {
            CloseConnection(false);
            return;
        }
        std::lock_guard<std::mutex> guard(FLock);
        ++FStepsDone;
        FProgress.notify_all();
    }
    // After the script, the connection is only watched: whatever comes is unexpected.
    while (FConnection >= 0 && WaitReadable() && ReadSome()) { }
}

bool ScriptedServer::RunStep(const TStep& step)
{
    switch (step.Action) {
    case TAction::Send:
        if (step.Chunks.empty())
            return SendAll(step.Bytes);
        for (std::size_t offset = 0, piece = 0; offset < step.Bytes.size(); ++piece) {
            const std::size_t size = piece + 1 < step.Chunks.size() ? step.Chunks[piece] : step.Bytes.size() - offset;
            if (offset > 0)
                std::this_thread::sleep_for(ChunkPause);
            if (!SendAll(step.Bytes.substr(offset, size)))
                return false;
            offset += size;
        }
        return true;
    case TAction::Expect: return ExpectBytes(step.Bytes);
    case TAction::ExpectSlowly: return ExpectBytes(step.Bytes, step.Duration);
    case TAction::Pause: std::this_thread::sleep_for(step.Duration); return true;
    case TAction::Close:
    case TAction::Reset: CloseConnection(step.Action == TAction::Reset); return true;
    case TAction::WaitForClose: return AwaitClose();
    case TAction::AcceptNext: CloseConnection(false); return AcceptConnection();
    case TAction::Discard: StartDiscarding(); return true;
    case TAction::StartTls:
    case TAction::TlsRefused: return Handshake(step.Bytes, step.Action == TAction::TlsRefused);
    }
    return false;
}

bool ScriptedServer::AcceptConnection()
{
    // A client may have come and gone before this thread ran: its connection is
    // still queued, so the listener is asked before the stop request.
    pollfd watched[2] = {{FListener, POLLIN, 0}, {FStopPipe[0], POLLIN, 0}};
    if (poll(watched, 2, StepTimeoutMs) <= 0 || !watched[0].revents)
        return Fail("no client connected");
    FConnection = accept4(FListener, nullptr, nullptr, SOCK_CLOEXEC);
    std::lock_guard<std::mutex> guard(FLock);
    FInbox.clear();
    FPeerClosed = false;
    FDiscarding = false;
    return FConnection >= 0;
}

bool ScriptedServer::SendAll(const std::string& bytes)
{
    for (std::size_t offset = 0; offset < bytes.size();) {
        const long sent = SendSome(bytes.data() + offset, bytes.size() - offset);
        if (sent <= 0)
            return Fail("sending \"" + PrintableBytes(bytes) + "\" failed: " + std::strerror(errno));
        offset += static_cast<std::size_t>(sent);
    }
    return true;
}

// Under TLS the socket is non-blocking: a call that must wait for the network waits
// here, bounded by the step time-out and the stop request.
bool ScriptedServer::AwaitTls(int result)
{
    const int error = SSL_get_error(FTls, result);
    if (error != SSL_ERROR_WANT_READ && error != SSL_ERROR_WANT_WRITE)
        return false;
    pollfd watched[2] = {{FConnection, static_cast<short>(error == SSL_ERROR_WANT_READ ? POLLIN : POLLOUT), 0},
                         {FStopPipe[0], POLLIN, 0}};
    return poll(watched, 2, StepTimeoutMs) > 0 && watched[0].revents != 0;
}

long ScriptedServer::SendSome(const char* data, std::size_t length)
{
    if (!FTls)
        return ::send(FConnection, data, length, MSG_NOSIGNAL);
    for (;;) {
        ERR_clear_error();
        const int sent = SSL_write(FTls, data, static_cast<int>(length));
        if (sent > 0 || !AwaitTls(sent))
            return sent;
    }
}

// -1 with EAGAIN when nothing has come yet, 0 when the client has closed.
long ScriptedServer::ReceiveSome(char* buffer, std::size_t length)
{
    if (!FTls)
        return ::recv(FConnection, buffer, length, MSG_DONTWAIT);
    ERR_clear_error();
    const int received = SSL_read(FTls, buffer, static_cast<int>(length));
    if (received > 0)
        return received;
    const int error = SSL_get_error(FTls, received);
    if (error == SSL_ERROR_WANT_READ || error == SSL_ERROR_WANT_WRITE) {
        errno = EAGAIN;
        return -1;
    }
    return 0;
}

bool ScriptedServer::Handshake(const std::string& certificate, bool refusedByClient)
{
    SSL_CTX* context = SSL_CTX_new(TLS_server_method());
    if (!context || SSL_CTX_use_certificate_chain_file(context, certificate.c_str()) != 1
        || SSL_CTX_use_PrivateKey_file(context, TestCertificates().Key.c_str(), SSL_FILETYPE_PEM) != 1) {
        SSL_CTX_free(context);
        return Fail("cannot load the certificate " + certificate);
    }
    SSL_CTX_set_options(context, SSL_OP_IGNORE_UNEXPECTED_EOF);
    SSL_CTX_set_mode(context, SSL_MODE_ENABLE_PARTIAL_WRITE);
    FTls = SSL_new(context);
    SSL_CTX_free(context); // the connection keeps its own reference
    fcntl(FConnection, F_SETFL, fcntl(FConnection, F_GETFL) | O_NONBLOCK);
    SSL_set_fd(FTls, FConnection);
    int result = 0;
    do {
        ERR_clear_error();
        result = SSL_accept(FTls);
    } while (result != 1 && AwaitTls(result));
    if (refusedByClient) {
        if (result == 1)
            return Fail("the client accepted the certificate " + certificate);
        SSL_free(FTls);
        FTls = nullptr;
        return true;
    }
    if (result != 1) {
        char reason[256];
        ERR_error_string_n(ERR_peek_last_error(), reason, sizeof reason);
        return Fail(std::string("TLS handshake failed: ") + reason);
    }
    return true;
}

// Long expectations (a whole attachment) are named by their start and size in failures.
static std::string Shown(const std::string& bytes)
{
    constexpr std::size_t Longest = 4096;
    if (bytes.size() <= Longest)
        return PrintableBytes(bytes);
    return PrintableBytes(bytes.substr(0, 200)) + "... (" + std::to_string(bytes.size()) + " bytes)";
}

bool ScriptedServer::ExpectBytes(const std::string& expected, std::chrono::milliseconds pause)
{
    std::size_t checked = 0; // bytes of the inbox compared so far
    for (;;) {
        std::string fresh;
        {
            std::lock_guard<std::mutex> guard(FLock);
            fresh = FInbox.substr(checked, expected.size() - checked);
        }
        if (expected.compare(checked, fresh.size(), fresh) != 0)
            return Fail("expected \"" + Shown(expected) + "\" but received \""
                        + Shown(expected.substr(0, checked) + fresh) + "\"");
        checked += fresh.size();
        if (checked == expected.size()) {
            std::lock_guard<std::mutex> guard(FLock);
            FInbox.erase(0, expected.size());
            return true;
        }
        if (checked > 0 && pause.count() > 0)
            std::this_thread::sleep_for(pause);
        if (!WaitReadable() || !ReadSome())
            return Fail("expected \"" + Shown(expected) + "\" but the connection ended after \""
                        + Shown(expected.substr(0, checked)) + "\"");
    }
}

bool ScriptedServer::AwaitClose()
{
    while (WaitReadable() && ReadSome()) { }
    bool closed = false;
    {
        std::lock_guard<std::mutex> guard(FLock);
        closed = FPeerClosed;
    }
    // Fail takes the lock itself.
    return closed || Fail("the client did not close the connection");
}

void ScriptedServer::StartDiscarding()
{
    std::lock_guard<std::mutex> guard(FLock);
    FDiscarding = true;
    FInbox.clear();
}

bool ScriptedServer::WaitReadable()
{
    if (FTls && SSL_pending(FTls) > 0)
        return true;
    pollfd watched[2] = {{FConnection, POLLIN, 0}, {FStopPipe[0], POLLIN, 0}};
    return poll(watched, 2, StepTimeoutMs) > 0 && watched[0].revents != 0;
}

bool ScriptedServer::ReadSome()
{
    char buffer[65536];
    const long received = ReceiveSome(buffer, sizeof buffer);
    std::lock_guard<std::mutex> guard(FLock);
    if (received <= 0) {
        if (received < 0 && (errno == EAGAIN || errno == EINTR))
            return true;
        FPeerClosed = true;
        return false;
    }
    FReceived.append(buffer, static_cast<std::size_t>(received));
    if (!FDiscarding)
        FInbox.append(buffer, static_cast<std::size_t>(received));
    return true;
}

void ScriptedServer::CloseConnection(bool reset)
{
    if (FConnection < 0)
        return;
    if (reset) {
        const linger resetOnClose{1, 0};
        setsockopt(FConnection, SOL_SOCKET, SO_LINGER, &resetOnClose, sizeof resetOnClose);
    }
    // An orderly close under TLS says so first (close_notify); the peer reads the end.
    // Whatever the client sent and nobody expected stays in the inbox for Finish.
    while (!reset && ReadSome() && !FPeerClosed) {
        pollfd more{FConnection, POLLIN, 0};
        if (poll(&more, 1, 0) <= 0)
            break;
    }
    if (FTls) {
        if (!reset)
            SSL_shutdown(FTls);
        SSL_free(FTls);
        FTls = nullptr;
    }
    ::close(FConnection);
    FConnection = -1;
}

void ScriptedServer::Finish()
{
    FFinished = true;
    if (FThread.joinable()) {
        const char stop = 1;
        [[maybe_unused]] const ssize_t written = ::write(FStopPipe[1], &stop, 1);
        FThread.join();
    }
    if (FConnection >= 0) {
        ReadSome();
        CloseConnection(false);
    }
    std::lock_guard<std::mutex> guard(FLock);
    if (!FFailure.empty())
        ADD_FAILURE() << "ScriptedServer: step " << FStepsDone + 1 << ": " << FFailure;
    else if (FStepsDone < FSteps.size())
        ADD_FAILURE() << "ScriptedServer: script not used up, " << FSteps.size() - FStepsDone
                      << " step(s) left; received \"" << PrintableBytes(FReceived) << "\"";
    if (!FInbox.empty())
        ADD_FAILURE() << "ScriptedServer: unexpected bytes \"" << PrintableBytes(FInbox) << "\"";
}
