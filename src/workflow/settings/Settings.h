// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "workflow/account/SignIn.h"
#include "workflow/settings/SettingsTable.h"

#include <cstdint>
#include <optional>
#include <string>
#include <type_traits>

// Reading, writing and checking the settings, all by the rows of SettingRows: the file
// holds every value as text, integers in decimal. Errors raise Exception with the store's
// text ("Invalid data type for 'host'").

// Every member at its row's default.
TSettings DefaultSettings();

const TSettingRow& SettingRow(TTextSetting member);
const TSettingRow& SettingRow(TIntegerSetting member);

// A stored integer that is not plain decimal, or lies outside the row's range, reads as the
// default.
void ReadSetting(const TSettingRow& row, TSettings& settings);
void WriteSetting(const TSettingRow& row, const TSettings& settings);

template <class T>
T ReadSetting(T TSettings::*member)
{
    TSettings settings = DefaultSettings();
    ReadSetting(SettingRow(member), settings);
    return settings.*member;
}

template <class T>
void WriteSetting(T TSettings::*member, const std::type_identity_t<T>& value)
{
    TSettings settings = DefaultSettings();
    settings.*member = value;
    WriteSetting(SettingRow(member), settings);
}

// Reads the account's rows into settings in the table's order. A value that cannot be read
// raises, and leaves it and the values after it as they were.
void ReadAccount(TSettings& settings);
TSettings ReadAccount();

// A field's text as the row's value: text as it is; an integer in any form the number fields
// accept (IntegerText.h), within the row's range. Nothing for a text the field refuses.
std::optional<std::int32_t> FieldInteger(const TSettingRow& row, const std::string& text);
// Takes a field's text into settings; an integer the field could not hold raises
// "'text' is not a valid integer value", as a save of it does.
void TakeFieldText(const TSettingRow& row, const std::string& text, TSettings& settings);
// The value as a field shows it.
std::string FieldText(const TSettingRow& row, const TSettings& settings);

// The name, address, host and user ID a job needs are all there.
bool AccountComplete(const TSettings& settings);

// The sign-in members as the sign-in code takes them, and back.
TSignInSettings SignInOf(const TSettings& settings);
void TakeSignIn(const TSignInSettings& signIn, TSettings& settings);
// The row is one of the sign-in's (signin, oauth*, tokencommand).
bool IsSignInRow(const TSettingRow& row);
