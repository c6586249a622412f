// SPDX-License-Identifier: GPL-3.0-or-later
#include "workflow/lists/RecipientEntry.h"

#include <gtest/gtest.h>

namespace {

struct SplitCase {
    std::string entry;
    std::string displayName;
    std::string address;
};

TEST(RecipientEntry, SplitsIntoDisplayNameAndAddress)
{
    const SplitCase cases[] = {
        {"Ana Novak <ana@x.org>", "Ana Novak", "ana@x.org"},
        {"  Ana Novak   < ana@x.org > ", "Ana Novak", "ana@x.org"},
        {"\"Novak, Ana\" <ana@x.org>", "Novak, Ana", "ana@x.org"},
        {"\"say \\\"hi\\\" \\\\o/\" <a@x.org>", "say \"hi\" \\o/", "a@x.org"},
        {"<ana@x.org>", "", "ana@x.org"},
        {"ana@x.org", "", "ana@x.org"},
        {"To:ana@x.org", "", "ana@x.org"},
        {"", "", ""},
    };
    for (const SplitCase& c : cases) {
        const TEntryParts parts = SplitEntry(c.entry);
        EXPECT_EQ(parts.DisplayName, c.displayName) << c.entry;
        EXPECT_EQ(parts.Address, c.address) << c.entry;
    }
}

TEST(RecipientEntry, MakesEntriesThatSplitBack)
{
    struct {
        std::string name, entry, nameBack;
    } cases[] = {
        {"Ana Novak", "Ana Novak <ana@x.org>", "Ana Novak"},
        {"Ana M. Novak", "Ana M. Novak <ana@x.org>", "Ana M. Novak"},
        {"Novak, Ana", "\"Novak, Ana\" <ana@x.org>", "Novak, Ana"},
        {"Ana \"Ani\" Novak", "\"Ana \\\"Ani\\\" Novak\" <ana@x.org>", "Ana \"Ani\" Novak"},
        {"back\\slash", "\"back\\\\slash\" <ana@x.org>", "back\\slash"},
        {" Ana\r\nBcc: eve@x.org ", "\"Ana Bcc: eve@x.org\" <ana@x.org>", "Ana Bcc: eve@x.org"},
        {"<Ana> Novak", "Ana Novak <ana@x.org>", "Ana Novak"},
        {"  ", "ana@x.org", ""},
        {"", "ana@x.org", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(MakeEntry(c.name, "ana@x.org"), c.entry) << c.name;
        const TEntryParts parts = SplitEntry(c.entry);
        EXPECT_EQ(parts.DisplayName, c.nameBack) << c.name;
        EXPECT_EQ(parts.Address, "ana@x.org") << c.name;
    }
    EXPECT_EQ(MakeEntry("", "x:y@z.org"), "<x:y@z.org>");
    EXPECT_EQ(SplitEntry("<x:y@z.org>").Address, "x:y@z.org");
    EXPECT_EQ(MakeEntry("Ana", " <a>@x.org\r\n"), "Ana <a@x.org>");
}

TEST(RecipientEntry, OneLineLeavesNoControlCharacters)
{
    const char controls[] = "\t a\r\n\r\nb \0 c\x7f";
    EXPECT_EQ(OneLine(std::string(controls, sizeof controls - 1)), "a b c");
    EXPECT_EQ(OneLine("čšž  đ"), "čšž đ");
    EXPECT_EQ(OneLine(" \r\n "), "");
}

} // namespace
