// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QDateTime>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

// A job's chosen start. "HH:MM" is the next such moment (today, or tomorrow once it has
// passed); otherwise an ISO 8601 date and time ("2026-12-10T08:00", local time unless it
// names an offset). Nothing for any other text.
std::optional<QDateTime> ParseStartTime(const std::string& text, const QDateTime& now);

// Waits until the moment (milliseconds since the epoch, by the clock) in the job's pause
// (Pause.h), so Stop, Exit and tests act as in any wait of a job. keepWaiting is asked
// with the whole seconds left; false when it ended the wait early.
bool WaitUntilMoment(std::int64_t moment, const std::function<std::int64_t()>& clock,
                     const std::function<bool(int secondsLeft)>& keepWaiting);
