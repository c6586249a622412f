// SPDX-License-Identifier: GPL-3.0-or-later
#include "workflow/settings/StoredSettings.h"

#include "workflow/settings/Settings.h"

namespace {

const TTextSetting OAuthMembers[] = {&TSettings::OAuthProvider,     &TSettings::OAuthClientId,
                                     &TSettings::OAuthClientSecret, &TSettings::OAuthAuthUrl,
                                     &TSettings::OAuthTokenUrl,     &TSettings::OAuthScope};

}

void WriteSignInSettings(const TSignInSettings& signIn)
{
    TSettings settings = DefaultSettings();
    TakeSignIn(signIn, settings);
    WriteSetting(SettingRow(&TSettings::SignInMode), settings);
    const TSignInMode mode = SignInModeOf(signIn.Mode);
    if (mode == TSignInMode::Command)
        WriteSetting(SettingRow(&TSettings::TokenCommand), settings);
    if (mode != TSignInMode::OAuth2)
        return;
    for (const TTextSetting member : OAuthMembers)
        WriteSetting(SettingRow(member), settings);
}

TStoredSendSettings::TStoredSendSettings(std::function<void()> askForSettings)
    : FValues(ReadAccount()), FAskForSettings(std::move(askForSettings))
{
}

void TStoredSendSettings::AskForSettings()
{
    if (FAskForSettings)
        FAskForSettings();
}
