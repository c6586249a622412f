// SPDX-License-Identifier: GPL-3.0-or-later
#include "workflow/account/SignIn.h"

TSignInMode SignInModeOf(const std::string& setting)
{
    if (setting == "oauth2")
        return TSignInMode::OAuth2;
    if (setting == "command")
        return TSignInMode::Command;
    return TSignInMode::Password;
}

// The scopes the providers ask for SMTP submission: Google's full mail scope, and
// Microsoft's SMTP.Send with offline_access for a refresh token.
TOAuthPreset PresetOf(const std::string& provider)
{
    if (provider == "google")
        return {"https://accounts.google.com/o/oauth2/v2/auth", "https://oauth2.googleapis.com/token",
                "https://mail.google.com/"};
    if (provider == "microsoft")
        return {"https://login.microsoftonline.com/common/oauth2/v2.0/authorize",
                "https://login.microsoftonline.com/common/oauth2/v2.0/token",
                "https://outlook.office.com/SMTP.Send offline_access"};
    return {};
}

TSignInSettings WithPreset(TSignInSettings settings)
{
    const TOAuthPreset preset = PresetOf(settings.Provider);
    if (settings.AuthUrl.empty())
        settings.AuthUrl = preset.AuthUrl;
    if (settings.TokenUrl.empty())
        settings.TokenUrl = preset.TokenUrl;
    if (settings.Scope.empty())
        settings.Scope = preset.Scope;
    return settings;
}
