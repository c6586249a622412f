// SPDX-License-Identifier: GPL-3.0-or-later
#include "workflow/account/AccountPasswords.h"

#include "workflow/ui/Messages.h"
#include "workflow/ui/UserInterface.h"

#include <cstdlib>

// One keyring entry per user name and host: the same name may have different
// passwords on two servers.
std::string TAccountPasswords::Account(const std::string& user, const std::string& host)
{
    return user + "@" + host;
}

std::optional<std::string> TAccountPasswords::Stored(const std::string& user, const std::string& host)
{
    const std::string account = Account(user, host);
    if (const auto known = FThisRun.find(account); known != FThisRun.end())
        return known->second.Text();
    if (!FKeeper)
        return std::nullopt;
    std::optional<std::string> stored = FKeeper->Read(account);
    if (stored)
        FThisRun[account] = *stored;
    return stored;
}

std::optional<std::string> TAccountPasswords::ForJob(const std::string& user, const std::string& host)
{
    if (const char* given = std::getenv("PELMAR_PASSWORD"))
        return std::string(given);
    if (std::optional<std::string> stored = Stored(user, host))
        return stored;
    std::optional<std::string> answer = UserInterface().AskPassword(Messages::PasswordPrompt(user, host));
    if (answer)
        FThisRun[Account(user, host)] = *answer;
    return answer;
}

std::optional<std::string> TAccountPasswords::AskAgain(const std::string& user, const std::string& host,
                                                       const std::string& refusal)
{
    FThisRun.erase(Account(user, host));
    std::optional<std::string> answer =
        UserInterface().AskPassword(refusal + "\r\r" + Messages::PasswordPrompt(user, host));
    if (answer)
        FThisRun[Account(user, host)] = *answer;
    return answer;
}

bool TAccountPasswords::Store(const std::string& user, const std::string& host, const std::string& password)
{
    const std::string account = Account(user, host);
    FThisRun[account] = password;
    if (!FKeeper)
        return false;
    if (password.empty()) {
        FKeeper->Remove(account);
        return true;
    }
    return FKeeper->Write(account, password);
}
