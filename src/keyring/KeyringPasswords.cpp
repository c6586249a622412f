// SPDX-License-Identifier: GPL-3.0-or-later
#include "keyring/KeyringPasswords.h"

#include "workflow/program/ProgramState.h"

#include <QEventLoop>
#include <qt6keychain/keychain.h>

namespace {

// Runs the job to its end; true when it succeeded.
bool Finish(QKeychain::Job& job, const std::string& account)
{
    job.setAutoDelete(false);
    job.setKey(QString::fromStdString(account));
    bool done = false;
    QEventLoop loop;
    QObject::connect(&job, &QKeychain::Job::finished, &loop, [&] {
        done = true;
        loop.quit();
    });
    job.start();
    if (!done)
        loop.exec();
    return job.error() == QKeychain::NoError;
}

QString Service()
{
    return QString::fromUtf8(ApplicationTitle);
}

} // namespace

std::optional<std::string> TKeyringPasswords::Read(const std::string& account)
{
    QKeychain::ReadPasswordJob job(Service());
    if (!Finish(job, account))
        return std::nullopt;
    return job.textData().toStdString();
}

bool TKeyringPasswords::Write(const std::string& account, const std::string& password)
{
    QKeychain::WritePasswordJob job(Service());
    job.setTextData(QString::fromStdString(password));
    return Finish(job, account);
}

void TKeyringPasswords::Remove(const std::string& account)
{
    QKeychain::DeletePasswordJob job(Service());
    Finish(job, account);
}
