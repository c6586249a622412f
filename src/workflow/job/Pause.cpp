// SPDX-License-Identifier: GPL-3.0-or-later
#include "workflow/job/Pause.h"

#include "platform/WaitStep.h"

#include <QElapsedTimer>

#include <algorithm>
#include <limits>

namespace {

// Sleeps in the event loop between events (WaitStep wakes at least every 50 ms), so a
// click on Stop or Exit is handled, and seen, at once.
class TEventLoopSleep : public TPause {
public:
    void Sleep(std::int32_t milliseconds, const std::function<bool(int secondsLeft)>& keepWaiting) override
    {
        QElapsedTimer waited;
        waited.start();
        for (;;) {
            const std::int64_t left = milliseconds - waited.elapsed();
            if (left <= 0 || !keepWaiting(static_cast<int>((left + 999) / 1000)))
                return;
            WaitStep({});
        }
    }
};

TEventLoopSleep eventLoopSleep;
TPause* installed = nullptr;

}

TPause& PauseBetweenMessages()
{
    return installed ? *installed : eventLoopSleep;
}

TPause* SetPauseBetweenMessages(TPause* pause)
{
    TPause* previous = installed;
    installed = pause;
    return previous;
}

std::int32_t PauseMilliseconds(std::int32_t delaySeconds)
{
    const std::int64_t milliseconds = std::int64_t(delaySeconds) * 1000;
    return static_cast<std::int32_t>(
        std::clamp<std::int64_t>(milliseconds, 0, std::numeric_limits<std::int32_t>::max()));
}
