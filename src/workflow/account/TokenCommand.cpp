// SPDX-License-Identifier: GPL-3.0-or-later
// The "command" sign-in: a helper of the user's prints the access token (the convention
// of passwordeval-style settings and of token helpers), so the program needs no OAuth
// client of its own.
#include "workflow/account/SignIn.h"
#include "workflow/account/SignInMessages.h"

#include <QEventLoop>
#include <QProcess>
#include <QTimer>

namespace {

// Waits in the event loop, so that the windows stay live while the helper runs.
bool AwaitFinished(QProcess& process, int timeOutSeconds)
{
    QEventLoop loop;
    QObject::connect(&process, &QProcess::finished, &loop, &QEventLoop::quit);
    QObject::connect(&process, &QProcess::errorOccurred, &loop, &QEventLoop::quit);
    QTimer timer;
    if (timeOutSeconds > 0) {
        timer.setSingleShot(true);
        QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
        timer.start(timeOutSeconds * 1000);
    }
    if (process.state() != QProcess::NotRunning)
        loop.exec();
    return process.state() == QProcess::NotRunning;
}

std::string Trimmed(const QByteArray& bytes)
{
    return bytes.trimmed().toStdString();
}

}

std::string RunTokenCommand(const std::string& command, int timeOutSeconds)
{
    QProcess process;
    process.setStandardInputFile(QProcess::nullDevice());
    process.start("/bin/sh", {"-c", QString::fromStdString(command)});
    if (!AwaitFinished(process, timeOutSeconds)) {
        process.kill();
        process.waitForFinished();
        throw ESignInError(Messages::TokenCommandFailed(-1, Messages::SignInTimedOut(timeOutSeconds)));
    }
    const std::string errors = Trimmed(process.readAllStandardError());
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        throw ESignInError(Messages::TokenCommandFailed(process.exitCode(), errors));
    const QByteArray output = process.readAllStandardOutput();
    const std::string token = Trimmed(output.left(output.indexOf('\n')));
    if (token.empty())
        throw ESignInError(Messages::TokenCommandEmpty() + (errors.empty() ? "" : "\r" + errors));
    return token;
}
