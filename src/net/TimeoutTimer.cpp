// SPDX-License-Identifier: GPL-3.0-or-later
#include "net/TimeoutTimer.h"

#include "base/Exception.h"
#include "base/ExceptionHandler.h"

TTimeoutTimer::TTimeoutTimer(QObject* owner) : TComponent(owner), FSystemTimer([this] { Tick(); })
{
}

TTimeoutTimer::~TTimeoutTimer()
{
    FEnabled = false;
    FSystemTimer.Stop();
}

void TTimeoutTimer::SetEnabled(bool enabled)
{
    if (enabled == FEnabled)
        return;
    FEnabled = enabled;
    UpdateTimer();
}

void TTimeoutTimer::SetInterval(std::uint32_t milliseconds)
{
    if (milliseconds == FInterval)
        return;
    FInterval = milliseconds;
    UpdateTimer();
}

void TTimeoutTimer::SetOnTimer(TNotifyEvent handler)
{
    FOnTimer = std::move(handler);
    UpdateTimer();
}

void TTimeoutTimer::UpdateTimer()
{
    FSystemTimer.Stop();
    if (FInterval != 0 && FEnabled && FOnTimer && !FSystemTimer.Start(FInterval))
        throw Exception("No Timer");
}

// A copy, so that a handler may replace itself.
void TTimeoutTimer::Timer()
{
    const TNotifyEvent handler = FOnTimer;
    Fire(handler, this);
}

// A tick has no caller to report to; its error goes to the application's handler
// and the timer keeps running.
void TTimeoutTimer::Tick()
{
    try {
        Timer();
    } catch (const std::exception& error) {
        HandleApplicationException(error);
    }
}
