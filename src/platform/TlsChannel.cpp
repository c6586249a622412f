// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/TlsChannel.h"

#include "platform/WinsockErrors.h"

#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <poll.h>
#include <sys/socket.h>

namespace {

int HandleOf(BIO* bio)
{
    return static_cast<int>(reinterpret_cast<std::intptr_t>(BIO_get_data(bio)));
}

bool WouldBlock(int error)
{
    return error == EAGAIN || error == EWOULDBLOCK || error == EINTR;
}

// OpenSSL's own socket layer writes with write(), which raises SIGPIPE when the server
// has gone; the program's sockets never may. This one sends with MSG_NOSIGNAL.
int SocketWrite(BIO* bio, const char* data, int length)
{
    BIO_clear_retry_flags(bio);
    const ssize_t sent = ::send(HandleOf(bio), data, static_cast<std::size_t>(length), MSG_NOSIGNAL);
    if (sent < 0 && WouldBlock(errno))
        BIO_set_retry_write(bio);
    return static_cast<int>(sent);
}

int SocketRead(BIO* bio, char* buffer, int length)
{
    BIO_clear_retry_flags(bio);
    const ssize_t received = ::recv(HandleOf(bio), buffer, static_cast<std::size_t>(length), 0);
    if (received < 0 && WouldBlock(errno))
        BIO_set_retry_read(bio);
    return static_cast<int>(received);
}

long SocketControl(BIO*, int command, long, void*)
{
    return command == BIO_CTRL_FLUSH ? 1 : 0;
}

int SocketCreate(BIO* bio)
{
    BIO_set_init(bio, 1);
    return 1;
}

BIO_METHOD* SocketMethod()
{
    static BIO_METHOD* method = [] {
        BIO_METHOD* made = BIO_meth_new(BIO_get_new_index() | BIO_TYPE_SOURCE_SINK, "pelmar socket");
        BIO_meth_set_write(made, SocketWrite);
        BIO_meth_set_read(made, SocketRead);
        BIO_meth_set_ctrl(made, SocketControl);
        BIO_meth_set_create(made, SocketCreate);
        return made;
    }();
    return method;
}

// The text of an address literal ("192.0.2.1", "2001:db8::1", "[2001:db8::1]"),
// bracket-free as the certificate check wants it; empty for a name.
std::string AddressLiteralText(const std::string& name)
{
    in_addr ipv4{};
    if (inet_pton(AF_INET, name.c_str(), &ipv4) == 1)
        return name;
    const bool bracketed = name.size() > 2 && name.front() == '[' && name.back() == ']';
    const std::string bare = bracketed ? name.substr(1, name.size() - 2) : name;
    in6_addr ipv6{};
    return inet_pton(AF_INET6, bare.c_str(), &ipv6) == 1 ? bare : std::string();
}

TTlsProblem ProblemOfVerification(long result)
{
    switch (result) {
    case X509_V_OK: return TTlsProblem::Failed;
    case X509_V_ERR_CERT_HAS_EXPIRED:
    case X509_V_ERR_CERT_NOT_YET_VALID: return TTlsProblem::Expired;
    case X509_V_ERR_HOSTNAME_MISMATCH:
    case X509_V_ERR_IP_ADDRESS_MISMATCH: return TTlsProblem::WrongName;
    default: return TTlsProblem::NotTrusted;
    }
}

std::string LastOpenSslError()
{
    const unsigned long error = ERR_peek_last_error();
    if (error == 0)
        return "the connection ended during the handshake";
    char text[256];
    ERR_error_string_n(error, text, sizeof text);
    return text;
}

} // namespace

TTlsChannel::TTlsChannel() = default;

TTlsChannel::~TTlsChannel()
{
    SSL_free(FSsl);
    SSL_CTX_free(FContext);
}

// The context is made per connection, so that the trusted certificates are read as the
// environment names them at that moment (SSL_CERT_FILE, SSL_CERT_DIR).
bool TTlsChannel::Begin(int handle, const std::string& serverName)
{
    FContext = SSL_CTX_new(TLS_client_method());
    if (!FContext || !SSL_CTX_set_min_proto_version(FContext, TLS1_2_VERSION)
        || !SSL_CTX_set_default_verify_paths(FContext))
        return false;
    SSL_CTX_set_verify(FContext, SSL_VERIFY_PEER, nullptr);
    // A write that the socket takes only in part continues from where it stopped, with
    // the caller's buffer where it is then.
    SSL_CTX_set_mode(FContext, SSL_MODE_ENABLE_PARTIAL_WRITE | SSL_MODE_ACCEPT_MOVING_WRITE_BUFFER);
    // A server that closes without close_notify has ended the session like a TCP close
    // does: SMTP replies carry their own ends, so nothing can be cut off unnoticed.
    SSL_CTX_set_options(FContext, SSL_OP_IGNORE_UNEXPECTED_EOF);

    FHandle = handle;
    FSsl = SSL_new(FContext);
    BIO* socket = FSsl ? BIO_new(SocketMethod()) : nullptr;
    if (!socket)
        return false;
    BIO_set_data(socket, reinterpret_cast<void*>(static_cast<std::intptr_t>(handle)));
    SSL_set_bio(FSsl, socket, socket);
    SSL_set_connect_state(FSsl);
    // RFC 6066 section 3: a literal address is not sent as the server name.
    if (const std::string literal = AddressLiteralText(serverName); !literal.empty())
        return X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(FSsl), literal.c_str()) == 1;
    SSL_set_hostflags(FSsl, X509_CHECK_FLAG_NO_PARTIAL_WILDCARDS);
    return SSL_set_tlsext_host_name(FSsl, serverName.c_str()) == 1 && SSL_set1_host(FSsl, serverName.c_str()) == 1;
}

int TTlsChannel::Handshake()
{
    if (!FSsl) {
        FProblem = TTlsProblem::Failed;
        FProblemDetail = "TLS was not set up";
        return -1;
    }
    ERR_clear_error();
    const int result = SSL_do_handshake(FSsl);
    if (result == 1) {
        FHandshakeDone = FEstablished = true;
        return 1;
    }
    const int error = SSL_get_error(FSsl, result);
    if (error == SSL_ERROR_WANT_READ || error == SSL_ERROR_WANT_WRITE) {
        FWaitEvents = error == SSL_ERROR_WANT_READ ? POLLIN : POLLOUT;
        return 0;
    }
    NoteHandshakeProblem();
    return -1;
}

void TTlsChannel::NoteHandshakeProblem()
{
    const long verification = SSL_get_verify_result(FSsl);
    FProblem = ProblemOfVerification(verification);
    FProblemDetail = verification == X509_V_OK ? LastOpenSslError() : X509_verify_cert_error_string(verification);
}

long TTlsChannel::Send(const char* data, std::size_t length)
{
    ERR_clear_error();
    const int result = SSL_write(FSsl, data, static_cast<int>(std::min<std::size_t>(length, INT_MAX)));
    return result > 0 ? result : Failed(result);
}

long TTlsChannel::Recv(char* buffer, std::size_t length, bool peek)
{
    if (!FHandshakeDone) {
        if (peek) {
            const ssize_t peeked = ::recv(FHandle, buffer, length, MSG_PEEK | MSG_DONTWAIT);
            if (peeked >= 0)
                return static_cast<long>(peeked);
            WsaSetLastError(WsaErrorFromErrno(errno));
            return -1;
        }
        WsaSetLastError(wsa::WouldBlock);
        return -1;
    }
    ERR_clear_error();
    const int size = static_cast<int>(std::min<std::size_t>(length, INT_MAX));
    const int result = peek ? SSL_peek(FSsl, buffer, size) : SSL_read(FSsl, buffer, size);
    return result > 0 ? result : Failed(result);
}

long TTlsChannel::Failed(int result)
{
    const int savedErrno = errno;
    switch (SSL_get_error(FSsl, result)) {
    case SSL_ERROR_WANT_READ:
        FWaitEvents = POLLIN;
        WsaSetLastError(wsa::WouldBlock);
        return -1;
    case SSL_ERROR_WANT_WRITE:
        FWaitEvents = POLLOUT;
        WsaSetLastError(wsa::WouldBlock);
        return -1;
    case SSL_ERROR_ZERO_RETURN: return 0;
    case SSL_ERROR_SYSCALL:
        FEstablished = false;
        WsaSetLastError(savedErrno != 0 ? WsaErrorFromErrno(savedErrno) : wsa::ConnectionReset);
        return -1;
    default:
        // The TLS layer itself failed (a damaged record): the connection cannot go on.
        FEstablished = false;
        WsaSetLastError(wsa::ConnectionAborted);
        return -1;
    }
}

void TTlsChannel::Shutdown()
{
    if (!FEstablished)
        return;
    ERR_clear_error();
    SSL_shutdown(FSsl);
    FEstablished = false;
}
