#pragma once
#include "workflow/Pause.h"

#include <functional>
#include <vector>

// Stands in for the pause between messages while it exists: records every pause instead
// of sleeping, and lets a test act at that moment.
class TRecordedPause : public TPause {
public:
    TRecordedPause() : FPrevious(SetPauseBetweenMessages(this)) {}
    ~TRecordedPause() override { SetPauseBetweenMessages(FPrevious); }
    TRecordedPause(const TRecordedPause&) = delete;
    TRecordedPause& operator=(const TRecordedPause&) = delete;

    void Sleep(std::int32_t milliseconds) override
    {
        Pauses.push_back(milliseconds);
        if (OnPause)
            OnPause();
    }

    std::vector<std::int32_t> Pauses;
    std::function<void()> OnPause;

private:
    TPause* FPrevious;
};
