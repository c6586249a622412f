// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/FindSettingsCommand.h"

#include "cli/SendOptions.h"
#include "cli/SendTexts.h"
#include "workflow/autoconfig/SettingsFinder.h"
#include "workflow/settings/Settings.h"
#include "workflow/settings/SettingsStore.h"
#include "workflow/ui/Messages.h"
#include "workflow/ui/UserInterface.h"

#include <cstdio>
#include <vector>

namespace {

// The settings found, and the rows of those that were: what is printed, and saved.
struct TFoundSettings {
    TSettings Values = DefaultSettings();
    std::vector<const TSettingRow*> Rows;
};

TFoundSettings FoundSettings(const std::string& address, const TFoundAccount& account)
{
    TFoundSettings found;
    found.Values.Email = address;
    found.Values.Host = account.Host;
    found.Values.Port = account.Port;
    found.Values.Security = account.Security;
    found.Values.UserID = account.UserName;
    found.Values.SignInMode = account.SignIn;
    found.Values.OAuthProvider = account.OAuthProvider;
    found.Rows = {&SettingRow(&TSettings::Email),  &SettingRow(&TSettings::Host),
                  &SettingRow(&TSettings::Port),   &SettingRow(&TSettings::Security),
                  &SettingRow(&TSettings::UserID), &SettingRow(&TSettings::SignInMode)};
    if (!account.OAuthProvider.empty())
        found.Rows.push_back(&SettingRow(&TSettings::OAuthProvider));
    if (account.Limits.Any()) {
        found.Values.PerMinute = account.Limits.PerMinute;
        found.Values.PerHour = account.Limits.PerHour;
        found.Values.PerDay = account.Limits.PerDay;
        for (auto member : {&TSettings::PerMinute, &TSettings::PerHour, &TSettings::PerDay})
            found.Rows.push_back(&SettingRow(member));
    }
    return found;
}

} // namespace

bool RunFindSettings(const TSendOptions& options, TUserInterface& ui)
{
    TSettingsFinder::TOptions finderOptions = TSettingsFinder::StoredOptions();
    finderOptions.AllowHttp = [&](const std::string& url) {
        return options.AllowHttp || ui.Ask(Messages::AskHttp(url), Messages::HttpAnswers()) == 1;
    };
    std::vector<std::string> notes;
    const std::optional<TFoundAccount> account = FindSettingsAndWait(options.FindSettings, finderOptions, notes);
    for (const std::string& note : notes)
        std::fprintf(stderr, "%s\n", note.c_str());
    if (!account) {
        std::fprintf(stderr, "%s\n", Messages::NoSettingsFound(options.FindSettings).c_str());
        return false;
    }
    std::fprintf(stderr, "%s\n", FoundAccountOrigin(*account).c_str());
    const TFoundSettings found = FoundSettings(options.FindSettings, *account);
    for (const TSettingRow* row : found.Rows)
        std::printf("%s=%s\n", row->Key, FieldText(*row, found.Values).c_str());
    std::fflush(stdout);
    if (options.Save) {
        for (const TSettingRow* row : found.Rows)
            WriteSetting(*row, found.Values);
        std::fprintf(stderr, "%s\n", SendTexts::SettingsSaved(SettingsFileName(SettingsKey)).c_str());
    }
    return true;
}
