// SPDX-License-Identifier: GPL-3.0-or-later
#include "mail/MessageIdentity.h"

#include <QTimeZone>
#include <gtest/gtest.h>

#include <regex>
#include <set>

namespace {

TEST(MailDate, WritesEnglishNamesAndTheZoneOffset)
{
    const std::pair<QDateTime, std::string> cases[] = {
        {QDateTime(QDate(2025, 6, 5), QTime(9, 30, 0), QTimeZone(7200)), "Thu, 5 Jun 2025 09:30:00 +0200"},
        {QDateTime(QDate(2024, 12, 29), QTime(23, 59, 59), QTimeZone(3600)), "Sun, 29 Dec 2024 23:59:59 +0100"},
        {QDateTime(QDate(2026, 1, 1), QTime(0, 0, 7), QTimeZone::utc()), "Thu, 1 Jan 2026 00:00:07 +0000"},
        {QDateTime(QDate(2025, 3, 10), QTime(8, 5, 0), QTimeZone(-(3 * 3600 + 30 * 60))),
         "Mon, 10 Mar 2025 08:05:00 -0330"},
        {QDateTime(QDate(2025, 7, 1), QTime(12, 0, 0), QTimeZone(5 * 3600 + 45 * 60)),
         "Tue, 1 Jul 2025 12:00:00 +0545"}};
    for (const auto& [moment, text] : cases)
        EXPECT_EQ(MailDate(moment), text);
}

TEST(MailDate, OfTheLocalTimeCarriesTheLocalOffset)
{
    const QDateTime now = QDateTime::currentDateTime();
    const int offset = now.offsetFromUtc() / 60;
    char zone[16];
    std::snprintf(zone, sizeof zone, "%c%02d%02d", offset < 0 ? '-' : '+', std::abs(offset) / 60,
                  std::abs(offset) % 60);
    EXPECT_TRUE(MailDate(now).ends_with(zone)) << MailDate(now);
}

TEST(MessageId, TakesTheSendersDomainOrAFallback)
{
    const std::pair<std::string, std::string> cases[] = {{"ana@example.org", "<u1@example.org>"},
                                                         {"ana@mail.Example.ORG", "<u1@mail.example.org>"},
                                                         {"ana@šola.si", "<u1@xn--ola-zza.si>"},
                                                         {"a@b@example.org", "<u1@example.org>"},
                                                         {"ana", "<u1@varnolt-pelmar.invalid>"},
                                                         {"", "<u1@varnolt-pelmar.invalid>"},
                                                         {"ana@", "<u1@varnolt-pelmar.invalid>"},
                                                         {"ana@[192.0.2.1]", "<u1@varnolt-pelmar.invalid>"},
                                                         {"ana@exa mple.org", "<u1@varnolt-pelmar.invalid>"},
                                                         {"ana@example..org", "<u1@varnolt-pelmar.invalid>"}};
    for (const auto& [address, id] : cases)
        EXPECT_EQ(MessageId("u1", address), id) << address;
}

TEST(MessageId, UniquePartsDifferAndSuitAMessageId)
{
    std::set<std::string> seen;
    const std::regex dotAtom("[0-9a-f]+\\.[0-9a-f]{16}");
    for (int i = 0; i < 1000; ++i) {
        const std::string unique = NewMessageIdUniquePart();
        EXPECT_TRUE(std::regex_match(unique, dotAtom)) << unique;
        EXPECT_TRUE(seen.insert(unique).second) << "repeated: " << unique;
    }
}

} // namespace
