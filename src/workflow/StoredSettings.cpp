#include "workflow/StoredSettings.h"

#include "workflow/Settings.h"

TStoredSendSettings::TStoredSendSettings(std::function<void()> askForSettings)
    : FValues(ReadAccount()), FAskForSettings(std::move(askForSettings))
{
}

void TStoredSendSettings::AskForSettings()
{
    if (FAskForSettings)
        FAskForSettings();
}
