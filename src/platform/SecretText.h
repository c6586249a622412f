// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <string>

// Overwrites a string's whole buffer (also bytes of earlier, longer contents) and empties
// it, so that a password does not linger in freed memory.
void WipeText(std::string& text);

// A password or token. Its bytes are wiped when it is replaced or destroyed, and while
// any of them holds one the process cannot be dumped or traced by other processes of the
// same user (a core file or ptrace would show the password).
class TSecretText {
public:
    TSecretText() = default;
    explicit TSecretText(const std::string& text) { Assign(text); }
    TSecretText(const TSecretText& other) { Assign(other.FText); }
    TSecretText& operator=(const TSecretText& other);
    TSecretText& operator=(const std::string& text);
    ~TSecretText();

    const std::string& Text() const { return FText; }
    bool Empty() const { return FText.empty(); }
    void Wipe();

private:
    void Assign(const std::string& text);

    std::string FText;
    bool FHeld = false; // counted among the secrets the process holds
};

// Whether the process may be dumped now (false while a secret is held).
bool ProcessDumpable();
