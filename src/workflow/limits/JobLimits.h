// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "workflow/limits/RateWindow.h"

#include <cstdint>
#include <functional>
#include <string>
#include <unordered_set>
#include <vector>

class TDeliveryHistory;
class TSuppressionList;

// What one send job keeps to beside its entries: the account's sending limits (counted
// from the history, so that earlier jobs of either program count) and the replies that
// say a limit is reached, and the account's suppression list. The job asks before each
// message and tells after each reply; this decides.
class TJobLimits {
public:
    // Milliseconds since the epoch; tests put a clock of their own here.
    std::function<std::int64_t()> Clock;

    TJobLimits();

    // history and suppressions may be null (none kept); account is the sender's address.
    void Start(const TSendLimits& limits, TDeliveryHistory* history, TSuppressionList* suppressions,
               const std::string& account, bool ignoreSuppressions);

    // Suppressions.
    bool Suppressed(const std::string& entry) const;
    int SuppressedCount(const std::vector<std::string>& entries) const;
    // A refusal whose reply says the mailbox does not exist puts the entry on the list.
    void Refused(const std::string& entry, const std::string& reply);

    // Limits. Sent: a message went to the server now.
    void Sent();
    // When the next message may go; at or before Now() when it may go now.
    std::int64_t NextSendTime();
    // The reply means the account's limit: the entry at the position is to go again
    // after the back-off. Returns false for a reply that means no limit.
    bool ToldLimit(const std::string& reply, int position);
    // A reply that closed the connection told the limit (no entry of its own).
    void ToldLimitByClosing() { FTold = true; }
    bool LimitWasTold() const { return FTold; }
    // The back-off after a told limit, and the entries it held back (in list order); the
    // told state is cleared.
    std::int64_t TakeToldLimit(std::vector<int>& heldBack);
    std::int64_t Now() const { return Clock(); }

private:
    TRateWindow FWindow;
    TSuppressionList* FSuppressions = nullptr;
    std::unordered_set<std::string> FSuppressed;
    std::string FAccount;
    bool FTold = false;
    std::vector<int> FHeldBack;
};
