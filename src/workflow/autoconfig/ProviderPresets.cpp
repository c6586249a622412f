// SPDX-License-Identifier: GPL-3.0-or-later
#include "workflow/autoconfig/ProviderPresets.h"

#include <algorithm>
#include <vector>

namespace {

struct TPreset {
    const char* Provider;
    std::vector<std::string> Domains;
    std::vector<std::string> ExchangerSuffixes;
    const char* Host;
    int Port;
    int Security;
    const char* SignIn;
    const char* OAuthProvider;
    TSendLimits Limits; // only figures the provider publishes for every account of the kind
};

// Google and Microsoft no longer take a password for SMTP from most accounts: their
// entries sign in with OAuth 2.0. Yahoo, iCloud, GMX, web.de and Zoho take the
// password (for Yahoo and iCloud one made for the program in the account's settings).
// The limits are the published ones: Gmail 500 and Google Workspace 2,000 messages a day,
// Microsoft 365 30 a minute and 10,000 a day, iCloud 1,000 a day. The others publish none
// that holds for every account (they vary by plan or by the account's age).
const std::vector<TPreset>& Presets()
{
    static const std::vector<TPreset> presets = {
        {"Gmail", {"gmail.com", "googlemail.com"}, {}, "smtp.gmail.com", 465, 2, "oauth2", "google", {0, 0, 500}},
        {"Google Workspace",
         {},
         {"google.com", "googlemail.com"},
         "smtp.gmail.com",
         465,
         2,
         "oauth2",
         "google",
         {0, 0, 2000}},
        {"Outlook.com",
         {"outlook.com", "hotmail.com", "live.com", "msn.com", "hotmail.co.uk", "outlook.de", "hotmail.de", "live.de"},
         {},
         "smtp-mail.outlook.com",
         587,
         1,
         "oauth2",
         "microsoft",
         {}},
        {"Microsoft 365",
         {},
         {"mail.protection.outlook.com"},
         "smtp.office365.com",
         587,
         1,
         "oauth2",
         "microsoft",
         {30, 0, 10000}},
        {"Yahoo",
         {"yahoo.com", "ymail.com", "rocketmail.com", "yahoo.co.uk", "yahoo.de", "yahoo.fr"},
         {"yahoodns.net"},
         "smtp.mail.yahoo.com",
         465,
         2,
         "password",
         "",
         {}},
        {"iCloud",
         {"icloud.com", "me.com", "mac.com"},
         {"mail.icloud.com"},
         "smtp.mail.me.com",
         587,
         1,
         "password",
         "",
         {0, 0, 1000}},
        {"GMX", {"gmx.net", "gmx.de", "gmx.at", "gmx.ch"}, {"gmx.net"}, "mail.gmx.net", 587, 1, "password", "", {}},
        {"GMX", {"gmx.com", "gmx.us", "gmx.co.uk", "gmx.fr"}, {"gmx.com"}, "mail.gmx.com", 587, 1, "password", "", {}},
        {"WEB.DE", {"web.de"}, {"web.de"}, "smtp.web.de", 587, 1, "password", "", {}},
        {"Zoho Mail", {"zoho.com", "zohomail.com"}, {"zoho.com"}, "smtp.zoho.com", 465, 2, "password", "", {}},
        {"Zoho Mail", {"zoho.eu", "zohomail.eu"}, {"zoho.eu"}, "smtp.zoho.eu", 465, 2, "password", "", {}},
    };
    return presets;
}

std::string Lowered(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    while (!text.empty() && text.back() == '.')
        text.pop_back();
    return text;
}

bool EndsWithLabels(const std::string& name, const std::string& suffix)
{
    return name == suffix
        || (name.size() > suffix.size() && name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0
            && name[name.size() - suffix.size() - 1] == '.');
}

TFoundAccount AccountOf(const TPreset& preset, const std::string& email)
{
    return {preset.Host,   preset.Port,          preset.Security,         email,
            preset.SignIn, preset.OAuthProvider, TSettingsSource::Preset, preset.Provider,
            preset.Limits};
}

} // namespace

std::optional<TFoundAccount> PresetForDomain(const std::string& domain, const std::string& email)
{
    const std::string name = Lowered(domain);
    for (const TPreset& preset : Presets())
        if (std::find(preset.Domains.begin(), preset.Domains.end(), name) != preset.Domains.end())
            return AccountOf(preset, email);
    return std::nullopt;
}

std::optional<TFoundAccount> PresetForMailExchanger(const std::string& exchanger, const std::string& email)
{
    const std::string name = Lowered(exchanger);
    for (const TPreset& preset : Presets())
        for (const std::string& suffix : preset.ExchangerSuffixes)
            if (EndsWithLabels(name, suffix))
                return AccountOf(preset, email);
    return std::nullopt;
}
