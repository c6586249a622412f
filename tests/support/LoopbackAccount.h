// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "workflow/job/SendJob.h"
#include "workflow/settings/Settings.h"

// The account the loopback job tests and benchmarks send from: Ana, to a server on
// 127.0.0.1, with no pause between messages. Change what a test varies (the port always).
class TLoopbackAccount : public TSendSettings {
public:
    TSettings account = LoopbackSettings();

    TSettings Values() const override { return account; }
    void AskForSettings() override { }

    static TSettings LoopbackSettings()
    {
        TSettings settings = DefaultSettings();
        settings.Name = "Ana";
        settings.Email = "ana@example.org";
        settings.Host = "127.0.0.1";
        settings.UserID = "pc1";
        settings.Charset = "us-ascii";
        settings.Delay = 0;
        settings.Port = 0;
        settings.TimeOut = 10;
        return settings;
    }
};
