// SPDX-License-Identifier: GPL-3.0-or-later
// The login with an OAuth 2.0 bearer token: OAUTHBEARER (RFC 7628), else XOAUTH2, the
// older form that the large providers still take. Like the password, only over TLS.
#include "mail/SmtpClient.h"

#include "mail/SmtpReplyBounds.h"

#include <QByteArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

// RFC 4954 section 6: logged in; the server waits for the next part of the login.
constexpr int kLoggedIn = 235;
constexpr int kGoOn = 334;
constexpr char kSeparator = '\x01';

std::string Base64(const std::string& bytes)
{
    return QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())).toBase64().toStdString();
}

// RFC 5801 section 4: a saslname writes "," and "=" as =2C and =3D.
std::string SaslName(const std::string& name)
{
    std::string escaped;
    for (const char c : name)
        escaped += c == ',' ? "=2C" : c == '=' ? "=3D" : std::string(1, c);
    return escaped;
}

// The "status" of the error challenge, RFC 7628 section 3.2.2: base64 JSON after "334 ".
std::string ChallengeStatus(const TSmtpReply& reply)
{
    std::string text = reply.FirstLine().size() > 4 ? reply.FirstLine().substr(4) : std::string();
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n'))
        text.pop_back();
    const QJsonDocument json = QJsonDocument::fromJson(QByteArray::fromBase64(QByteArray::fromStdString(text)));
    return json.object().value("status").toString().toStdString();
}

} // namespace

// The token is asked for fresh after a refusal, once; after that OnAuthenticationFailed
// may sign the person in again and grant one more try.
void TSmtpClient::LogInWithToken()
{
    const bool oauthBearer = FAuthMechanisms.count("OAUTHBEARER") > 0;
    if (!oauthBearer && FAuthMechanisms.count("XOAUTH2") == 0)
        throw ESmtpError(TSmtpErrorKind::LoginNotOffered,
                         "The server offers no login with a token (AUTH OAUTHBEARER or XOAUTH2)", TSmtpStep::Auth);
    const std::string mechanism = oauthBearer ? "OAUTHBEARER" : "XOAUTH2";
    bool renew = false;
    bool askedHandler = false;
    for (;;) {
        try {
            SendBearerToken(mechanism, FAccessTokenSource(renew));
            return;
        } catch (const ESmtpError& error) {
            if (error.Kind() != TSmtpErrorKind::AuthenticationFailed)
                throw;
            if (!renew) {
                renew = true;
                continue;
            }
            bool handled = false;
            FLoginRefusal = error.Reply();
            if (!askedHandler && OnAuthenticationFailed)
                OnAuthenticationFailed(handled);
            if (!handled)
                throw;
            askedHandler = true;
            renew = false;
        }
    }
}

// RFC 7628 section 3.2.3: an error comes as a 334 challenge that the client answers with
// a lone %x01 (XOAUTH2: an empty line) before the server's final reply. The challenge's
// status goes with the refusal, for the person to see.
void TSmtpClient::SendBearerToken(const std::string& mechanism, const std::string& token)
{
    const std::string bearer = "auth=Bearer " + token + kSeparator + kSeparator;
    const std::string response = mechanism == "OAUTHBEARER" ? "n,a=" + SaslName(FUserID) + "," + kSeparator + bearer
                                                            : "user=" + FUserID + kSeparator + bearer;
    const TSmtpReply reply = Command("AUTH " + mechanism + " " + Base64(response));
    if (reply.Code != kGoOn) {
        CheckLoginStep(reply, kLoggedIn);
        return;
    }
    const std::string status = ChallengeStatus(reply);
    TSmtpReply final = Command(mechanism == "OAUTHBEARER" ? Base64(std::string(1, kSeparator)) : std::string());
    CheckReply(final, TSmtpStep::Auth, SmtpBounds::AnyCode);
    if (!status.empty())
        final.Lines.push_back("status: " + status + "\r\n");
    throw ESmtpError(TSmtpErrorKind::AuthenticationFailed, final.FirstLine(), TSmtpStep::Auth, final);
}
