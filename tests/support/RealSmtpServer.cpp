// SPDX-License-Identifier: GPL-3.0-or-later
#include "RealSmtpServer.h"

#include <chrono>
#include <thread>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "LoopbackPeers.h"

namespace {

// A port that was free a moment ago; the server binds it right after.
std::uint16_t FreeLoopbackPort()
{
    const int handle = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    bind(handle, reinterpret_cast<sockaddr*>(&address), sizeof address);
    getsockname(handle, reinterpret_cast<sockaddr*>(&address), &length);
    ::close(handle);
    return ntohs(address.sin_port);
}

} // namespace

RealSmtpServer::RealSmtpServer(TKind kind, const std::string& saveFolder)
{
    if (kind == TKind::SmtpSink)
        StartSmtpSink();
    else
        StartAiosmtpd(saveFolder);
    if (FProblem.empty())
        AwaitAnswer();
}

void RealSmtpServer::StartSmtpSink()
{
    FPort = FreeLoopbackPort();
    QStringList arguments;
    if (geteuid() == 0)
        arguments << "-u"
                  << "nobody"; // it refuses to keep root's privileges
    arguments << QStringLiteral("127.0.0.1:%1").arg(FPort) << "10";
    FProcess.start("/usr/sbin/smtp-sink", arguments);
    if (!FProcess.waitForStarted(5000))
        FProblem = "cannot start: " + FProcess.errorString().toStdString();
}

// The helper script binds port 0 itself and tells the port on its first line; it
// runs until its standard input closes.
void RealSmtpServer::StartAiosmtpd(const std::string& saveFolder)
{
    const QString script = QStringLiteral(PELMAR_SOURCE_DIR "/tests/e2e/smtp_servers.py");
    FProcess.start("/usr/bin/python3", {script, "aiosmtpd", QString::fromStdString(saveFolder)});
    if (!FProcess.waitForStarted(5000)) {
        FProblem = "cannot start: " + FProcess.errorString().toStdString();
        return;
    }
    while (!FProcess.canReadLine() && FProcess.waitForReadyRead(10000)) { }
    const QByteArray line = FProcess.readLine().trimmed();
    if (!line.startsWith("PORT "))
        FProblem = "no port: " + FProcess.readAllStandardError().toStdString();
    else
        FPort = static_cast<std::uint16_t>(line.mid(5).toUInt());
}

void RealSmtpServer::AwaitAnswer()
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!FReady && std::chrono::steady_clock::now() < deadline && FProcess.state() == QProcess::Running) {
        const int probe = ConnectLoopback(FPort);
        FReady = probe >= 0;
        if (FReady)
            ::close(probe);
        else
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    if (!FReady)
        FProblem = "does not answer: " + FProcess.readAllStandardError().toStdString();
}

RealSmtpServer::~RealSmtpServer()
{
    FProcess.closeWriteChannel();
    FProcess.terminate();
    if (!FProcess.waitForFinished(3000)) {
        FProcess.kill();
        FProcess.waitForFinished(3000);
    }
}
