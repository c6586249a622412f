#include "workflow/Pause.h"

#include <algorithm>
#include <chrono>
#include <limits>
#include <thread>

namespace {

class TThreadSleep : public TPause {
public:
    void Sleep(std::int32_t milliseconds) override
    {
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
    }
};

TThreadSleep threadSleep;
TPause* installed = nullptr;

}

TPause& PauseBetweenMessages()
{
    return installed ? *installed : threadSleep;
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
