// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "workflow/account/AccountPasswords.h"

// The desktop's keyring (the Secret Service or KWallet, through QtKeychain), under the
// program's name with one entry per account. Each call waits for the keyring's answer,
// letting events run meanwhile; a keyring that is missing or refuses answers "nothing".
class TKeyringPasswords : public TPasswordKeeper {
public:
    std::optional<std::string> Read(const std::string& account) override;
    bool Write(const std::string& account, const std::string& password) override;
    void Remove(const std::string& account) override;
};
