// SPDX-License-Identifier: GPL-3.0-or-later
#include "workflow/limits/LimitMessages.h"

#include "workflow/job/JobMessages.h"
#include "workflow/program/ProgramState.h"

#include <QDateTime>

#include <cctype>

namespace Messages {

namespace {

bool Slovenian()
{
    return CurrentLanguage == 1;
}

// Slovenian nouns after a number: singular, dual, plural of 3 and 4, plural from 5, by the
// number's last two digits.
int SlovenianForm(int count)
{
    const int lastTwo = count % 100;
    return lastTwo == 1 ? 0 : lastTwo == 2 ? 1 : lastTwo == 3 || lastTwo == 4 ? 2 : 3;
}

}

std::string MomentText(std::int64_t msecsSinceEpoch)
{
    const QDateTime moment = QDateTime::fromMSecsSinceEpoch(msecsSinceEpoch).toLocalTime();
    const bool today = moment.date() == QDate::currentDate();
    return moment.toString(today ? "HH:mm" : "yyyy-MM-dd HH:mm").toStdString();
}

std::string Countdown(int seconds)
{
    const int hours = seconds / 3600;
    const QString minutesSeconds =
        QString("%1:%2").arg((seconds / 60) % 60, hours ? 2 : 1, 10, QChar('0')).arg(seconds % 60, 2, 10, QChar('0'));
    return (hours ? QString::number(hours) + ":" + minutesSeconds : minutesSeconds).toStdString();
}

std::string LimitReached(std::int64_t nextSend)
{
    return Lang("Dosežena omejitev: naslednje sporočilo gre ob ", "Limit reached: the next message goes at ")
        + MomentText(nextSend);
}

std::string LimitReached(std::int64_t nextSend, int secondsLeft)
{
    return LimitReached(nextSend) + " (" + Countdown(secondsLeft) + ")";
}

std::string LimitNote()
{
    return Lang("ni poslano (omejitev)", "not sent (limit)");
}

std::string PausedByLimit(std::int64_t resumeAfter)
{
    return Lang("ustavljeno zaradi omejitve; nadaljujte po ", "paused by a limit; continue after ")
        + MomentText(resumeAfter);
}

std::string JobPausedByLimit(std::int64_t resumeAfter, const TJobCounts& counts)
{
    std::string text = PausedByLimit(resumeAfter);
    text[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
    return text + ".\r" + JobCounts(counts);
}

std::string SuppressedReply()
{
    return Lang("Na seznamu izločenih naslovov.", "On the suppression list.");
}

std::string SuppressedNotice(int count)
{
    const std::string number = GroupedNumber(count);
    if (!Slovenian())
        return number + (count == 1 ? " recipient is" : " recipients are")
            + " on the suppression list and will be skipped.";
    static const char* const forms[] = {
        " prejemnik je na seznamu izločenih naslovov in bo izpuščen.",
        " prejemnika sta na seznamu izločenih naslovov in bosta izpuščena.",
        " prejemniki so na seznamu izločenih naslovov in bodo izpuščeni.",
        " prejemnikov je na seznamu izločenih naslovov in bo izpuščenih.",
    };
    return number + forms[SlovenianForm(count)];
}

std::string EmptyFieldNotice(const std::string& field, int empty, int total)
{
    if (!Slovenian())
        return field + " is empty for " + GroupedNumber(empty) + " of " + GroupedNumber(total)
            + (total == 1 ? " recipient" : " recipients");
    return field + " je prazno pri " + GroupedNumber(empty) + " od " + GroupedNumber(total)
        + (total % 100 == 1 ? " prejemnika" : " prejemnikov");
}

std::string StartsAt(std::int64_t start, int secondsLeft)
{
    return Lang("Pošiljanje se začne ob ", "Sending starts at ") + MomentText(start) + " (" + Countdown(secondsLeft)
        + ")";
}

}
