// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/FindSettingsCommand.h"

#include "cli/SendOptions.h"
#include "cli/SendTexts.h"
#include "workflow/Messages.h"
#include "workflow/SettingsStore.h"
#include "workflow/UserInterface.h"
#include "workflow/autoconfig/SettingsFinder.h"

#include <cstdio>
#include <utility>
#include <vector>

namespace {

// The settings file's keys and the values found for them, in the file's own form.
std::vector<std::pair<const char*, std::string>> SettingsLines(const std::string& address, const TFoundAccount& account)
{
    std::vector<std::pair<const char*, std::string>> lines = {
        {"email", address},
        {"host", account.Host},
        {"port", std::to_string(account.Port)},
        {"security", std::to_string(account.Security)},
        {"username", account.UserName},
        {"signin", account.SignIn},
    };
    if (!account.OAuthProvider.empty())
        lines.emplace_back("oauthprovider", account.OAuthProvider);
    return lines;
}

void Save(const std::vector<std::pair<const char*, std::string>>& lines)
{
    for (const auto& [key, value] : lines)
        RegWriteString(SettingsKey, key, value);
}

} // namespace

bool RunFindSettings(const TSendOptions& options, TUserInterface& ui)
{
    TSettingsFinder::TOptions finderOptions = TSettingsFinder::StoredOptions();
    finderOptions.AllowHttp = [&](const std::string& url) {
        return options.AllowHttp ||
               ui.Ask(Messages::AskHttp(url), Messages::HttpAnswers()) == 1;
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
    const auto lines = SettingsLines(options.FindSettings, *account);
    for (const auto& [key, value] : lines)
        std::printf("%s=%s\n", key, value.c_str());
    std::fflush(stdout);
    if (options.Save) {
        Save(lines);
        std::fprintf(stderr, "%s\n", SendTexts::SettingsSaved(SettingsFileName(SettingsKey)).c_str());
    }
    return true;
}
