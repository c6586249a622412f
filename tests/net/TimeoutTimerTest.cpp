// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "base/ExceptionHandler.h"
#include "net/TimeoutTimer.h"
#include "support/SessionTestHelpers.h"

namespace {

struct TimerProbe {
    TTimeoutTimer Timer;
    int Ticks = 0;
    TimerProbe()
    {
        Timer.SetInterval(10);
        Timer.SetOnTimer([this](QObject*) { ++Ticks; });
    }
    std::uint64_t Starts() const { return Timer.SystemTimer().Starts(); }
    bool Running() const { return Timer.SystemTimer().Running(); }
};

TEST(TimeoutTimer, RunsOnlyWithIntervalEnabledAndHandler)
{
    TTimeoutTimer timer;
    EXPECT_TRUE(timer.Enabled());
    EXPECT_EQ(timer.Interval(), 1000u);
    EXPECT_FALSE(timer.SystemTimer().Running()); // no handler yet

    TimerProbe probe;
    EXPECT_TRUE(probe.Running());
    EXPECT_TRUE(PumpUntil([&] { return probe.Ticks >= 2; })); // it keeps ticking
    probe.Timer.SetInterval(0);
    EXPECT_FALSE(probe.Running());
    probe.Timer.SetInterval(10);
    EXPECT_TRUE(probe.Running());
    probe.Timer.SetOnTimer(nullptr);
    EXPECT_FALSE(probe.Running());
}

TEST(TimeoutTimer, OnlyRealChangesRestartThePeriod)
{
    TimerProbe probe;
    const std::uint64_t starts = probe.Starts();
    probe.Timer.SetEnabled(true);
    probe.Timer.SetInterval(10);
    EXPECT_EQ(probe.Starts(), starts);
    probe.Timer.SetInterval(20);
    EXPECT_EQ(probe.Starts(), starts + 1);
    probe.Timer.SetOnTimer(probe.Timer.OnTimer()); // same handler, still a restart
    EXPECT_EQ(probe.Starts(), starts + 2);
    probe.Timer.SetEnabled(false);
    EXPECT_FALSE(probe.Running());
    probe.Timer.SetEnabled(true);
    EXPECT_EQ(probe.Starts(), starts + 3);
}

TEST(TimeoutTimer, AFailingHandlerIsReportedAndTheTimerGoesOn)
{
    std::vector<std::string> reported;
    SetApplicationExceptionHandler([&](const std::exception& error) { reported.push_back(error.what()); });
    TTimeoutTimer timer;
    timer.SetInterval(10);
    timer.SetOnTimer([](QObject*) { throw Exception("tick failed"); });
    EXPECT_TRUE(PumpUntil([&] { return reported.size() >= 2; }));
    SetApplicationExceptionHandler(nullptr);
    EXPECT_EQ(reported.front(), "tick failed");
}

} // namespace
