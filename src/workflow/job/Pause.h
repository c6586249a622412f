// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstdint>
#include <functional>

// The waits of a send job: the pause between messages, before a new connection and before
// a round of retries. The real one keeps the thread's events flowing, so the window stays
// usable and Stop or Exit end a wait at once; tests install one that records instead.
class TPause {
public:
    virtual ~TPause() = default;
    // Waits the time out, or until keepWaiting returns false. keepWaiting is asked at the
    // start and at least every 50 ms, with the whole seconds left (rounded up).
    virtual void Sleep(std::int32_t milliseconds, const std::function<bool(int secondsLeft)>& keepWaiting) = 0;
};

TPause& PauseBetweenMessages();
// Installs pause (not owned; nullptr restores the real one) and returns the one it replaces.
TPause* SetPauseBetweenMessages(TPause* pause);

// The pause for a delay setting in seconds: none for a negative delay, and never longer
// than a 32-bit count of milliseconds.
std::int32_t PauseMilliseconds(std::int32_t delaySeconds);
