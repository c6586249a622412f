// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "workflow/account/AccountPasswords.h"

#include <map>
#include <optional>
#include <string>

// A keyring in memory that counts how often it is read.
class TMemoryKeeper : public TPasswordKeeper {
public:
    std::map<std::string, std::string> Entries;
    int Reads = 0;

    std::optional<std::string> Read(const std::string& account) override
    {
        ++Reads;
        const auto found = Entries.find(account);
        return found == Entries.end() ? std::nullopt : std::optional<std::string>(found->second);
    }
    bool Write(const std::string& account, const std::string& password) override
    {
        Entries[account] = password;
        return true;
    }
    void Remove(const std::string& account) override { Entries.erase(account); }
};
