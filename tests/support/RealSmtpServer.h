// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstdint>
#include <ostream>
#include <string>

#include <QProcess>

// A real SMTP server started on 127.0.0.1 for end-to-end tests: Postfix's smtp-sink
// (fast, discards mail) or aiosmtpd (Debian's Python package). Stopped on destruction.
class RealSmtpServer {
public:
    enum class TKind { SmtpSink, Aiosmtpd };

    // aiosmtpd saves every message it receives in saveFolder (when given) as
    // <n>.eml, with the envelope in <n>.env.
    explicit RealSmtpServer(TKind kind, const std::string& saveFolder = {});
    ~RealSmtpServer();
    RealSmtpServer(const RealSmtpServer&) = delete;
    RealSmtpServer& operator=(const RealSmtpServer&) = delete;

    // False (with a reason) when the server could not be started or does not answer.
    bool Ready() const { return FReady; }
    const std::string& Problem() const { return FProblem; }
    std::uint16_t Port() const { return FPort; }

private:
    void StartSmtpSink();
    void StartAiosmtpd(const std::string& saveFolder);
    void AwaitAnswer();

    QProcess FProcess;
    std::uint16_t FPort = 0;
    bool FReady = false;
    std::string FProblem;
};

inline void PrintTo(RealSmtpServer::TKind kind, std::ostream* out)
{
    *out << (kind == RealSmtpServer::TKind::SmtpSink ? "smtp-sink" : "aiosmtpd");
}
