// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "workflow/job/JobLedger.h"

#include <cstdint>
#include <string>
#include <vector>

// The texts of sending limits, the suppression list, empty fields and a later start, in
// the language in force (lines separated by CR, as JobMessages.h).
namespace Messages {
// A moment as the user reads it: "14:05" today, "2026-12-10 08:00" another day.
std::string MomentText(std::int64_t msecsSinceEpoch);
// The status bar while a limit holds the job: "Limit reached: the next message goes at
// 14:05 (4:59)".
std::string LimitReached(std::int64_t nextSend, int secondsLeft);
// The same without the countdown, said once where no countdown is shown.
std::string LimitReached(std::int64_t nextSend);
// The history note of an entry a limit reply held back.
std::string LimitNote();
// The job's end when it does not wait for a limit (pelmar-send --no-wait).
std::string JobPausedByLimit(std::int64_t resumeAfter, const TJobCounts& counts);
std::string PausedByLimit(std::int64_t resumeAfter);
// The reply recorded for a suppressed entry.
std::string SuppressedReply();
// "2 recipients are on the suppression list and will be skipped."
std::string SuppressedNotice(int count);
// "{{first}} is empty for 300 of 300 recipients"
std::string EmptyFieldNotice(const std::string& field, int empty, int total);
// The countdown to a job's chosen start.
std::string StartsAt(std::int64_t start, int secondsLeft);
// How a countdown's seconds are shown: "4:59", "1:02:03".
std::string Countdown(int seconds);
}
