// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "workflow/job/Pause.h"

#include <functional>
#include <vector>

// Stands in for the job's waits while it exists: records every wait instead of sleeping,
// shows its countdown once, and lets a test act at that moment.
class TRecordedPause : public TPause {
public:
    TRecordedPause() : FPrevious(SetPauseBetweenMessages(this)) { }
    ~TRecordedPause() override { SetPauseBetweenMessages(FPrevious); }
    TRecordedPause(const TRecordedPause&) = delete;
    TRecordedPause& operator=(const TRecordedPause&) = delete;

    void Sleep(std::int32_t milliseconds, const std::function<bool(int secondsLeft)>& keepWaiting) override
    {
        Pauses.push_back(milliseconds);
        if (!keepWaiting((milliseconds + 999) / 1000))
            return;
        if (OnPause)
            OnPause();
    }

    std::vector<std::int32_t> Pauses;
    std::function<void()> OnPause;

private:
    TPause* FPrevious;
};
