// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "platform/SecretText.h"

#include <map>
#include <optional>
#include <string>

// Where passwords are kept between runs: the desktop's keyring.
class TPasswordKeeper {
public:
    virtual ~TPasswordKeeper() = default;
    // The password stored for the account; nothing when none is or no keyring answers.
    virtual std::optional<std::string> Read(const std::string& account) = 0;
    // False when no keyring took it.
    virtual bool Write(const std::string& account, const std::string& password) = 0;
    virtual void Remove(const std::string& account) = 0;
};

// The password of the mail account (a user name on a host) for the running program. It
// lives in memory and in the keyring only: never in the settings file, a log or the
// history.
class TAccountPasswords {
public:
    // keeper may be null (no keyring); it is not owned.
    void SetKeeper(TPasswordKeeper* keeper) { FKeeper = keeper; }

    // The password given this run, else the keyring's.
    std::optional<std::string> Stored(const std::string& user, const std::string& host);
    // For a job: PELMAR_PASSWORD when it is set (scripted runs), else Stored, else the
    // person's answer (masked), kept for the rest of the run. Nothing when the person
    // declined.
    std::optional<std::string> ForJob(const std::string& user, const std::string& host);
    // After the server refused the password: forgets it for the run and asks the person,
    // saying why (the refusal); the answer is kept for the run.
    std::optional<std::string> AskAgain(const std::string& user, const std::string& host, const std::string& refusal);
    // Keeps the password for the run and in the keyring; an empty one is removed there.
    // False when no keyring took it: it holds only until the program ends.
    bool Store(const std::string& user, const std::string& host, const std::string& password);
    // Wipes the passwords kept for the run: a program that sends no more job.
    void Forget() { FThisRun.clear(); }

private:
    static std::string Account(const std::string& user, const std::string& host);

    std::map<std::string, TSecretText> FThisRun;
    TPasswordKeeper* FKeeper = nullptr;
};
