// SPDX-License-Identifier: GPL-3.0-or-later
#include "workflow/history/HistoryAccess.h"

#include "workflow/history/DeliveryHistory.h"
#include "workflow/history/HistoryMessages.h"
#include "workflow/ui/UserInterface.h"

THistoryAccess::THistoryAccess(std::string folder) : FFolder(std::move(folder))
{
}

THistoryAccess::~THistoryAccess() = default;

TDeliveryHistory& THistoryAccess::History()
{
    if (FHistory)
        return *FHistory;
    FHistory = FFolder.empty() ? std::make_unique<TDeliveryHistory>() : std::make_unique<TDeliveryHistory>(FFolder);
    if (!FHistory->DamagedCopy().empty())
        UserInterface().ShowMessage(Messages::HistoryMovedAside(FHistory->DamagedCopy()));
    return *FHistory;
}
