// SPDX-License-Identifier: GPL-3.0-or-later
// The window's job signing in with OAuth 2.0: the browser step goes through the seam that
// opens addresses, driven here by a stand-in browser against the local provider; the
// server refuses the first token with the error challenge and takes a refreshed one.
#include "mail/SmtpClient.h"
#include "signin/OAuthSignIn.h"
#include "support/FakeJobWindow.h"
#include "support/MemoryKeeper.h"
#include "support/RecordedPause.h"
#include "support/Sandbox.h"
#include "support/ScriptedServer.h"
#include "support/ScriptedUi.h"
#include "support/TestCertificates.h"
#include "workflow/job/SendJob.h"
#include "workflow/lists/RowsColumn.h"

#include <QByteArray>
#include <QProcess>
#include <gtest/gtest.h>

namespace {

const QString Python = "/usr/bin/python3";
const QString E2e = QString(PELMAR_SOURCE_DIR) + "/tests/e2e/";

class TAccount : public TFakeJobWindow {
public:
    TAccount()
    {
        account.UserID = "ana";
        account.Security = 2;
        account.SignInMode = "oauth2";
        account.OAuthClientId = "pelmar-test-client";
        account.OAuthScope = "mail";
    }
};

std::string Bearer(const std::string& token)
{
    return "AUTH OAUTHBEARER "
        + QByteArray::fromStdString("n,a=ana,\x01"
                                    "auth=Bearer "
                                    + token + "\x01\x01")
              .toBase64()
              .toStdString();
}

TEST(OAuthSendJob, SignsInThroughTheBrowserSeamAndRefreshesARefusedToken)
{
    TTrustTestAuthority trust;
    TSandbox sandbox;
    TScriptedUi ui;
    TRecordedPause pause;
    QProcess provider;
    provider.start(Python,
                   {E2e + "oauth_provider.py", QString::fromStdString(TestCertificates().Server),
                    QString::fromStdString(TestCertificates().Key)});
    ASSERT_TRUE(provider.waitForReadyRead(10000));
    const std::string url = provider.readLine().trimmed().toStdString();
    ui.OnShellOpen = [](const std::string& target) {
        QProcess::startDetached(Python, {E2e + "browser.py", QString::fromStdString(target)});
    };
    TMemoryKeeper keyring;
    TOAuthSignIn oauth(&keyring, true);
    TSmtpClient smtp;
    smtp.SetLocalName("client.test");
    TRowsColumn entries{std::vector<std::string>{"a@example.org"}};
    TAccount account;
    account.account.OAuthAuthUrl = url + "/authorize";
    account.account.OAuthTokenUrl = url + "/token";
    TSendJob job(smtp, entries, account, account, account, nullptr);
    job.SetOAuthTokens(&oauth);
    ScriptedServer server;
    account.account.Port = server.Port();
    const std::string challenge = QByteArray(R"({"status":"invalid_token"})").toBase64().toStdString();
    server.StartTls(TestCertificates().Server)
        .Send("220 ready\r\n")
        .ExpectLine("EHLO client.test")
        .Send("250-sink\r\n250 AUTH OAUTHBEARER\r\n")
        .ExpectLine(Bearer("access-1"))
        .Send("334 " + challenge + "\r\n")
        .ExpectLine("AQ==")
        .Send("535 5.7.8 no\r\n")
        .ExpectLine(Bearer("access-2"))
        .Send("235 ok\r\n")
        .ExpectLine("MAIL FROM:<ana@example.org>")
        .Send("250 ok\r\n")
        .ExpectLine("RCPT TO:<a@example.org>")
        .Send("250 ok\r\n")
        .ExpectLine("DATA")
        .Send("554 5.0.0 not today\r\n")
        .ExpectLine("QUIT")
        .Send("221 bye\r\n")
        .WaitForClose();
    server.Start();
    job.Run();
    server.Finish();
    provider.closeWriteChannel();
    ASSERT_TRUE(provider.waitForFinished(10000));
    EXPECT_EQ(provider.readAll().trimmed().toStdString(), "grant authorization_code\ngrant refresh_token");
    ASSERT_EQ(ui.ShellOpened.size(), 1u);
    EXPECT_NE(ui.ShellOpened[0].find("code_challenge_method=S256"), std::string::npos);
    EXPECT_NE(ui.ShellOpened[0].find("redirect_uri=http%3A%2F%2F127.0.0.1%3A"), std::string::npos);
    EXPECT_EQ(keyring.Entries["oauth2:ana@127.0.0.1"], "refresh-2");
}

} // namespace
