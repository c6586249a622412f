// SPDX-License-Identifier: GPL-3.0-or-later
#include "workflow/StoredSettings.h"

#include "workflow/SettingsStore.h"

namespace {

std::string ReadNumber(const char* name, const std::string& defaultText)
{
    return std::to_string(RegReadInteger(SettingsKey, name, std::stoi(defaultText)));
}

}

void ReadStoredAccount(TStoredAccount& account)
{
    const TStoredAccount defaults;
    account.Name = RegReadString(SettingsKey, "ime", defaults.Name);
    account.Email = RegReadString(SettingsKey, "email", defaults.Email);
    account.Host = RegReadString(SettingsKey, "host", defaults.Host);
    account.UserID = RegReadString(SettingsKey, "username", defaults.UserID);
    account.Charset = RegReadString(SettingsKey, "charset", defaults.Charset);
    account.Delay = ReadNumber("pavza", defaults.Delay);
    account.Port = ReadNumber("port", defaults.Port);
    account.Security = RegReadInteger(SettingsKey, "security", defaults.Security);
    account.TimeOut = ReadNumber("timeout", defaults.TimeOut);
    account.RetryWait = ReadNumber("retrywait", defaults.RetryWait);
    account.PerMinute = ReadNumber("perminute", defaults.PerMinute);
    account.PerHour = ReadNumber("perhour", defaults.PerHour);
    account.PerDay = ReadNumber("perday", defaults.PerDay);
    account.Unsubscribe = RegReadString(SettingsKey, "unsubscribe", defaults.Unsubscribe);
    ReadSignInSettings(account.SignIn);
}

void ReadSignInSettings(TSignInSettings& settings)
{
    const TSignInSettings defaults;
    settings.Mode = RegReadString(SettingsKey, "signin", defaults.Mode);
    settings.Provider = RegReadString(SettingsKey, "oauthprovider", defaults.Provider);
    settings.ClientId = RegReadString(SettingsKey, "oauthclientid", defaults.ClientId);
    settings.ClientSecret = RegReadString(SettingsKey, "oauthclientsecret", defaults.ClientSecret);
    settings.AuthUrl = RegReadString(SettingsKey, "oauthauthurl", defaults.AuthUrl);
    settings.TokenUrl = RegReadString(SettingsKey, "oauthtokenurl", defaults.TokenUrl);
    settings.Scope = RegReadString(SettingsKey, "oauthscope", defaults.Scope);
    settings.TokenCommand = RegReadString(SettingsKey, "tokencommand", defaults.TokenCommand);
}

// Only the keys of the chosen way: a password account's file gets no OAuth endpoints.
void WriteSignInSettings(const TSignInSettings& settings)
{
    RegWriteString(SettingsKey, "signin", settings.Mode);
    if (SignInModeOf(settings.Mode) == TSignInMode::Command)
        RegWriteString(SettingsKey, "tokencommand", settings.TokenCommand);
    if (SignInModeOf(settings.Mode) != TSignInMode::OAuth2)
        return;
    RegWriteString(SettingsKey, "oauthprovider", settings.Provider);
    RegWriteString(SettingsKey, "oauthclientid", settings.ClientId);
    RegWriteString(SettingsKey, "oauthclientsecret", settings.ClientSecret);
    RegWriteString(SettingsKey, "oauthauthurl", settings.AuthUrl);
    RegWriteString(SettingsKey, "oauthtokenurl", settings.TokenUrl);
    RegWriteString(SettingsKey, "oauthscope", settings.Scope);
}

TStoredAccount ReadStoredAccount()
{
    TStoredAccount account;
    ReadStoredAccount(account);
    return account;
}

std::int32_t ReadStoredLanguage()
{
    return RegReadInteger(SettingsKey, "jezik", 2);
}

TStoredSendSettings::TStoredSendSettings(std::function<void()> askForSettings)
    : FAccount(ReadStoredAccount()), FAskForSettings(std::move(askForSettings))
{
}

void TStoredSendSettings::AskForSettings()
{
    if (FAskForSettings)
        FAskForSettings();
}
