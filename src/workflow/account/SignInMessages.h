// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <string>

// The texts of signing in with a token, in the language in force.
namespace Messages {
std::string TokenCommandFailed(int exitStatus, const std::string& errorOutput);
std::string TokenCommandEmpty();
std::string OAuthSettingsMissing();
// The browser is to be used: the address, for where the browser did not open by itself.
std::string SignInInBrowser(const std::string& url);
std::string SignInDenied(const std::string& error);
std::string SignInStateMismatch();
std::string SignInTimedOut(int seconds);
std::string TokenEndpointFailed(const std::string& reason);
// The refresh token was refused (revoked, expired) or there is none, and nobody can be asked here.
std::string SignInNeeded();
std::string SignedIn(bool kept);
// The dialog's note under the password where no keyring answers.
std::string NoKeyring();
// After a refused login in pelmar-send: the settings to check.
std::string CheckLoginSettings(bool token);
}
