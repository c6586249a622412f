// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/SecretText.h"

#include <gtest/gtest.h>

namespace {

// While any password is held the process cannot be dumped; it can again once the last
// one is wiped, and wiping leaves nothing of the text.
TEST(SecretText, ProcessIsNotDumpableWhileOneIsHeld)
{
    ASSERT_TRUE(ProcessDumpable());
    {
        TSecretText password("pa55-word");
        TSecretText copy = password;
        EXPECT_FALSE(ProcessDumpable());
        password.Wipe();
        EXPECT_TRUE(password.Empty());
        EXPECT_FALSE(ProcessDumpable()) << "the copy still holds it";
        copy = std::string();
        EXPECT_TRUE(ProcessDumpable());
        copy = "token";
        EXPECT_FALSE(ProcessDumpable());
    }
    EXPECT_TRUE(ProcessDumpable());
    std::string text = "secret";
    WipeText(text);
    EXPECT_TRUE(text.empty());
}

} // namespace
