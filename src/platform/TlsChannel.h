// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstddef>
#include <string>

typedef struct ssl_st SSL;
typedef struct ssl_ctx_st SSL_CTX;

// Why a handshake failed: the server's certificate in plain categories, or anything else.
enum class TTlsProblem { None, NotTrusted, Expired, WrongName, Failed };

// TLS as a client over a connected non-blocking socket (OpenSSL). Send and Recv behave
// like the socket calls they stand in for: -1 with a Windows Sockets number in
// WsaGetLastError() on failure, would-block when TLS needs the network first; then
// WaitEvents tells what to wait for (a read may have to wait for the socket to take a
// write, and the other way round).
class TTlsChannel {
public:
    TTlsChannel();
    ~TTlsChannel();
    TTlsChannel(const TTlsChannel&) = delete;
    TTlsChannel& operator=(const TTlsChannel&) = delete;

    // Prepares a handshake on handle with the server named serverName (a host name or a
    // dotted IPv4 address): the certificate is checked against the system's trusted
    // certificates (and SSL_CERT_FILE) and against that name. False when TLS cannot be set up.
    bool Begin(int handle, const std::string& serverName);
    // One step of the handshake: 1 done, 0 to be continued once WaitEvents is ready,
    // -1 failed (Problem tells why).
    int Handshake();
    bool Established() const { return FEstablished; }

    long Send(const char* data, std::size_t length);
    // 0 when the server has closed the connection. Before the handshake has finished a
    // peek looks at the socket's own bytes (whether the server has closed), so that it
    // cannot drive the handshake from outside it; a read answers would-block.
    long Recv(char* buffer, std::size_t length, bool peek);
    // poll() events the last call that would block waits for.
    short WaitEvents() const { return FWaitEvents; }

    TTlsProblem Problem() const { return FProblem; }
    // OpenSSL's own words on the failure, for a log.
    const std::string& ProblemDetail() const { return FProblemDetail; }

    // Tells the server the session ends (close_notify), as far as the socket takes it at once.
    void Shutdown();

private:
    // Translates a failed call's result; returns -1 or 0 (a clean close).
    long Failed(int result);
    void NoteHandshakeProblem();

    SSL_CTX* FContext = nullptr;
    SSL* FSsl = nullptr;
    int FHandle = -1;
    bool FHandshakeDone = false;
    bool FEstablished = false; // the handshake is done and nothing has failed since
    short FWaitEvents = 0;
    TTlsProblem FProblem = TTlsProblem::None;
    std::string FProblemDetail;
};
