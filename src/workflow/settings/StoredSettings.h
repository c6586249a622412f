// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "workflow/job/SendJob.h"

#include "workflow/settings/Settings.h"

#include <functional>

// The sign-in keys (signin, oauth*, tokencommand), read with the account. Their writer is
// the one exception to writing row by row: only the keys of the chosen way are written, so
// a password account's file gets no OAuth endpoints.
void WriteSignInSettings(const TSignInSettings& settings);

// The settings a job reads, taken from the store when made: what a job started without
// the settings dialog sends with.
class TStoredSendSettings : public TSendSettings {
public:
    // askForSettings: what to do when a job finds a needed value missing (the store cannot
    // be completed from here); it may be empty.
    explicit TStoredSendSettings(std::function<void()> askForSettings = {});

    TSettings Values() const override { return FValues; }
    void AskForSettings() override;

private:
    TSettings FValues;
    std::function<void()> FAskForSettings;
};
