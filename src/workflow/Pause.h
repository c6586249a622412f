#pragma once
#include <cstdint>

// The wait between two messages of a send job. It blocks the calling thread, and with
// it the window, for the whole time; tests install one that records instead.
class TPause {
public:
    virtual ~TPause() = default;
    virtual void Sleep(std::int32_t milliseconds) = 0;
};

TPause& PauseBetweenMessages();
// Installs pause (not owned; nullptr restores the real one) and returns the one it replaces.
TPause* SetPauseBetweenMessages(TPause* pause);

// The pause for a delay setting in seconds: none for a negative delay, and never longer
// than a 32-bit count of milliseconds.
std::int32_t PauseMilliseconds(std::int32_t delaySeconds);
