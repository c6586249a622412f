// SPDX-License-Identifier: GPL-3.0-or-later
// The dialogue over TLS: EHLO, STARTTLS, the login.
#include "mail/SmtpClient.h"

#include "mail/SmtpReplyBounds.h"
#include "platform/MachineName.h"

#include <QByteArray>

#include <algorithm>
#include <cctype>
#include <sstream>

using namespace SmtpBounds;

namespace {

// RFC 5321 section 3.2: a server that does not know EHLO answers one of these, and
// HELO follows.
constexpr int kEhloUnknown = 500;
constexpr int kEhloNotImplemented = 502;
// RFC 4954 section 6: logged in; the server waits for the next part of the login.
constexpr int kLoggedIn = 235;
constexpr int kGoOn = 334;

std::string Upper(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::toupper(c); });
    return text;
}

std::string Base64(const std::string& bytes)
{
    return QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())).toBase64().toStdString();
}

// The words of one EHLO line after its code and separator, line end dropped.
std::vector<std::string> Words(const std::string& line)
{
    std::istringstream text(line.size() > 4 ? line.substr(4) : std::string());
    std::vector<std::string> words;
    for (std::string word; text >> word;)
        words.push_back(word);
    return words;
}

} // namespace

void TSmtpClient::OpenSecured()
{
    const std::string serverName = Host().substr(0, Host().find('\0'));
    if (FSecurity == TSmtpSecurity::Tls) {
        FOpeningStep = TSmtpStep::StartTls;
        StartTls(serverName);
    }
    FOpeningStep = TSmtpStep::Greeting;
    Greet();
    FOpeningStep = TSmtpStep::Ehlo;
    Introduce();
    if (FSecurity == TSmtpSecurity::StartTls) {
        FOpeningStep = TSmtpStep::StartTls;
        RequestTls();
        FOpeningStep = TSmtpStep::Ehlo;
        Introduce();
    }
    FOpeningStep = TSmtpStep::Auth;
    LogIn();
    FOpeningStep = TSmtpStep::None;
    FPipelining = Offers("PIPELINING");
}

// EHLO, or HELO with the same name where the server does not know EHLO; every call
// starts from nothing, so that what a server said before TLS counts for nothing after.
void TSmtpClient::Introduce()
{
    FExtensions.clear();
    FAuthMechanisms.clear();
    FExtensionParameters.clear();
    const std::string name = EhloName();
    const TSmtpReply reply = Command("EHLO " + name);
    CheckReply(reply, TSmtpStep::Ehlo, AnyCode);
    if (reply.Code == kEhloUnknown || reply.Code == kEhloNotImplemented) {
        CheckReply(Command("HELO " + name), TSmtpStep::Helo, RefusedAboveHelo);
        return;
    }
    CheckReply(reply, TSmtpStep::Ehlo, RefusedAboveHelo);
    NoteExtensions(reply);
}

std::string TSmtpClient::ExtensionParameters(const std::string& keyword) const
{
    const auto found = FExtensionParameters.find(keyword);
    return found == FExtensionParameters.end() ? std::string() : found->second;
}

// RFC 5321 section 4.1.1.1: every line after the first names an extension, its
// parameters following. Old servers write "AUTH=LOGIN PLAIN".
void TSmtpClient::NoteExtensions(const TSmtpReply& reply)
{
    for (std::size_t i = 1; i < reply.Lines.size(); ++i) {
        std::vector<std::string> words = Words(reply.Lines[i]);
        if (words.empty())
            continue;
        std::string keyword = Upper(words.front());
        if (keyword.rfind("AUTH=", 0) == 0) {
            words.push_back(keyword.substr(5));
            keyword = "AUTH";
        }
        FExtensions.insert(keyword);
        std::string parameters;
        for (std::size_t w = 1; w < words.size(); ++w)
            parameters += (w > 1 ? " " : "") + words[w];
        FExtensionParameters.emplace(keyword, parameters);
        if (keyword == "AUTH")
            for (std::size_t w = 1; w < words.size(); ++w)
                FAuthMechanisms.insert(Upper(words[w]));
    }
}

bool TSmtpClient::Offers(const std::string& keyword) const
{
    return FExtensions.count(Upper(keyword)) > 0;
}

// RFC 3207. Whatever the server sends after its "220" and before the handshake was
// written before it knew of TLS, or by someone between it and us: taken in, it would
// pass for replies over the secured connection (CVE-2011-0411), so the job ends.
void TSmtpClient::RequestTls()
{
    if (!Offers("STARTTLS"))
        throw ESmtpError(TSmtpErrorKind::TlsNotOffered, "The server does not offer STARTTLS", TSmtpStep::Ehlo);
    const TSmtpReply reply = Command("STARTTLS");
    CheckReply(reply, TSmtpStep::StartTls, RefusedAboveHelo);
    if (DataAvailable()) {
        MarkExchangeCut();
        throw ESmtpError(TSmtpErrorKind::UnexpectedData, "The server sent more than its reply to STARTTLS",
                         TSmtpStep::StartTls, reply);
    }
    StartTls(Host().substr(0, Host().find('\0')));
}

// RFC 4954 with PLAIN (RFC 4616), or LOGIN where PLAIN is not offered. A refused login
// asks OnAuthenticationFailed, whose handler may change the password and grant one retry.
void TSmtpClient::LogIn()
{
    if (FAccessTokenSource && TlsActive()) {
        LogInWithToken();
        return;
    }
    if (FPassword.Empty() || !TlsActive())
        return;
    const bool plain = FAuthMechanisms.count("PLAIN") > 0;
    if (!plain && FAuthMechanisms.count("LOGIN") == 0)
        throw ESmtpError(TSmtpErrorKind::LoginNotOffered, "The server offers no login (AUTH PLAIN or LOGIN)",
                         TSmtpStep::Auth);
    for (bool retried = false;; retried = true) {
        try {
            plain ? LogInPlain() : LogInLogin();
            return;
        } catch (const ESmtpError& error) {
            if (error.Kind() != TSmtpErrorKind::AuthenticationFailed)
                throw;
            bool handled = false;
            FLoginRefusal = error.Reply();
            if (!retried && OnAuthenticationFailed)
                OnAuthenticationFailed(handled);
            if (!handled)
                throw;
        }
    }
}

void TSmtpClient::LogInPlain()
{
    TSecretText credentials(std::string(1, '\0') + FUserID + '\0' + FPassword.Text());
    const TSecretText command("AUTH PLAIN " + Base64(credentials.Text()));
    CheckLoginStep(Command(command.Text()), kLoggedIn);
}

void TSmtpClient::LogInLogin()
{
    CheckLoginStep(Command("AUTH LOGIN"), kGoOn);
    CheckLoginStep(Command(Base64(FUserID)), kGoOn);
    const TSecretText encoded(Base64(FPassword.Text()));
    CheckLoginStep(Command(encoded.Text()), kLoggedIn);
}

// The message of a refused login is the server's reply line.
void TSmtpClient::CheckLoginStep(const TSmtpReply& reply, int expected)
{
    CheckReply(reply, TSmtpStep::Auth, AnyCode);
    if (reply.Code != expected)
        throw ESmtpError(TSmtpErrorKind::AuthenticationFailed, reply.FirstLine(), TSmtpStep::Auth, reply);
}

// RFC 5321 section 4.1.4: the fully qualified domain name where there is one, else the
// address literal of the connection's own end.
std::string TSmtpClient::EhloName() const
{
    if (!FLocalName.empty())
        return FLocalName;
    const std::string domain = MachineDomainName();
    if (!domain.empty())
        return domain;
    const std::string literal = LocalAddressLiteral();
    return literal.empty() ? "[127.0.0.1]" : literal;
}
