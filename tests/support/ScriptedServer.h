// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct ssl_st;

// A scripted TCP peer on 127.0.0.1 for exact dialogues. It listens on a free port,
// accepts one connection when started and follows its script in its own thread:
//
//     ScriptedServer server;
//     server.Send("220 ready\r\n").ExpectLine("HELO me").Send("250 hi\r\n").WaitForClose();
//     server.Start();
//     ... drive the client against server.Port() ...
//     server.Finish();   // gtest failure unless the script was used up, nothing else came
//
// Every byte received is recorded. A step that does not complete within ten seconds
// fails the script; a failure ends the script and closes the connection. After StartTls
// the connection speaks TLS: what is sent and expected is the plain text inside it,
// and a chunked send writes one TLS record per piece.
class ScriptedServer {
public:
    ScriptedServer();
    ~ScriptedServer();
    ScriptedServer(const ScriptedServer&) = delete;
    ScriptedServer& operator=(const ScriptedServer&) = delete;

    std::uint16_t Port() const { return FPort; }

    // Script steps, in order.
    ScriptedServer& Send(std::string bytes);
    // Sends the bytes in pieces of the given sizes (the last piece takes the rest),
    // pausing briefly between pieces so that each arrives as its own packet.
    ScriptedServer& SendInChunks(std::string bytes, std::vector<std::size_t> sizes);
    ScriptedServer& SendBytewise(std::string bytes);
    ScriptedServer& Expect(std::string bytes);
    // Expects the line followed by CR LF.
    ScriptedServer& ExpectLine(const std::string& line);
    // The lock-step envelope of one message to one recipient: RSET, MAIL FROM and RCPT TO each
    // answered "250 ok", then DATA answered with dataReply.
    ScriptedServer& AcceptEnvelope(const std::string& from, const std::string& to,
                                   const std::string& dataReply = "354 go on\r\n");
    // Expects the bytes as a slow but steady reader takes them: one read of at most 64 KiB,
    // then the pause, and so on.
    ScriptedServer& ExpectSlowly(std::string bytes, std::chrono::milliseconds pause);
    ScriptedServer& Pause(std::chrono::milliseconds duration);
    // Closes the connection in order (FIN).
    ScriptedServer& Close();
    // Resets the connection (RST).
    ScriptedServer& Reset();
    // Stays silent until the client closes; anything received meanwhile is unexpected.
    ScriptedServer& WaitForClose();
    // From here on, what the client sends (and what is unread already) is recorded
    // but expected by no step: for a client that goes on sending after a fault.
    ScriptedServer& DiscardFromHere();
    // Closes the current connection (if open) and accepts the next one.
    ScriptedServer& AcceptNext();
    // The server side of a TLS handshake with the certificate (and the test key). With
    // refusedByClient the client must give the handshake up (a certificate it refuses).
    ScriptedServer& StartTls(const std::string& certificate, bool refusedByClient = false);

    void Start();
    // Blocks until every step has run (true) or the script failed or ten seconds
    // passed (false). For tests that must know the peer has acted, e.g. closed.
    bool WaitUntilScriptDone();
    // Ends the script run and reports every problem as a gtest failure: a step that
    // failed, steps left over, bytes that arrived without a step expecting them.
    void Finish();

    // Every byte received so far, over all connections.
    std::string Received() const;

private:
    enum class TAction {
        Send,
        Expect,
        ExpectSlowly,
        Pause,
        Close,
        Reset,
        WaitForClose,
        AcceptNext,
        Discard,
        StartTls,
        TlsRefused
    };
    struct TStep {
        TAction Action;
        std::string Bytes;
        std::vector<std::size_t> Chunks;
        std::chrono::milliseconds Duration{0};
    };

    ScriptedServer& Add(TStep step);
    void Run();
    bool RunStep(const TStep& step);
    bool AcceptConnection();
    bool SendAll(const std::string& bytes);
    bool ExpectBytes(const std::string& expected, std::chrono::milliseconds pause = {});
    bool AwaitClose();
    void StartDiscarding();
    // Waits for the connection to be readable; false on stop, time-out or error.
    bool WaitReadable();
    // Reads what is available into the inbox; false on close or error.
    bool ReadSome();
    void CloseConnection(bool reset);
    bool Fail(const std::string& message);
    bool Handshake(const std::string& certificate, bool refusedByClient);
    bool AwaitTls(int result);
    long SendSome(const char* data, std::size_t length);
    long ReceiveSome(char* buffer, std::size_t length);

    int FListener = -1;
    int FConnection = -1;
    ssl_st* FTls = nullptr; // from StartTls until the connection closes
    int FStopPipe[2] = {-1, -1};
    std::uint16_t FPort = 0;
    std::vector<TStep> FSteps;
    std::thread FThread;

    mutable std::mutex FLock;
    std::condition_variable FProgress;
    std::string FReceived;
    std::string FInbox;
    std::string FFailure;
    std::size_t FStepsDone = 0;
    bool FPeerClosed = false;
    bool FDiscarding = false;
    bool FFinished = false;
};

// Shows control bytes of a dialogue readably in failure messages.
std::string PrintableBytes(const std::string& bytes);
