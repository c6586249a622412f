// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstdint>

#include "base/Component.h"
#include "base/Events.h"
#include "platform/SystemTimer.h"

// A timer that bounds the waits of a socket session. It fires OnTimer on every tick
// while it is enabled, has a non-zero interval and a handler; any change of these
// restarts the period from zero.
class TTimeoutTimer : public TComponent {
public:
    explicit TTimeoutTimer(QObject* owner = nullptr);
    ~TTimeoutTimer() override;

    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool enabled);
    std::uint32_t Interval() const { return FInterval; }
    void SetInterval(std::uint32_t milliseconds);
    const TNotifyEvent& OnTimer() const { return FOnTimer; }
    void SetOnTimer(TNotifyEvent handler);
    const TSystemTimer& SystemTimer() const { return FSystemTimer; }

protected:
    virtual void Timer();

private:
    void UpdateTimer();
    void Tick();

    std::uint32_t FInterval = 1000;
    TNotifyEvent FOnTimer;
    bool FEnabled = true;
    TSystemTimer FSystemTimer;
};
