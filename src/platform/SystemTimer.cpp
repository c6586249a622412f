// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/SystemTimer.h"

#include <QTimerEvent>

#include <limits>

TSystemTimer::TSystemTimer(std::function<void()> onTick, QObject* parent) : QObject(parent), FOnTick(std::move(onTick))
{
}

TSystemTimer::~TSystemTimer()
{
    Stop();
}

bool TSystemTimer::Start(std::uint32_t milliseconds)
{
    Stop();
    if (milliseconds > static_cast<std::uint32_t>(std::numeric_limits<int>::max()))
        return false;
    FTimerId = startTimer(static_cast<int>(milliseconds), Qt::PreciseTimer);
    ++FStarts;
    return FTimerId != 0;
}

void TSystemTimer::Stop()
{
    if (FTimerId != 0)
        killTimer(FTimerId);
    FTimerId = 0;
}

void TSystemTimer::timerEvent(QTimerEvent* event)
{
    if (event->timerId() == FTimerId && FOnTick)
        FOnTick();
}
