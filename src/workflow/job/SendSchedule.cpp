// SPDX-License-Identifier: GPL-3.0-or-later
#include "workflow/job/SendSchedule.h"

#include "workflow/job/Pause.h"

#include <QRegularExpression>

#include <algorithm>
#include <limits>

std::optional<QDateTime> ParseStartTime(const std::string& text, const QDateTime& now)
{
    const QString given = QString::fromStdString(text).trimmed();
    static const QRegularExpression clock("^([01]?\\d|2[0-3]):([0-5]\\d)$");
    if (const QRegularExpressionMatch match = clock.match(given); match.hasMatch()) {
        const QDateTime local = now.toLocalTime();
        QDateTime start(local.date(), QTime(match.captured(1).toInt(), match.captured(2).toInt()));
        if (start <= local)
            start = start.addDays(1);
        return start;
    }
    const QDateTime moment = QDateTime::fromString(given, Qt::ISODate);
    if (!moment.isValid() || !given.contains('T'))
        return std::nullopt;
    return moment;
}

bool WaitUntilMoment(std::int64_t moment, const std::function<std::int64_t()>& clock,
                     const std::function<bool(int secondsLeft)>& keepWaiting)
{
    for (;;) {
        const std::int64_t left = moment - clock();
        if (left <= 0)
            return true;
        bool stopped = false;
        const auto step =
            static_cast<std::int32_t>(std::min<std::int64_t>(left, std::numeric_limits<std::int32_t>::max()));
        const std::int64_t beyond = left - step; // seconds still to come after this step
        PauseBetweenMessages().Sleep(step, [&](int secondsLeft) {
            stopped = !keepWaiting(static_cast<int>(secondsLeft + beyond / 1000));
            return !stopped;
        });
        if (stopped)
            return false;
    }
}
