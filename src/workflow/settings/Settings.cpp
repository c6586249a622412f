// SPDX-License-Identifier: GPL-3.0-or-later
#include "workflow/settings/Settings.h"

#include "base/Exception.h"
#include "workflow/settings/IntegerText.h"
#include "workflow/settings/SettingsStore.h"

#include <algorithm>

namespace {

template <class Member>
const TSettingRow& RowOf(Member member)
{
    const auto* row = std::find_if(std::begin(SettingRows), std::end(SettingRows), [member](const TSettingRow& each) {
        const Member* own = std::get_if<Member>(&each.Member);
        return own && *own == member;
    });
    if (row == std::end(SettingRows))
        throw Exception("Setting without a row");
    return *row;
}

bool InRange(const TSettingRow& row, std::int32_t value)
{
    return value >= row.Least && value <= row.Most;
}

std::int32_t DefaultInteger(const TSettingRow& row)
{
    return *TryDecimalToInt(row.Default);
}

}

TSettings DefaultSettings()
{
    TSettings settings{};
    for (const TSettingRow& row : SettingRows) {
        if (const auto* text = std::get_if<TTextSetting>(&row.Member))
            settings.** text = row.Default;
        else
            settings.*std::get<TIntegerSetting>(row.Member) = DefaultInteger(row);
    }
    return settings;
}

const TSettingRow& SettingRow(TTextSetting member)
{
    return RowOf(member);
}

const TSettingRow& SettingRow(TIntegerSetting member)
{
    return RowOf(member);
}

void ReadSetting(const TSettingRow& row, TSettings& settings)
{
    if (const auto* text = std::get_if<TTextSetting>(&row.Member)) {
        settings.** text = RegReadString(SettingsKey, row.Key, row.Default);
        return;
    }
    const std::int32_t value = RegReadInteger(SettingsKey, row.Key, DefaultInteger(row));
    settings.*std::get<TIntegerSetting>(row.Member) = InRange(row, value) ? value : DefaultInteger(row);
}

void WriteSetting(const TSettingRow& row, const TSettings& settings)
{
    if (const auto* text = std::get_if<TTextSetting>(&row.Member))
        RegWriteString(SettingsKey, row.Key, settings.**text);
    else
        RegWriteInteger(SettingsKey, row.Key, settings.*std::get<TIntegerSetting>(row.Member));
}

void ReadAccount(TSettings& settings)
{
    for (const TSettingRow& row : SettingRows)
        if (row.Account)
            ReadSetting(row, settings);
}

TSettings ReadAccount()
{
    TSettings settings = DefaultSettings();
    ReadAccount(settings);
    return settings;
}

std::optional<std::int32_t> FieldInteger(const TSettingRow& row, const std::string& text)
{
    const std::optional<std::int32_t> value = TryStrToInt(text);
    if (!value || !InRange(row, *value))
        return std::nullopt;
    return value;
}

void TakeFieldText(const TSettingRow& row, const std::string& text, TSettings& settings)
{
    if (const auto* member = std::get_if<TTextSetting>(&row.Member))
        settings.** member = text;
    else
        settings.*std::get<TIntegerSetting>(row.Member) = StrToInt(text);
}

std::string FieldText(const TSettingRow& row, const TSettings& settings)
{
    if (const auto* member = std::get_if<TTextSetting>(&row.Member))
        return settings.**member;
    return std::to_string(settings.*std::get<TIntegerSetting>(row.Member));
}

bool AccountComplete(const TSettings& settings)
{
    return !settings.Name.empty() && !settings.Email.empty() && !settings.Host.empty() && !settings.UserID.empty();
}

TSignInSettings SignInOf(const TSettings& settings)
{
    return {settings.SignInMode,   settings.OAuthProvider, settings.OAuthClientId, settings.OAuthClientSecret,
            settings.OAuthAuthUrl, settings.OAuthTokenUrl, settings.OAuthScope,    settings.TokenCommand};
}

void TakeSignIn(const TSignInSettings& signIn, TSettings& settings)
{
    settings.SignInMode = signIn.Mode;
    settings.OAuthProvider = signIn.Provider;
    settings.OAuthClientId = signIn.ClientId;
    settings.OAuthClientSecret = signIn.ClientSecret;
    settings.OAuthAuthUrl = signIn.AuthUrl;
    settings.OAuthTokenUrl = signIn.TokenUrl;
    settings.OAuthScope = signIn.Scope;
    settings.TokenCommand = signIn.TokenCommand;
}

bool IsSignInRow(const TSettingRow& row)
{
    static const TTextSetting members[] = {
        &TSettings::SignInMode,   &TSettings::OAuthProvider, &TSettings::OAuthClientId, &TSettings::OAuthClientSecret,
        &TSettings::OAuthAuthUrl, &TSettings::OAuthTokenUrl, &TSettings::OAuthScope,    &TSettings::TokenCommand};
    const auto* member = std::get_if<TTextSetting>(&row.Member);
    return member && std::find(std::begin(members), std::end(members), *member) != std::end(members);
}
