// SPDX-License-Identifier: GPL-3.0-or-later
// How a job signs in when the account uses a token, and what it does after a refused
// login: the client asks for the token at each login (every reconnection too), so a job
// that outlives its access token gets a fresh one.
#include "workflow/job/SendJob.h"

#include "mail/SmtpClient.h"
#include "workflow/account/SignInMessages.h"
#include "workflow/settings/Settings.h"
#include "workflow/ui/Messages.h"
#include "workflow/ui/UserInterface.h"

TOAuthAccount TSendJob::OAuthAccount() const
{
    return {FAccount.UserID, FAccount.Host, WithPreset(SignInOf(FAccount)), FAccount.TimeOut};
}

// False when the account signs in with its password. The OAuth token is had before the
// connection is made: a first sign-in in the browser must not keep the server waiting.
bool TSendJob::ProvideToken()
{
    const TSignInSettings signIn = SignInOf(FAccount);
    switch (SignInModeOf(signIn.Mode)) {
    case TSignInMode::Password: return false;
    case TSignInMode::Command: {
        const int seconds = FAccount.TimeOut;
        FSmtp.SetAccessTokenSource(
            [command = signIn.TokenCommand, seconds](bool) { return RunTokenCommand(command, seconds); });
        return true;
    }
    case TSignInMode::OAuth2: break;
    }
    if (!FOAuthTokens)
        throw ESignInError(Messages::OAuthSettingsMissing());
    FOAuthTokens->AccessToken(OAuthAccount(), false);
    FSmtp.SetAccessTokenSource([this](bool renew) { return FOAuthTokens->AccessToken(OAuthAccount(), renew); });
    return true;
}

// The refused password is forgotten for the run: the person is shown the server's reply
// and asked again. With OAuth the person signs in again; a token command is not asked.
bool TSendJob::LoginAgain()
{
    if (!AskAgainAfterRefusedLogin || FSmtp.Security() == TSmtpSecurity::None)
        return false;
    switch (SignInModeOf(FAccount.SignInMode)) {
    case TSignInMode::Command: return false;
    case TSignInMode::OAuth2: return FOAuthTokens && FOAuthTokens->SignInAgain(OAuthAccount());
    case TSignInMode::Password: break;
    }
    FProgress.Flush();
    const std::optional<std::string> password =
        FPasswords.AskAgain(FAccount.UserID, FAccount.Host, Messages::LoginRefused(FSmtp.LoginRefusal().Text()));
    if (!password)
        return false;
    FSmtp.SetPassword(*password);
    return true;
}

bool TSendJob::UsesToken() const
{
    return SignInModeOf(FAccount.SignInMode) != TSignInMode::Password;
}

bool TSendJob::ProvideCredentials()
{
    try {
        return ProvidePassword();
    } catch (const ESignInError& error) {
        ShowMessage(error.what());
        return false;
    }
}
