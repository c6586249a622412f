// SPDX-License-Identifier: GPL-3.0-or-later
#include "signin/OAuthSignIn.h"

#include "signin/LoopbackRedirect.h"
#include "signin/Pkce.h"
#include "signin/TokenEndpoint.h"
#include "workflow/account/SignInMessages.h"
#include "workflow/ui/UserInterface.h"

#include <QUrl>

#include <algorithm>

namespace {

void CheckClient(const TOAuthAccount& account)
{
    const TSignInSettings& client = account.Client;
    if (client.ClientId.empty() || client.AuthUrl.empty() || client.TokenUrl.empty())
        throw ESignInError(Messages::OAuthSettingsMissing());
}

// The client's identity on every request to the token endpoint; a secret only where the
// provider issued one (RFC 6749 section 2.3.1).
QUrlQuery ClientForm(const TOAuthAccount& account)
{
    QUrlQuery form;
    form.addQueryItem("client_id", QString::fromStdString(account.Client.ClientId));
    if (!account.Client.ClientSecret.empty())
        form.addQueryItem("client_secret", QString::fromStdString(account.Client.ClientSecret));
    return form;
}

void Add(QUrlQuery& query, const char* name, const std::string& value)
{
    // '+' would read as a blank in a form; encoded it stays itself.
    query.addQueryItem(name, QString::fromStdString(value).toUtf8().toPercentEncoding());
}

std::string AuthorizationUrl(const TOAuthAccount& account, const std::string& redirect, const TPkce& pkce,
                             const std::string& state)
{
    QUrl url(QString::fromStdString(account.Client.AuthUrl));
    QUrlQuery query(url);
    Add(query, "response_type", "code");
    Add(query, "client_id", account.Client.ClientId);
    Add(query, "redirect_uri", redirect);
    Add(query, "scope", account.Client.Scope);
    Add(query, "state", state);
    Add(query, "code_challenge", pkce.Challenge);
    Add(query, "code_challenge_method", "S256");
    // Google gives a refresh token only when asked for offline access; the login hint
    // saves the person choosing the account.
    Add(query, "access_type", "offline");
    Add(query, "login_hint", account.User);
    url.setQuery(query);
    return url.toString(QUrl::FullyEncoded).toStdString();
}

}

TOAuthSignIn::TOAuthSignIn(TPasswordKeeper* keeper, bool browserInJobs) : FKeeper(keeper), FBrowserInJobs(browserInJobs)
{
}

std::string TOAuthSignIn::KeyringAccount(const TOAuthAccount& account)
{
    return "oauth2:" + account.User + "@" + account.Host;
}

TOAuthSignIn::TTokens& TOAuthSignIn::TokensOf(const TOAuthAccount& account)
{
    TTokens& tokens = FTokens[KeyringAccount(account)];
    if (tokens.Refresh.empty() && FKeeper)
        tokens.Refresh = FKeeper->Read(KeyringAccount(account)).value_or("");
    return tokens;
}

std::string TOAuthSignIn::AccessToken(const TOAuthAccount& account, bool renew)
{
    CheckClient(account);
    TTokens& tokens = TokensOf(account);
    if (!renew && !tokens.Access.empty() && !tokens.RenewBy.hasExpired())
        return tokens.Access;
    if (Refresh(account, tokens))
        return tokens.Access;
    if (!FBrowserInJobs)
        throw ESignInError(Messages::SignInNeeded());
    SignIn(account);
    return TokensOf(account).Access;
}

bool TOAuthSignIn::SignInAgain(const TOAuthAccount& account)
{
    if (!FBrowserInJobs)
        return false;
    SignIn(account);
    return true;
}

// False when there is no refresh token or the endpoint refused it (revoked, expired): it
// is forgotten, here and in the keyring.
bool TOAuthSignIn::Refresh(const TOAuthAccount& account, TTokens& tokens)
{
    if (tokens.Refresh.empty())
        return false;
    QUrlQuery form = ClientForm(account);
    Add(form, "grant_type", "refresh_token");
    Add(form, "refresh_token", tokens.Refresh);
    try {
        Take(account, tokens, RequestTokens(account.Client.TokenUrl, form, account.TimeOutSeconds));
        return true;
    } catch (const ETokenRefused&) {
        tokens = {};
        if (FKeeper)
            FKeeper->Remove(KeyringAccount(account));
        return false;
    }
}

bool TOAuthSignIn::SignIn(const TOAuthAccount& account)
{
    CheckClient(account);
    TLoopbackRedirect redirect;
    if (!redirect.Listen())
        throw ESignInError(Messages::TokenEndpointFailed("no loopback port"));
    const TPkce pkce = MakePkce();
    const std::string state = RandomState();
    const std::string redirectUri = redirect.Uri();
    const std::string url = AuthorizationUrl(account, redirectUri, pkce, state);
    if (!UserInterface().ShellOpen(url))
        UserInterface().ShowMessage(Messages::SignInInBrowser(url));
    const TRedirectAnswer answer = redirect.Await(BrowserWaitSeconds);
    if (!answer.Arrived)
        throw ESignInError(Messages::SignInTimedOut(BrowserWaitSeconds));
    if (answer.State != state)
        throw ESignInError(Messages::SignInStateMismatch());
    if (!answer.Error.empty() || answer.Code.empty())
        throw ESignInError(Messages::SignInDenied(answer.Error.empty() ? "no code" : answer.Error));
    QUrlQuery form = ClientForm(account);
    Add(form, "grant_type", "authorization_code");
    Add(form, "code", answer.Code);
    Add(form, "redirect_uri", redirectUri);
    Add(form, "code_verifier", pkce.Verifier);
    TTokens& tokens = TokensOf(account);
    tokens = {};
    return Take(account, tokens, RequestTokens(account.Client.TokenUrl, form, account.TimeOutSeconds));
}

// The access token is renewed when a tenth of its life, at most a minute, is left: a
// login never starts with a token about to run out. True when the keyring took a new
// refresh token (or none came).
bool TOAuthSignIn::Take(const TOAuthAccount& account, TTokens& tokens, const TTokenResponse& response)
{
    tokens.Access = response.AccessToken;
    const qint64 life = response.ExpiresIn > 0 ? response.ExpiresIn * 1000LL : 3600 * 1000LL;
    tokens.RenewBy.setRemainingTime(life - std::min<qint64>(life / 10, 60 * 1000));
    if (response.RefreshToken.empty())
        return true;
    tokens.Refresh = response.RefreshToken;
    return FKeeper && FKeeper->Write(KeyringAccount(account), tokens.Refresh);
}
