#include "workflow/SendLog.h"

#include <QLocale>
#include <QTime>
#include <ctime>

void TSendLog::Append(const std::string& line)
{
    if (!FFile)
        FFile = std::make_unique<TFileStream>(FFileName, TFileMode::Create);
    FFile->WriteString(line + "\r\n");
}

// Formatting through the system's locale costs more than sending a message, and the text
// changes only once a second.
std::string TimeOfDayText()
{
    static std::time_t shownSecond = -1;
    static std::string text;
    const std::time_t now = std::time(nullptr);
    if (now != shownSecond) {
        text = QLocale::system().toString(QTime::currentTime(), QLocale::LongFormat).toStdString();
        shownSecond = now;
    }
    return text;
}

std::string SendLogLine(const std::string& timeOfDay, const std::string& entry)
{
    return timeOfDay + ": " + entry + "...   OK.";
}

std::string SendLogLine(const std::string& entry)
{
    return SendLogLine(TimeOfDayText(), entry);
}
