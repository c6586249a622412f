// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstdint>
#include <limits>
#include <string>
#include <variant>

// Every setting the program keeps, typed. A value missing from the settings file is its
// row's default below; nothing else gives these members a value.
struct TSettings {
    // The account: read at every activation of the main window, written by the settings
    // dialog's OK; the send job and pelmar-send send with these.
    std::string Name;
    std::string Email;
    std::string Host;
    std::string UserID; // the name sent with HELO without security, else the login name
    std::string Charset;
    std::int32_t Delay; // seconds after each message
    std::int32_t Port;
    std::int32_t Security;  // 0 none, 1 STARTTLS, 2 TLS from the first byte
    std::int32_t TimeOut;   // seconds any wait on the server may last, 0 for ever
    std::int32_t RetryWait; // seconds before each round of retries of deferred entries
    // Messages the account may send per minute, hour and 24 hours; 0 is no limit.
    std::int32_t PerMinute;
    std::int32_t PerHour;
    std::int32_t PerDay;
    std::string Unsubscribe; // List-Unsubscribe: empty (none), "mailto" or an https address

    // How the account signs in (SignIn.h), part of the account; the dialog's OK writes only
    // the keys of the chosen way (WriteSignInSettings).
    std::string SignInMode;    // password, oauth2 or command
    std::string OAuthProvider; // google, microsoft or other
    std::string OAuthClientId;
    std::string OAuthClientSecret;
    std::string OAuthAuthUrl;
    std::string OAuthTokenUrl;
    std::string OAuthScope;
    std::string TokenCommand;

    // Where the settings of an address are looked for; set in the file only.
    std::string IspDatabase; // the ISP database's base URL
    std::string NameServer;  // asked for SRV and MX records instead of the system's

    // The main window's own, read and written by it alone.
    std::int32_t Language; // 1 Slovenian, anything else English
    std::int32_t Left;
    std::int32_t Top;
    std::int32_t Width;
    std::int32_t Height;
    std::string Folder;  // of the last file opened, with a trailing '/'
    std::int32_t Format; // 0 text, 1 HTML
    std::string Version; // written for other tools, never read
    std::string Present;
};

using TTextSetting = std::string TSettings::*;
using TIntegerSetting = std::int32_t TSettings::*;

// One setting: its key in the settings file, its member (and so its type), its default as
// the file would hold it, the range an integer must lie in (a stored value outside it reads
// as the default; a field refuses it), and the settings dialog's field that shows it.
struct TSettingRow {
    const char* Key;
    std::variant<TTextSetting, TIntegerSetting> Member;
    const char* Default;
    const char* Field = nullptr; // none: the dialog does not show it
    bool Account = false;        // part of the account (see TSettings)
    std::int32_t Least = std::numeric_limits<std::int32_t>::min();
    std::int32_t Most = std::numeric_limits<std::int32_t>::max();
};

// The account's rows are read and written in this order: a value that cannot be read, or a
// field that cannot be saved, stops there. The keys are those of the files users already have.
inline const TSettingRow SettingRows[] = {
    {"ime", &TSettings::Name, "", "nameEdit", true},
    {"email", &TSettings::Email, "", "emailEdit", true},
    {"host", &TSettings::Host, "", "hostEdit", true},
    {"username", &TSettings::UserID, "", "userIdEdit", true},
    {"charset", &TSettings::Charset, "utf-8", "charsetEdit", true},
    {"pavza", &TSettings::Delay, "0", "delayEdit", true},
    {"port", &TSettings::Port, "25", "portEdit", true},
    {"security", &TSettings::Security, "0", "securityNone", true, 0, 2},
    {"timeout", &TSettings::TimeOut, "60", "timeOutEdit", true},
    {"retrywait", &TSettings::RetryWait, "60", "retryWaitEdit", true},
    {"perminute", &TSettings::PerMinute, "0", "perMinuteEdit", true, 0},
    {"perhour", &TSettings::PerHour, "0", "perHourEdit", true, 0},
    {"perday", &TSettings::PerDay, "0", "perDayEdit", true, 0},
    {"unsubscribe", &TSettings::Unsubscribe, "", "unsubscribeEdit", true},
    {"signin", &TSettings::SignInMode, "password", nullptr, true},
    {"oauthprovider", &TSettings::OAuthProvider, "other", nullptr, true},
    {"oauthclientid", &TSettings::OAuthClientId, "", nullptr, true},
    {"oauthclientsecret", &TSettings::OAuthClientSecret, "", nullptr, true},
    {"oauthauthurl", &TSettings::OAuthAuthUrl, "", nullptr, true},
    {"oauthtokenurl", &TSettings::OAuthTokenUrl, "", nullptr, true},
    {"oauthscope", &TSettings::OAuthScope, "", nullptr, true},
    {"tokencommand", &TSettings::TokenCommand, "", nullptr, true},
    {"ispdb", &TSettings::IspDatabase, "https://autoconfig.thunderbird.net/v1.1/"},
    {"nameserver", &TSettings::NameServer, ""},
    {"jezik", &TSettings::Language, "2"},
    {"left", &TSettings::Left, "10"},
    {"top", &TSettings::Top, "20"},
    {"width", &TSettings::Width, "750"},
    {"height", &TSettings::Height, "550"},
    {"imenik", &TSettings::Folder, ""},
    {"HTML", &TSettings::Format, "0"},
    {"verzija", &TSettings::Version, ""},
    {"prisoten", &TSettings::Present, ""},
};
