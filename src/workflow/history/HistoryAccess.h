// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <memory>
#include <string>

class TDeliveryHistory;

// The program's one delivery history. Opening it after a run that did not close it whole
// reads every page of the database to find damage, so it is opened once, at its first use
// (the History window or a job), and kept for the run; every view and job asks here
// instead of opening it again.
class THistoryAccess {
public:
    // folder: where "history.sqlite" lives; empty means the per-user data folder, decided
    // at the first use.
    explicit THistoryAccess(std::string folder = {});
    ~THistoryAccess();
    THistoryAccess(const THistoryAccess&) = delete;
    THistoryAccess& operator=(const THistoryAccess&) = delete;

    // The open history. Raises EHistoryError when it cannot be opened; the next call tries
    // again, so a folder the user has since mended is taken. When opening had to move a
    // damaged history aside, the user is told so once, before this returns.
    TDeliveryHistory& History();
    bool IsOpen() const { return FHistory != nullptr; }

private:
    std::string FFolder;
    std::unique_ptr<TDeliveryHistory> FHistory;
};
