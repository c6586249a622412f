#pragma once
#include "workflow/SendJob.h"

#include <functional>

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
