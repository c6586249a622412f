// SPDX-License-Identifier: GPL-3.0-or-later
// "Test" in the settings dialog against the scripted server: what the server offers and
// whether the login works, with nothing sent.
#include "workflow/autoconfig/AccountTest.h"

#include "platform/MachineName.h"
#include "support/ScriptedServer.h"
#include "support/TestCertificates.h"
#include "workflow/program/ProgramState.h"
#include "workflow/settings/Settings.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

// The fields as the dialog would give them: TLS from the first byte, five seconds' time-out.
TSettings FieldSettings(std::int32_t port)
{
    TSettings settings = DefaultSettings();
    settings.Name = "Ana";
    settings.Email = "ana@example.org";
    settings.Host = "127.0.0.1";
    settings.UserID = "ana";
    settings.Port = port;
    settings.Security = 2;
    settings.TimeOut = 5;
    return settings;
}

struct AccountTestCase {
    const char* Name;
    friend void PrintTo(const AccountTestCase& c, std::ostream* out) { *out << c.Name; }
    int Language;
    const char* Extensions; // the EHLO reply's lines after the first
    const char* Password;
    const char* LoginReply; // nullptr: no login expected
    const char* Report;
};

class AccountTestReport : public testing::TestWithParam<AccountTestCase> { };

TEST_P(AccountTestReport, SaysWhatTheServerOffersAndWhetherTheLoginWorks)
{
    const AccountTestCase& c = GetParam();
    TTrustTestAuthority trust;
    for (int i = 0; i < 100 && MachineDomainName().empty(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    const std::string ehlo = MachineDomainName().empty() ? "[127.0.0.1]" : MachineDomainName();
    ScriptedServer server;
    server.StartTls(TestCertificates().Server)
        .Send("220 ready\r\n")
        .ExpectLine("EHLO " + ehlo)
        .Send(std::string("250-sink.test\r\n") + c.Extensions);
    if (c.LoginReply)
        server.ExpectLine("AUTH PLAIN AGFuYQBzM2NyZXQ=").Send(c.LoginReply);
    server.ExpectLine("QUIT").Send("221 bye\r\n");
    server.WaitForClose();
    server.Start();
    const TSettings settings = FieldSettings(server.Port());
    const std::int32_t language = std::exchange(CurrentLanguage, c.Language);
    const std::string report = TestAccount(settings, c.Password);
    CurrentLanguage = language;
    EXPECT_EQ(report, c.Report);
    server.Finish();
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AccountTestReport,
    testing::Values(AccountTestCase{"EverythingOfferedLoginAccepted", 2,
                                    "250-PIPELINING\r\n250-SIZE 35882577\r\n250 AUTH LOGIN PLAIN\r\n", "s3cret",
                                    "235 2.7.0 welcome\r\n",
                                    "Connected to 127.0.0.1.\rSTARTTLS: no\rAUTH: LOGIN PLAIN\rSIZE: 35882577\r"
                                    "PIPELINING: yes\rLogin: accepted"},
                    AccountTestCase{"NothingOfferedNoPassword", 1, "250 8BITMIME\r\n", "", nullptr,
                                    "Povezava s strežnikom 127.0.0.1.\rSTARTTLS: ne\rAUTH: ni ponujen\rSIZE: ne\r"
                                    "PIPELINING: ne\rPrijava: ni preizkušena (ni gesla)"},
                    AccountTestCase{"LoginRefused", 2, "250 AUTH PLAIN\r\n", "s3cret", "535 5.7.8 bad credentials\r\n",
                                    "The server refused the login:\r535 5.7.8 bad credentials"}),
    [](const testing::TestParamInfo<AccountTestCase>& info) { return std::string(info.param.Name); });

} // namespace
