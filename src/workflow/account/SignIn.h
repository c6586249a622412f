// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "base/Exception.h"

#include <string>

// How the account signs in to the server (the setting "signin").
enum class TSignInMode {
    Password, // AUTH PLAIN or LOGIN with the password (also when the setting is missing)
    OAuth2,   // a bearer token from the OAuth 2.0 authorization code flow
    Command,  // a bearer token that a command of the user's prints
};
TSignInMode SignInModeOf(const std::string& setting);

// The sign-in settings of an account, as stored.
struct TSignInSettings {
    std::string Mode = "password";
    std::string Provider = "other"; // google, microsoft or other
    std::string ClientId;
    std::string ClientSecret;
    std::string AuthUrl;
    std::string TokenUrl;
    std::string Scope;
    std::string TokenCommand;
};

// The endpoints and scope a provider's preset holds; "other" holds none.
struct TOAuthPreset {
    std::string AuthUrl;
    std::string TokenUrl;
    std::string Scope;
};
TOAuthPreset PresetOf(const std::string& provider);
// The settings with the provider's preset in every endpoint and scope left empty.
TSignInSettings WithPreset(TSignInSettings settings);

// What the OAuth 2.0 sign-in needs to know of the account.
struct TOAuthAccount {
    std::string User;
    std::string Host;
    TSignInSettings Client; // the preset already applied
    int TimeOutSeconds = 60;
};

// A sign-in that failed; the message says why and what to do, in the language in force.
class ESignInError : public Exception {
public:
    using Exception::Exception;
};

// The OAuth 2.0 tokens of accounts: the browser sign-in, the refresh token in the keyring,
// the access token in memory. Errors raise ESignInError.
class TOAuthTokens {
public:
    virtual ~TOAuthTokens() = default;
    // A token the server should take: the one in memory while it is good for a while yet,
    // else a refreshed one; renew: the server refused the last one, so it is refreshed.
    virtual std::string AccessToken(const TOAuthAccount& account, bool renew) = 0;
    // The server refused even a refreshed token: signs the person in again where one
    // can be asked; false where not.
    virtual bool SignInAgain(const TOAuthAccount& account) = 0;
};

// The first line of what command prints on standard output, run by the shell; the
// command failing or printing nothing raises ESignInError with its standard error.
std::string RunTokenCommand(const std::string& command, int timeOutSeconds);
