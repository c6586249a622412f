// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "workflow/SendJob.h"

#include <cstdint>
#include <functional>
#include <string>

// The mail account as the settings store holds it, a missing value read as its default.
// The settings dialog fills its fields from here, and the headless sender sends with it,
// so the two always read the same file the same way.
struct TStoredAccount {
    std::string Name;
    std::string Email;
    std::string Host;
    std::string UserID;
    std::string Charset = "utf-8";
    std::string Delay = "0"; // seconds after each message
    std::string Port = "25";
    std::int32_t Security = 0;  // 0 none, 1 STARTTLS, 2 TLS from the first byte
    std::string TimeOut = "60"; // seconds, 0 waits for ever
    std::string RetryWait = "60"; // seconds before each round of retries
    // Messages per minute, hour and 24 hours the account may send; "0" is no limit.
    std::string PerMinute = "0";
    std::string PerHour = "0";
    std::string PerDay = "0";
    std::string Unsubscribe; // List-Unsubscribe: empty (none), "mailto" or an https address
    TSignInSettings SignIn;
};

// Reads the stored values into account in the order above, integers as decimal text. A
// value that cannot be read raises Exception with the store's text, and leaves it and
// the values after it as they were.
void ReadStoredAccount(TStoredAccount& account);
// The sign-in keys (signin, oauth*, tokencommand), read and written together.
void ReadSignInSettings(TSignInSettings& settings);
void WriteSignInSettings(const TSignInSettings& settings);
// The stored account, from the defaults.
TStoredAccount ReadStoredAccount();

// The language the user chose last (CurrentLanguage's stored value).
std::int32_t ReadStoredLanguage();

// The settings a job reads, taken from the store when made: what a job started without
// the settings dialog sends with.
class TStoredSendSettings : public TSendSettings {
public:
    // askForSettings: what to do when a job finds a needed value missing (the store cannot
    // be completed from here); it may be empty.
    explicit TStoredSendSettings(std::function<void()> askForSettings = {});

    const TStoredAccount& Account() const { return FAccount; }

    std::string Name() const override { return FAccount.Name; }
    std::string Email() const override { return FAccount.Email; }
    std::string Host() const override { return FAccount.Host; }
    std::string UserID() const override { return FAccount.UserID; }
    std::string Charset() const override { return FAccount.Charset; }
    std::string Delay() const override { return FAccount.Delay; }
    std::string Port() const override { return FAccount.Port; }
    std::string Security() const override { return std::to_string(FAccount.Security); }
    std::string TimeOut() const override { return FAccount.TimeOut; }
    std::string RetryWait() const override { return FAccount.RetryWait; }
    std::string PerMinute() const override { return FAccount.PerMinute; }
    std::string PerHour() const override { return FAccount.PerHour; }
    std::string PerDay() const override { return FAccount.PerDay; }
    std::string Unsubscribe() const override { return FAccount.Unsubscribe; }
    TSignInSettings SignIn() const override { return FAccount.SignIn; }
    void AskForSettings() override;

private:
    TStoredAccount FAccount;
    std::function<void()> FAskForSettings;
};
