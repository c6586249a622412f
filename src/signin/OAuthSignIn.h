// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "workflow/account/AccountPasswords.h"
#include "workflow/account/SignIn.h"

#include <QDeadlineTimer>

#include <map>
#include <string>

struct TTokenResponse;

// The OAuth 2.0 authorization code flow with PKCE for a native app (RFC 6749, 7636, 8252):
// the browser signs the person in, the code comes back to a loopback address, the refresh
// token goes to the keyring and nowhere else, the access token stays in memory.
class TOAuthSignIn : public TOAuthTokens {
public:
    // keeper: the keyring (not owned, may be null: the sign-in then holds for the run only).
    // browserInJobs: a job may open the browser to sign in (the window), else it ends
    // saying how to sign in (the headless sender).
    TOAuthSignIn(TPasswordKeeper* keeper, bool browserInJobs);

    std::string AccessToken(const TOAuthAccount& account, bool renew) override;
    bool SignInAgain(const TOAuthAccount& account) override;
    // The browser sign-in; true when the keyring took the refresh token.
    bool SignIn(const TOAuthAccount& account);

    // Seconds the browser sign-in may take.
    int BrowserWaitSeconds = 300;

private:
    struct TTokens {
        std::string Access;
        std::string Refresh;
        QDeadlineTimer RenewBy; // a while before the access token expires
    };

    static std::string KeyringAccount(const TOAuthAccount& account);
    TTokens& TokensOf(const TOAuthAccount& account);
    bool Refresh(const TOAuthAccount& account, TTokens& tokens);
    bool Take(const TOAuthAccount& account, TTokens& tokens, const TTokenResponse& response);

    TPasswordKeeper* FKeeper;
    bool FBrowserInJobs;
    std::map<std::string, TTokens> FTokens;
};
