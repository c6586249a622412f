// SPDX-License-Identifier: GPL-3.0-or-later
#include "workflow/lists/MailboxCheck.h"

#include <gtest/gtest.h>

namespace {

struct EntryCase {
    std::string entry;
    std::string mailbox; // what goes into RCPT TO
    bool valid;
};

void PrintTo(const EntryCase& c, std::ostream* os)
{
    *os << '"' << c.entry << '"';
}

class RecipientEntry : public ::testing::TestWithParam<EntryCase> { };

TEST_P(RecipientEntry, YieldsTheTrimmedMailboxAndJudgesIt)
{
    EXPECT_EQ(EntryMailbox(GetParam().entry), GetParam().mailbox);
    EXPECT_EQ(IsValidEntry(GetParam().entry), GetParam().valid);
    EXPECT_EQ(IsValidMailbox(GetParam().mailbox), GetParam().valid);
}

const std::string Local64(64, 'a');
const std::string EightZh = "žžžžžžžž";
const std::string Label63(63, 'b');
// Four labels of 63 octets and their dots: 255 octets.
const std::string Domain255 = Label63 + "." + Label63 + "." + Label63 + "." + Label63;

INSTANTIATE_TEST_SUITE_P(Forms, RecipientEntry,
                         ::testing::Values(
                             // the three entry forms, and blanks around the address
                             EntryCase{"ana@example.org", "ana@example.org", true},
                             EntryCase{"Ana Novak <ana@example.org>", "ana@example.org", true},
                             EntryCase{"SMTP:ana@example.org", "ana@example.org", true},
                             EntryCase{" dave@example.org ", "dave@example.org", true},
                             EntryCase{"\tdave@example.org\t", "dave@example.org", true},
                             EntryCase{"Dave < dave@example.org >", "dave@example.org", true},
                             EntryCase{"dave @example.org", "dave @example.org", false},
                             // not addresses
                             EntryCase{"bob@", "bob@", false}, EntryCase{"@example.org", "@example.org", false},
                             EntryCase{"not an address", "not an address", false},
                             EntryCase{"E-mail Address", "E-mail Address", false}, EntryCase{"   ", "", false},
                             EntryCase{"", "", false}, EntryCase{"Ana <>", "", false},
                             EntryCase{"ana@@example.org", "ana@@example.org", false},
                             EntryCase{"ana@example@org", "ana@example@org", false}),
                         [](const auto& info) { return "Entry" + std::to_string(info.index); });

struct MailboxCase {
    std::string mailbox;
    bool valid;
};

void PrintTo(const MailboxCase& c, std::ostream* os)
{
    *os << '"' << c.mailbox << '"';
}

class Mailbox : public ::testing::TestWithParam<MailboxCase> { };

TEST_P(Mailbox, FollowsTheSmtpGrammar)
{
    EXPECT_EQ(IsValidMailbox(GetParam().mailbox), GetParam().valid);
}

INSTANTIATE_TEST_SUITE_P(
    LocalParts, Mailbox,
    ::testing::Values(MailboxCase{"first.last@example.org", true},
                      MailboxCase{"a!#$%&'*+-/=?^_`{|}~z@example.org", true}, MailboxCase{".ana@example.org", false},
                      MailboxCase{"ana.@example.org", false}, MailboxCase{"ana..novak@example.org", false},
                      MailboxCase{"ana(x)@example.org", false}, MailboxCase{"ana,b@example.org", false},
                      MailboxCase{"\"ana novak\"@example.org", true}, MailboxCase{"\"\"@example.org", true},
                      MailboxCase{"\"a@b\"@example.org", true}, MailboxCase{"\"a\\\"b\"@example.org", true},
                      MailboxCase{"\"a\\\\\"@example.org", true}, MailboxCase{"\"a\"b\"@example.org", false},
                      MailboxCase{"\"ab\\\"@example.org", false}, MailboxCase{"\"unclosed@example.org", false},
                      MailboxCase{"\"a\"\"b\"@example.org", false}, MailboxCase{"\"tab\there\"@example.org", false},
                      MailboxCase{Local64 + "@example.org", true}, MailboxCase{Local64 + "a@example.org", false},
                      MailboxCase{"\"" + std::string(62, 'q') + "\"@example.org", true},
                      MailboxCase{"\"" + std::string(63, 'q') + "\"@example.org", false}));

INSTANTIATE_TEST_SUITE_P(
    Domains, Mailbox,
    ::testing::Values(MailboxCase{"ana@localhost", true}, MailboxCase{"ana@mail-1.example.org", true},
                      MailboxCase{"ana@123.example", true}, MailboxCase{"ana@example.org.", false},
                      MailboxCase{"ana@.example.org", false}, MailboxCase{"ana@example..org", false},
                      MailboxCase{"ana@-example.org", false}, MailboxCase{"ana@example-.org", false},
                      MailboxCase{"ana@ex_ample.org", false}, MailboxCase{"ana@exa mple.org", false},
                      MailboxCase{"ana@" + Label63 + ".org", true}, MailboxCase{"ana@" + Label63 + "b.org", false},
                      MailboxCase{"ana@" + Domain255, true}, MailboxCase{"ana@a." + Domain255, false}));

INSTANTIATE_TEST_SUITE_P(
    AddressLiterals, Mailbox,
    ::testing::Values(MailboxCase{"ana@[192.0.2.1]", true}, MailboxCase{"ana@[255.255.255.255]", true},
                      MailboxCase{"ana@[192.0.2.001]", true}, MailboxCase{"ana@[256.0.2.1]", false},
                      MailboxCase{"ana@[192.0.2]", false}, MailboxCase{"ana@[192.0.2.1.5]", false},
                      MailboxCase{"ana@[192.0..1]", false}, MailboxCase{"ana@192.0.2.1]", false},
                      MailboxCase{"ana@[192.0.2.1", false}, MailboxCase{"ana@[IPv6:2001:db8::1]", true},
                      MailboxCase{"ana@[ipv6:2001:db8::1]", true}, MailboxCase{"ana@[IPv6:2001:db8:0:0:0:0:0:1]", true},
                      MailboxCase{"ana@[IPv6:::ffff:192.0.2.1]", true}, MailboxCase{"ana@[IPv6:2001:db8::g]", false},
                      MailboxCase{"ana@[IPv6:]", false}, MailboxCase{"ana@[2001:db8::1]", false},
                      MailboxCase{"ana@[x-tag:anything]", false}, MailboxCase{"ana@[]", false}));

INSTANTIATE_TEST_SUITE_P(Utf8, Mailbox,
                         ::testing::Values(MailboxCase{"jože@example.org", true},
                                           MailboxCase{"\"jože novak\"@example.org", true},
                                           MailboxCase{"ana@šola.si", true}, MailboxCase{"ana@xn--ola-9na.si", true},
                                           MailboxCase{"jo\xbe"
                                                       "e@example.org",
                                                       false}, // "ž" in the Central European code page
                                           MailboxCase{"jo\xc5@example.org", false},     // a sequence cut short
                                           MailboxCase{"jo\xc0\xaf@example.org", false}, // an overlong "/"
                                           MailboxCase{"ana@\xc5\xa1ola\xbe.si", false},
                                           // the limit counts octets: eight "ž" are 16
                                           MailboxCase{std::string(48, 'a') + EightZh + "@example.org", true},
                                           MailboxCase{std::string(49, 'a') + EightZh + "@example.org", false}));

}
