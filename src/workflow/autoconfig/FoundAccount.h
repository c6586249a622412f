// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "workflow/limits/RateWindow.h"

#include <string>

// Where settings found from an address came from, in the order they are asked.
enum class TSettingsSource { Preset, Autoconfig, IspDatabase, DnsSrv };

// The outgoing server of an address, as a source described it; the settings dialog and
// pelmar-send fill the account's fields from it.
struct TFoundAccount {
    std::string Host;
    int Port = 0;
    int Security = 0; // as the security setting: 0 none, 1 STARTTLS, 2 TLS from the first byte
    std::string UserName;
    std::string SignIn = "password"; // the signin setting: password or oauth2
    std::string OAuthProvider;       // the oauthprovider setting with oauth2: google, microsoft, other
    TSettingsSource Source = TSettingsSource::Preset;
    std::string Origin; // the provider's name, or the address or DNS name it came from
    TSendLimits Limits; // the provider's published sending limits; none where not known
};

// "Found at …" in the language in force: where the settings came from.
std::string FoundAccountOrigin(const TFoundAccount& account);
