// SPDX-License-Identifier: GPL-3.0-or-later
// The login with a bearer token, byte for byte: OAUTHBEARER before XOAUTH2, the error
// challenge answered as RFC 7628 asks, a fresh token once after a refusal.
#include "mail/SmtpClient.h"

#include "support/ScriptedServer.h"
#include "support/TestCertificates.h"

#include <QByteArray>
#include <gtest/gtest.h>

namespace {

std::string Base64(const std::string& text)
{
    return QByteArray::fromStdString(text).toBase64().toStdString();
}

const std::string Challenge = Base64(R"({"status":"invalid_token","schemes":"bearer"})");

struct BearerCase {
    const char* Name;
    friend void PrintTo(const BearerCase& c, std::ostream* out) { *out << c.Name; }
    const char* Offered;                 // the AUTH line after TLS
    std::vector<std::string> Exchange;   // the client's lines and the server's replies, in turn
    std::vector<bool> RenewAsked;        // the token source's calls
    std::optional<TSmtpErrorKind> Error; // how Connect ends; nothing when logged in
    const char* ErrorText;               // found in the error's reply text
};

class BearerLogin : public ::testing::TestWithParam<BearerCase> {
protected:
    TTrustTestAuthority Trust;
    ScriptedServer server;
    TSmtpClient smtp;
};

TEST_P(BearerLogin, SignsInOrSaysWhy)
{
    const BearerCase& c = GetParam();
    server.Send("220 sink.test ready\r\n")
        .ExpectLine("EHLO client.test")
        .Send("250-sink.test\r\n250 STARTTLS\r\n")
        .ExpectLine("STARTTLS")
        .Send("220 go ahead\r\n")
        .StartTls(TestCertificates().Server)
        .ExpectLine("EHLO client.test")
        .Send(std::string("250-sink.test\r\n") + c.Offered);
    for (std::size_t i = 0; i + 1 < c.Exchange.size(); i += 2)
        server.ExpectLine(c.Exchange[i]).Send(c.Exchange[i + 1]);
    server.ExpectLine("QUIT").Send("221 bye\r\n").WaitForClose();
    server.Start();
    smtp.SetHost("127.0.0.1");
    smtp.SetPort(server.Port());
    smtp.SetUserID("ana");
    smtp.SetLocalName("client.test");
    smtp.SetSecurity(TSmtpSecurity::StartTls);
    smtp.SetTimeOut(5000);
    std::vector<bool> asked;
    smtp.SetAccessTokenSource([&asked](bool renew) {
        asked.push_back(renew);
        return renew ? "tok2" : "tok1";
    });
    if (c.Error) {
        try {
            smtp.Connect();
            ADD_FAILURE() << "no error";
        } catch (const ESmtpError& error) {
            EXPECT_EQ(error.Kind(), *c.Error);
            EXPECT_NE((error.ReplyText() + error.what()).find(c.ErrorText), std::string::npos) << error.ReplyText();
        }
    } else {
        smtp.Connect();
        smtp.Disconnect();
    }
    EXPECT_EQ(asked, c.RenewAsked);
    server.Finish();
}

INSTANTIATE_TEST_SUITE_P(Cases, BearerLogin,
                         ::testing::Values(BearerCase{"OauthBearerFirst",
                                                      "250 AUTH PLAIN XOAUTH2 OAUTHBEARER\r\n",
                                                      {"AUTH OAUTHBEARER "
                                                           + Base64("n,a=ana,\x01"
                                                                    "auth=Bearer tok1\x01\x01"),
                                                       "235 2.7.0 ok\r\n"},
                                                      {false},
                                                      std::nullopt,
                                                      ""},
                                           BearerCase{"Xoauth2WhereOnlyItIsOffered",
                                                      "250 AUTH PLAIN XOAUTH2\r\n",
                                                      {"AUTH XOAUTH2 "
                                                           + Base64("user=ana\x01"
                                                                    "auth=Bearer tok1\x01\x01"),
                                                       "235 2.7.0 ok\r\n"},
                                                      {false},
                                                      std::nullopt,
                                                      ""},
                                           BearerCase{"ErrorChallengeThenAFreshToken",
                                                      "250 AUTH OAUTHBEARER\r\n",
                                                      {"AUTH OAUTHBEARER "
                                                           + Base64("n,a=ana,\x01"
                                                                    "auth=Bearer tok1\x01\x01"),
                                                       "334 " + Challenge + "\r\n", "AQ==", "535 5.7.8 no\r\n",
                                                       "AUTH OAUTHBEARER "
                                                           + Base64("n,a=ana,\x01"
                                                                    "auth=Bearer tok2\x01\x01"),
                                                       "235 2.7.0 ok\r\n"},
                                                      {false, true},
                                                      std::nullopt,
                                                      ""},
                                           BearerCase{"Xoauth2ChallengeIsAnsweredWithAnEmptyLine",
                                                      "250 AUTH XOAUTH2\r\n",
                                                      {"AUTH XOAUTH2 "
                                                           + Base64("user=ana\x01"
                                                                    "auth=Bearer tok1\x01\x01"),
                                                       "334 " + Challenge + "\r\n", "", "535 5.7.8 no\r\n",
                                                       "AUTH XOAUTH2 "
                                                           + Base64("user=ana\x01"
                                                                    "auth=Bearer tok2\x01\x01"),
                                                       "334 " + Challenge + "\r\n", "", "535 5.7.8 still no\r\n"},
                                                      {false, true},
                                                      TSmtpErrorKind::AuthenticationFailed,
                                                      "535 5.7.8 still no\r\nstatus: invalid_token"},
                                           BearerCase{"NoTokenLoginOffered",
                                                      "250 AUTH PLAIN LOGIN\r\n",
                                                      {},
                                                      {},
                                                      TSmtpErrorKind::LoginNotOffered,
                                                      "OAUTHBEARER or XOAUTH2"}),
                         [](const auto& info) { return std::string(info.param.Name); });

} // namespace
