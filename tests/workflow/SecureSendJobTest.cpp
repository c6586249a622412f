// SPDX-License-Identifier: GPL-3.0-or-later
// The send job over TLS: where the password comes from, the messages that say why a job
// ended before any message, the time-out setting, and pipelined messages that keep the
// job's counts, log lines and pauses in step.
#include "mail/SmtpClient.h"
#include "support/FakeJobWindow.h"
#include "support/FixedStamps.h"
#include "support/MemoryKeeper.h"
#include "support/RecordedPause.h"
#include "support/Sandbox.h"
#include "support/ScriptedServer.h"
#include "support/ScriptedUi.h"
#include "support/SecuredGreetings.h"
#include "support/TestCertificates.h"
#include "workflow/history/HistoryAccess.h"
#include "workflow/job/SendJob.h"
#include "workflow/lists/RowsColumn.h"
#include "workflow/program/ProgramState.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>

namespace {

// The submission account: TLS from the first byte, five seconds' time-out.
class TWindow : public TFakeJobWindow {
public:
    TWindow()
    {
        account.UserID = "ana";
        account.Security = 2;
        account.TimeOut = 5;
    }
};

// Sets an environment variable for the scope.
class TEnvironment {
public:
    TEnvironment(const char* name, const char* value) : FName(name) { setenv(name, value, 1); }
    ~TEnvironment() { unsetenv(FName); }

private:
    const char* FName;
};

const std::string Accepted = "250 ok\r\n250 ok\r\n354 go\r\n";

std::string Envelope(const std::string& mailbox)
{
    return "MAIL FROM:<ana@example.org>\r\nRCPT TO:<" + mailbox + ">\r\nDATA\r\n";
}

std::string Text(const std::string& mailbox)
{
    return "From: Ana<ana@example.org>\r\nTo: " + mailbox + "\r\nSubject: Hello\r\nX-Mailer: Varnolt Pelmar 0.8\r\n"
        + FixedStampLines
        + "Mime-Version: 1.0\r\nContent-Type: text/plain; charset=us-ascii\r\n\r\n\r\nLine one\r\n.\r\n";
}

class SecureSendJob : public ::testing::Test {
protected:
    TTrustTestAuthority Trust;
    TSandbox Sandbox;
    TScriptedUi Ui;
    TRecordedPause Pause;
    THistoryAccess History;
    TSmtpClient Smtp;
    TRowsColumn Entries{std::vector<std::string>{"a@example.org"}};
    TWindow Window;
    TSendJob Job{Smtp, Entries, Window, Window, Window, &History};
    std::unique_ptr<ScriptedServer> Server = std::make_unique<ScriptedServer>();

    void SetUp() override
    {
        Smtp.SetLocalName("client.test");
        Job.Stamps = FixedStamps();
        Window.account.Port = Server->Port();
        Pause.OnPause = [this] { Window.shown.push_back("pause"); };
    }

    // TLS from the first byte, EHLO offering what is given.
    ScriptedServer& Greeted(const std::string& extensions = "250 PIPELINING\r\n")
    {
        return TlsGreeting(*Server, extensions);
    }
    ScriptedServer& Quit() { return Server->ExpectLine("QUIT").Send("221 bye\r\n").WaitForClose(); }

    void Run()
    {
        Server->Start();
        Job.Run();
        Server->Finish();
    }
    void NewServer()
    {
        Server = std::make_unique<ScriptedServer>();
        Window.account.Port = Server->Port();
    }
};

TEST_F(SecureSendJob, PelmarPasswordComesFirstAndIsSentAsTheLogin)
{
    const TEnvironment password("PELMAR_PASSWORD", "s3cret");
    TMemoryKeeper keeper;
    keeper.Entries["ana@127.0.0.1"] = "from the keyring";
    Job.Passwords().SetKeeper(&keeper);
    Greeted("250 AUTH PLAIN\r\n")
        .ExpectLine("AUTH PLAIN AGFuYQBzM2NyZXQ=")
        .Send("235 ok\r\n")
        .ExpectLine("MAIL FROM:<ana@example.org>")
        .Send("250 ok\r\n")
        .ExpectLine("RCPT TO:<a@example.org>")
        .Send("250 ok\r\n")
        .ExpectLine("DATA")
        .Send("354 go\r\n")
        .Expect(Text("a@example.org"))
        .Send("250 queued\r\n");
    Quit();
    Run();
    EXPECT_EQ(Ui.Events, std::vector<std::string>{"beep"});
    EXPECT_EQ(keeper.Reads, 0);
}

TEST_F(SecureSendJob, TheKeyringAnswersBeforeThePersonIsAsked)
{
    TMemoryKeeper keeper;
    keeper.Entries["ana@127.0.0.1"] = "s3cret";
    Job.Passwords().SetKeeper(&keeper);
    Greeted("250-PIPELINING\r\n250 AUTH PLAIN\r\n")
        .ExpectLine("AUTH PLAIN AGFuYQBzM2NyZXQ=")
        .Send("235 ok\r\n")
        .Expect(Envelope("a@example.org"))
        .Send(Accepted)
        .Expect(Text("a@example.org"))
        .Send("250 queued\r\n");
    Quit();
    Run();
    EXPECT_EQ(Ui.Events, std::vector<std::string>{"beep"});
}

TEST_F(SecureSendJob, WithoutAKeyringThePersonIsAskedOncePerRun)
{
    Ui.PasswordAnswers.push_back("s3cret");
    for (int run = 0; run < 2; ++run) {
        NewServer();
        Greeted("250-PIPELINING\r\n250 AUTH PLAIN\r\n")
            .ExpectLine("AUTH PLAIN AGFuYQBzM2NyZXQ=")
            .Send("235 ok\r\n")
            .Expect(Envelope("a@example.org"))
            .Send(Accepted)
            .Expect(Text("a@example.org"))
            .Send("250 queued\r\n");
        Quit();
        Run();
    }
    EXPECT_EQ(Ui.Events, (std::vector<std::string>{"password:Password for ana on 127.0.0.1:", "beep", "beep"}));
}

TEST_F(SecureSendJob, DecliningThePasswordEndsTheJobBeforeItConnects)
{
    Ui.PasswordAnswers.push_back(std::nullopt);
    Job.Run();
    EXPECT_EQ(Ui.Events, std::vector<std::string>{"password:Password for ana on 127.0.0.1:"});
    EXPECT_TRUE(Window.shown.empty());
    EXPECT_FALSE(Smtp.Connected());
}

TEST_F(SecureSendJob, ThePlainDialogueNeverAsksForAPassword)
{
    Window.account.Security = 0;
    Server->Send("220 ready\r\n")
        .ExpectLine("HELO ana")
        .Send("250 hi\r\n")
        .AcceptEnvelope("ana@example.org", "a@example.org", "354 go\r\n")
        .Expect(Text("a@example.org"))
        .Send("250 queued\r\n");
    Quit();
    Run();
    EXPECT_EQ(Ui.Events, std::vector<std::string>{"beep"});
}

// The reasons a person can act on get their own message, in the current language.
struct EndCase {
    const char* Name;
    friend void PrintTo(const EndCase& c, std::ostream* out) { *out << c.Name; }
    std::string TTestCertificates::*Certificate; // null: the login is refused
    int Language;
    std::string Message;
    std::string Prompt = {}; // a refused login asks for the password again, with the reply
};

class SecureJobEnd : public SecureSendJob, public ::testing::WithParamInterface<EndCase> { };

TEST_P(SecureJobEnd, ShowsWhyInPlainWordsAndSendsNothing)
{
    CurrentLanguage = GetParam().Language;
    Job.Passwords().Store("ana", "127.0.0.1", "wrong");
    if (GetParam().Certificate) {
        Server->StartTls(TestCertificates().*GetParam().Certificate, true).WaitForClose();
    } else {
        Greeted("250 AUTH PLAIN\r\n")
            .ExpectLine("AUTH PLAIN AGFuYQB3cm9uZw==")
            .Send("535-5.7.8 Username and password not accepted.\r\n535 5.7.8 See the help pages.\r\n");
        Quit();
    }
    Sandbox.MakeFile("program/log.txt", "an earlier job\r\n");
    Ui.PasswordAnswers.push_back(std::nullopt);
    Run();
    std::vector<std::string> expected{"message:" + GetParam().Message};
    if (!GetParam().Prompt.empty())
        expected.insert(expected.begin(), "password:" + GetParam().Message + "\r\r" + GetParam().Prompt);
    EXPECT_EQ(Ui.Events, expected);
    EXPECT_EQ(ReadFileBytes(Sandbox.ProgramFolder() + "log.txt"), "an earlier job\r\n");
}

INSTANTIATE_TEST_SUITE_P(
    SecureSendJob, SecureJobEnd,
    ::testing::Values(
        EndCase{"NotTrusted", &TTestCertificates::Untrusted, 2,
                "The server 127.0.0.1 showed a certificate that this computer does not trust.\r\rNo message was sent."},
        EndCase{"Expired", &TTestCertificates::Expired, 2,
                "The certificate of the server 127.0.0.1 has expired.\r\rNo message was sent."},
        EndCase{"WrongName", &TTestCertificates::WrongName, 2,
                "The server's certificate is made out to another name, not to 127.0.0.1.\r\rNo message was sent."},
        EndCase{"ExpiredSlovenian", &TTestCertificates::Expired, 1,
                "Potrdilo strežnika 127.0.0.1 je poteklo.\r\rNobeno sporočilo ni bilo poslano."},
        EndCase{"LoginRefused", nullptr, 2,
                "The server refused the login:\r535-5.7.8 Username and password not accepted.\r"
                "535 5.7.8 See the help pages.",
                "Password for ana on 127.0.0.1:"},
        EndCase{"LoginRefusedSlovenian", nullptr, 1,
                "Strežnik je zavrnil prijavo:\r535-5.7.8 Username and password not accepted.\r"
                "535 5.7.8 See the help pages.",
                "Geslo za ana na strežniku 127.0.0.1:"}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(SecureSendJob, ARefusedPasswordIsAskedForAgainAndTheLoginRetried)
{
    Job.Passwords().Store("ana", "127.0.0.1", "wrong");
    Ui.PasswordAnswers.push_back("right");
    Greeted("250 AUTH PLAIN\r\n")
        .ExpectLine("AUTH PLAIN AGFuYQB3cm9uZw==")
        .Send("535 5.7.8 no\r\n")
        .ExpectLine("AUTH PLAIN AGFuYQByaWdodA==")
        .Send("235 ok\r\n")
        .ExpectLine("MAIL FROM:<ana@example.org>")
        .Send("250 ok\r\n")
        .ExpectLine("RCPT TO:<a@example.org>")
        .Send("250 ok\r\n")
        .ExpectLine("DATA")
        .Send("354 go\r\n")
        .Expect(Text("a@example.org"))
        .Send("250 queued\r\n");
    Quit();
    Run();
    EXPECT_EQ(Ui.Events,
              (std::vector<std::string>{
                  "password:The server refused the login:\r535 5.7.8 no\r\rPassword for ana on 127.0.0.1:", "beep"}));
    EXPECT_EQ(Job.Passwords().Stored("ana", "127.0.0.1"), "right");
}

// A secured connection that fails says why under "Connect failed", in the language in force.
struct ConnectCase {
    const char* Name;
    friend void PrintTo(const ConnectCase& c, std::ostream* out) { *out << c.Name; }
    std::int32_t Security;
    void (*Script)(ScriptedServer&);
    int Language;
    std::string Message;
};

class SecureConnectFailure : public SecureSendJob, public ::testing::WithParamInterface<ConnectCase> { };

TEST_P(SecureConnectFailure, SaysTheReasonAndTheStepOnTheSecondLine)
{
    CurrentLanguage = GetParam().Language;
    Job.Passwords().Store("ana", "127.0.0.1", "wrong");
    Window.account.Security = GetParam().Security;
    Window.account.TimeOut = 1;
    if (GetParam().Script) {
        GetParam().Script(*Server);
        Run();
    } else {
        Window.account.Port = 1; // nothing listens on tcpmux's port
        Job.Run();
    }
    EXPECT_EQ(Ui.Events, std::vector<std::string>{"message:" + GetParam().Message});
}

const auto NotOffered = [](ScriptedServer& s) {
    s.Send("220 ready\r\n")
        .ExpectLine("EHLO client.test")
        .Send("250-sink\r\n250 AUTH PLAIN\r\n")
        .ExpectLine("QUIT")
        .Send("221 bye\r\n")
        .WaitForClose();
};
const auto Refused = [](ScriptedServer& s) {
    s.Send("220 ready\r\n")
        .ExpectLine("EHLO client.test")
        .Send("250-sink\r\n250 STARTTLS\r\n")
        .ExpectLine("STARTTLS")
        .Send("454 4.7.0 TLS not available\r\n")
        .ExpectLine("QUIT")
        .Send("221 bye\r\n")
        .WaitForClose();
};
const auto SilentGreeting = [](ScriptedServer& s) { s.WaitForClose(); };
const auto SilentHandshake = [](ScriptedServer& s) { s.DiscardFromHere().WaitForClose(); };
const auto SilentLogin = [](ScriptedServer& s) {
    s.StartTls(TestCertificates().Server)
        .Send("220 ready\r\n")
        .ExpectLine("EHLO client.test")
        .Send("250-sink\r\n250 AUTH PLAIN\r\n")
        .ExpectLine("AUTH PLAIN AGFuYQB3cm9uZw==")
        .WaitForClose();
};

INSTANTIATE_TEST_SUITE_P(
    SecureSendJob, SecureConnectFailure,
    ::testing::Values(
        ConnectCase{
            "StartTlsNotOffered", 1, NotOffered, 2,
            "Connect failed\rThe server does not offer STARTTLS. Choose SSL/TLS (port 465), or ask the provider."},
        ConnectCase{
            "StartTlsNotOfferedSlovenian", 1, NotOffered, 1,
            "Povezava ni uspela\rStrežnik ne ponuja STARTTLS. Izberite SSL/TLS (vrata 465) ali vprašajte ponudnika."},
        ConnectCase{"StartTlsRefused", 1, Refused, 2,
                    "Connect failed\rThe server refused STARTTLS: 454 4.7.0 TLS not available. Try again later, or "
                    "choose SSL/TLS (port 465)."},
        ConnectCase{"StartTlsRefusedSlovenian", 1, Refused, 1,
                    "Povezava ni uspela\rStrežnik je zavrnil STARTTLS: 454 4.7.0 TLS not available. Poskusite kasneje "
                    "ali izberite SSL/TLS (vrata 465)."},
        ConnectCase{"SilentAtTheGreeting", 1, SilentGreeting, 2,
                    "Connect failed\rNo answer from 127.0.0.1 within 1 seconds at the greeting. Check the port and "
                    "the connection security, or give the server a longer time-out."},
        ConnectCase{"SilentAtTheLoginSlovenian", 2, SilentLogin, 1,
                    "Povezava ni uspela\rStrežnik 127.0.0.1 ni odgovoril v 1 sekundah pri prijavi. Preverite vrata in "
                    "varnost povezave ali podaljšajte čakanje na strežnik."},
        ConnectCase{"SilentAtTheTlsHandshake", 2, SilentHandshake, 2,
                    "Connect failed\rNo answer from 127.0.0.1 within 1 seconds at the TLS handshake. Check the port "
                    "and the connection security, or give the server a longer time-out."},
        ConnectCase{"ConnectionRefused", 1, nullptr, 2,
                    "Connect failed\r127.0.0.1 refused the connection on port 1. Check the port and the connection "
                    "security."},
        ConnectCase{"ConnectionRefusedSlovenian", 1, nullptr, 1,
                    "Povezava ni uspela\rStrežnik 127.0.0.1 je zavrnil povezavo na vratih 1. Preverite vrata in "
                    "varnost povezave."}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(SecureSendJob, TheTimeOutSettingIsInSecondsAndZeroWaitsForEver)
{
    Window.account.Security = 0;
    for (const auto& [setting, milliseconds] : std::vector<std::pair<int, int>>{{1, 1000}, {0, 0}, {60, 60000}}) {
        Window.account.TimeOut = setting;
        Window.account.Host = "";
        Job.Run(); // ends at the settings check, after the settings were taken
        EXPECT_EQ(Smtp.TimeOut(), milliseconds) << setting;
    }
}

// Pipelined: an empty entry is no message, and a pause waits for the outcome of the
// message it follows.
TEST_F(SecureSendJob, PipelinedCountsLogLinesAndPausesFollowTheOutcomes)
{
    Job.Passwords().Store("ana", "127.0.0.1", "");
    Entries.Rows = {"a@example.org", "", "b@example.org"};
    Window.account.Delay = 1;
    Greeted()
        .Expect(Envelope("a@example.org"))
        .Send(Accepted)
        .Expect(Text("a@example.org"))
        .Send("250 queued\r\n")
        .Expect(Envelope("b@example.org"))
        .Send(Accepted)
        .Expect(Text("b@example.org"))
        .Send("250 queued\r\n");
    Quit();
    Run();
    std::vector<std::string> seen; // the counter, the log and the pauses
    std::copy_if(Window.shown.begin(), Window.shown.end(), std::back_inserter(seen), [](const std::string& item) {
        return item.rfind("counter:", 0) == 0 || item.rfind("log:", 0) == 0 || item == "pause";
    });
    EXPECT_EQ(seen,
              (std::vector<std::string>{"counter:1/2", "log:a@example.org...   OK.", "pause", "counter:2/2",
                                        "log:b@example.org...   OK.", "pause", "counter:2 messages sent."}));
}

} // namespace
